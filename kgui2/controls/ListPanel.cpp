// ListPanel: construction, the message map, columns and the item pool.
#include "kgui_controls/ListPanel.h"

#include <algorithm>
#include <cstring>

#include "ListPanelRowValues.h"
#include "kgui_controls/BuildFactoryHelper.h"
#include "kgui_controls/ImageList.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kgui_controls/ListPanelColumnSelectButton.h"
#include "kgui_controls/ListPanelDragger.h"
#include "kgui_controls/ListPanelInterior.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(ListPanel, Panel)
MESSAGE_ENTRY("ScrollBarSliderMoved", OnSliderMoved)
MESSAGE_ENTRY("ColumnResized", OnColumnResized, "column", "delta")
MESSAGE_ENTRY("SetSortColumn", OnSetSortColumn, "column")
MESSAGE_ENTRY("ResizeColumnToContents", OnResizeColumnToContents, "column")
MESSAGE_ENTRY("OpenColumnChoiceMenu", OnOpenColumnChoiceMenu)
MESSAGE_ENTRY("ToggleColumnVisible", OnToggleColumnVisible, "col")
MESSAGE_ENTRY("CheckAllItems", OnCheckAllItems, "state")
END_MESSAGE_MAP()

namespace {

constexpr size_t kMaxHeaderText = 255;

// A header text of at most kMaxHeaderText bytes, never cut inside a UTF-8 character.
std::string HeaderText(const char *text) {
  size_t length = std::min(strlen(text), kMaxHeaderText);
  if (length < strlen(text)) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  return std::string(text, length);
}

// A row's whole number under `key`, or 0; text that is not a number is not reported, it is the
// caller's data.
int ReadItemInt(const ListPanelItem &item, HKeySymbol key) {
  ListPanelValue value;
  return ListPanelValue::Find(item, key, value) ? value.ReadInt() : 0;
}

}  // namespace

ListPanel::ListPanel(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  m_ImageSymbol = KeyValues::CallGetSymbolForString("image");
  m_ImageSelectedSymbol = KeyValues::CallGetSymbolForString("imageSelected");
  m_CheckSymbol = KeyValues::CallGetSymbolForString("check");
  m_vecSections.push_back(section_t());
  // A long empty text breaks into lines at its spaces rather than running out of the list.
  m_EmptyText.SetWrap(true);
  m_pInterior = new ListPanelInterior(this);
  m_pVertScrollBar = new ScrollBar(this, "VertScrollBar", true);
  m_pVertScrollBar->SetVisible(false);
  m_pVertScrollBar->AddActionSignalTarget(this);
  m_pVertScrollBar->SetButtonPressedScrollValue(m_iRowHeight);
  m_pColumnSelectButton = new ListPanelColumnSelectButton(this);
  m_pColumnSelectButton->SetVisible(false);
}

ListPanel::~ListPanel() {
  for (ListPanelItem &item : m_DataItems) {
    if (item.m_bInUse) ReleaseItem(item);
  }
  if (m_bDeleteImageListWhenDone) delete m_pImageList;
  // The headers, handles, scroll bar and menu are children and go with the panel.
}

// ---- columns

ListPanel::column_t *ListPanel::ColumnAt(int col) {
  if (col < 0 || col >= GetColumnCount()) return nullptr;
  return &m_ColumnsData[m_CurrentColumns[col]];
}

int ListPanel::ColumnIndexOf(int storageIndex) const {
  for (int col = 0; col < GetColumnCount(); ++col) {
    if (m_CurrentColumns[col] == storageIndex) return col;
  }
  return -1;
}

bool ListPanel::IsColumnResizable(const column_t &column) const {
  return !(column.m_iFlags & ColumnFixedWidth) && column.m_iMinWidth != column.m_iMaxWidth;
}

int ListPanel::FindCheckColumn() const {
  for (size_t i = 0; i < m_ColumnsData.size(); ++i) {
    if (m_ColumnsData[i].m_iFlags & ColumnCheckable) return static_cast<int>(i);
  }
  return -1;
}

bool ListPanel::CheckColumnFlags(const char *columnName, int columnFlags) {
  if (columnFlags & ColumnCheckable) {
    if (V_stricmp(columnName, "Check") || FindCheckColumn() >= 0) {
      AssertMsg(
          false,
          "ListPanel::AddColumnHeader() can only have one checkable column, which must be called 'check'");
      return false;
    }
    if (columnFlags & ColumnCustomPanel) {
      AssertMsg(false,
                "ListPanel::AddColumnHeader() a column cannot hold both custom panels and check boxes");
      return false;
    }
  }
  return true;
}

void ListPanel::AddColumnHeader(int index, const char *columnName, const char *columnText, int width,
                                int columnFlags) {
  const bool fixed = (columnFlags & ColumnFixedWidth) && !(columnFlags & ColumnResizeWithWindow);
  AddColumnHeader(index, columnName, columnText, width, fixed ? width : 20, fixed ? width : 10000,
                  columnFlags);
}

void ListPanel::AddColumnHeader(int index, const char *columnName, const char *columnText, int width,
                                int minWidth, int maxWidth, int columnFlags) {
  Assert(minWidth <= width);
  Assert(maxWidth >= width);
  columnName = columnName ? columnName : "";
  columnText = columnText ? columnText : "";
  if (!CheckColumnFlags(columnName, columnFlags)) return;

  column_t column;
  column.m_Name = columnName;
  column.m_NameSymbol = KeyValues::CallGetSymbolForString(columnName);
  column.m_HeaderText = HeaderText(columnText);
  column.m_SettingsName = column.m_HeaderText;
  column.m_iFlags = columnFlags;
  column.m_iMinWidth = minWidth;
  column.m_iMaxWidth = std::max(minWidth, maxWidth);
  column.m_iWidth = std::clamp(width, column.m_iMinWidth, column.m_iMaxWidth);
  column.m_iPreferredWidth = column.m_iWidth;
  column.m_bTypeIsText = !(columnFlags & (ColumnImage | ColumnCustomPanel | ColumnCheckable));
  column.m_bResizesWithWindow = (columnFlags & ColumnResizeWithWindow) != 0;
  const int storageIndex = static_cast<int>(m_ColumnsData.size());

  column.m_pHeader = new ListPanelColumnHeader(
      this, columnName, (columnFlags & ColumnNoHeaderText) ? "" : column.m_HeaderText.c_str());
  column.m_pHeader->SetSize(column.m_iWidth, kHeaderTall);
  column.m_pHeader->AddActionSignalTarget(this);
  column.m_pResizer = new ListPanelDragger(this, storageIndex);
  column.m_pResizer->SetEnabled(IsColumnResizable(column));
  m_ColumnsData.push_back(column);

  index = std::clamp(index, 0, GetColumnCount());
  m_CurrentColumns.insert(m_CurrentColumns.begin() + index, storageIndex);
  UpdateHeaderCommands();
  if ((columnFlags & ColumnHiddenAtStart) && !(columnFlags & (ColumnAlwaysShown | ColumnNotInMenu)))
    SetColumnShown(index, false);
  InvalidateLayout();
}

void ListPanel::UpdateHeaderCommands() {
  for (int col = 0; col < GetColumnCount(); ++col) SetColumnSortable(col, true);
}

void ListPanel::SetColumnSortable(int col, bool sortable) {
  column_t *column = ColumnAt(col);
  if (!column) return;
  if (sortable)
    column->m_pHeader->SetCommand(new KeyValues("SetSortColumn", "column", col));
  else
    column->m_pHeader->SetCommand(static_cast<KeyValues *>(nullptr));
}

void ListPanel::SetColumnHeaderLabel(int col, const char *text) {
  column_t *column = ColumnAt(col);
  if (!column) return;
  text = text ? text : "";
  column->m_HeaderText = HeaderText(text);
  column->m_pHeader->SetText(column->m_HeaderText.c_str());
}

void ListPanel::SetColumnHeaderLabel(int col, const char16_t *text) {
  SetColumnHeaderLabel(col, WideToUtf8(text).c_str());
}

void ListPanel::SetColumnHeaderIcon(int col, int imageListIndex) {
  column_t *column = ColumnAt(col);
  if (!column) return;
  Assert(m_pImageList);
  if (!m_pImageList) return;
  column->m_iHeaderIcon = imageListIndex;
  column->m_pHeader->SetIconImage(m_pImageList->GetImage(imageListIndex));
}

void ListPanel::SetColumnTooltip(int col, const char *text) {
  if (column_t *column = ColumnAt(col)) column->m_pHeader->GetTooltip()->SetText(text);
}

void ListPanel::SetColumnSortFunc(int col, SortFunc func) {
  AssertMsg(col >= 0 && col < GetColumnCount(), "Assertion Failed: col < m_CurrentColumns.Count()");
  column_t *column = ColumnAt(col);
  if (!column) return;
  column->m_pSortFunc = func;
  ForgetColumnSortKeys(*column);
  m_bNeedsSort = true;
  InvalidateLayout();
}

void ListPanel::SetColumnSortKeyFunc(int col, SortKeyFunc func) {
  column_t *column = ColumnAt(col);
  if (!column) return;
  column->m_pSortKeyFunc = func;
  ForgetColumnSortKeys(*column);
}

void ListPanel::SetColumnShown(int col, bool shown) {
  column_t *column = ColumnAt(col);
  if (!column || (column->m_iFlags & (ColumnAlwaysShown | ColumnNotInMenu))) return;
  if (column->m_bHidden == !shown) return;
  column->m_bHidden = !shown;
  if (shown && !(column->m_iFlags & ColumnFixedWidth)) {
    // A column coming back fits what it shows now.
    const int storageIndex = m_CurrentColumns[col];
    int contentWidth = 0;
    column->m_iPreferredWidth = MeasureColumnContents(storageIndex, contentWidth);
    column->m_iContentWidth = contentWidth;
    column->m_iWidth = std::clamp(column->m_iPreferredWidth, column->m_iMinWidth, column->m_iMaxWidth);
  }
  column->m_pHeader->SetVisible(shown);
  column->m_pResizer->SetVisible(shown);
  InvalidateLayout();
  Repaint();
}

void ListPanel::AllowColumnChoice(bool allow) {
  m_bAllowUserAddDeleteColumns = allow;
  m_pColumnSelectButton->SetVisible(allow);
  InvalidateLayout();
}

const char *ListPanel::GetColumnName(int col) {
  column_t *column = ColumnAt(col);
  return column ? column->m_Name.c_str() : "";
}

const char *ListPanel::GetColumnHeaderText(int col) {
  column_t *column = ColumnAt(col);
  return column ? column->m_HeaderText.c_str() : "";
}

bool ListPanel::IsColumnShown(int col) {
  column_t *column = ColumnAt(col);
  return column && !column->m_bHidden;
}

int ListPanel::GetColumnWidth(int col) {
  column_t *column = ColumnAt(col);
  return column ? column->m_iWidth : 0;
}

int ListPanel::FindColumn(const char *columnName) {
  for (int col = 0; col < GetColumnCount(); ++col) {
    if (!V_stricmp(ColumnAt(col)->m_Name.c_str(), columnName ? columnName : "")) return col;
  }
  return -1;
}

ListPanelColumnHeader *ListPanel::GetColumnHeader(int col) {
  column_t *column = ColumnAt(col);
  return column ? column->m_pHeader : nullptr;
}

ListPanelDragger *ListPanel::GetColumnDragger(int col) {
  column_t *column = ColumnAt(col);
  return column ? column->m_pResizer : nullptr;
}

Panel *ListPanel::GetColumnSelectButton() {
  return m_pColumnSelectButton;
}

// ---- the item pool

ListPanelItem *ListPanel::ItemAt(int itemID) {
  if (itemID < 0 || itemID >= static_cast<int>(m_DataItems.size())) return nullptr;
  ListPanelItem &item = m_DataItems[itemID];
  return item.m_bInUse ? &item : nullptr;
}

const ListPanelItem *ListPanel::GetItem(int itemID) const {
  return const_cast<ListPanel *>(this)->ItemAt(itemID);
}

bool ListPanel::IsItemIDValid(int itemID) {
  return ItemAt(itemID) != nullptr;
}

int ListPanel::AllocateItemID() {
  if (!m_FreeItemIDs.empty()) {
    const int itemID = m_FreeItemIDs.back();
    m_FreeItemIDs.pop_back();
    return itemID;
  }
  m_DataItems.emplace_back();
  return static_cast<int>(m_DataItems.size()) - 1;
}

void ListPanel::CopyIntoItem(ListPanelItem &item, KeyValues *data) {
  item.m_pValues = ListPanelRowValues::Build(data);
  if (!item.m_pValues) item.m_pKV = data->MakeCopy();
}

void ListPanel::ReleaseItem(ListPanelItem &item) {
  if (item.m_pKV && !item.m_bShareData) item.m_pKV->Destroy();
  ListPanelRowValues::Free(item.m_pValues);
  if (item.m_bChecked) --m_nCheckedCount;
  item = ListPanelItem();
}

int ListPanel::AddItem(KeyValues *data, unsigned int userValue, bool scrollToItem, bool sortNow,
                       bool shareData) {
  const int itemID = AllocateItemID();
  ListPanelItem &item = m_DataItems[itemID];
  ForgetRowSortKeys(itemID);
  item.m_bInUse = true;
  item.m_bShareData = shareData && data;
  if (item.m_bShareData) {
    item.m_pKV = data;
  } else if (data) {
    CopyIntoItem(item, data);
  } else {
    KeyValuesAD empty(new KeyValues("Item"));
    CopyIntoItem(item, empty.get());
  }
  item.m_unUserData = userValue;
  item.m_nImageIndex = ReadItemInt(item, m_ImageSymbol);
  item.m_nImageIndexSelected = ReadItemInt(item, m_ImageSelectedSymbol);

  AppendVisible(itemID);
  if (sortNow) {
    m_bNeedsSort = true;
    m_bRowPositionsStale = true;
  } else if (!m_bRowPositionsStale) {
    // Only the new row's position is added: the rows above it have not moved.
    m_vecVisibleItemsYPos.push_back(m_nContentTall);
    m_nContentTall += m_iRowHeight;
  }
  InvalidateLayout();
  if (scrollToItem) ScrollToItem(itemID);

  if (FindCheckColumn() >= 0) {
    if (m_bNewItemsChecked) m_DataItems[itemID].GetRecord()->SetInt("check", 1);
    if (SyncItemCheck(itemID)) PostItemsChecked(itemID);
  }
  return itemID;
}

int ListPanel::GetVisibleItemCount() {
  return static_cast<int>(VisibleItems().size());
}

KeyValues *ListPanel::GetItemData(int itemID) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item) return nullptr;
  // The caller may edit the record without telling the list; from now on the row reads it.
  ForgetRowSortKeys(itemID);
  return item->GetRecord();
}

void ListPanel::SetItemData(int itemID, KeyValues *data, bool shareData) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item || !data || data == item->m_pKV) return;
  // The new copy is made before the old record goes: `data` may lie inside it.
  KeyValues *oldRecord = item->m_bShareData ? nullptr : item->m_pKV;
  ListPanelRowValues *oldValues = item->m_pValues;
  item->m_pKV = nullptr;
  item->m_pValues = nullptr;
  item->m_bShareData = shareData;
  if (shareData)
    item->m_pKV = data;
  else
    CopyIntoItem(*item, data);
  if (oldRecord) oldRecord->Destroy();
  ListPanelRowValues::Free(oldValues);
  ApplyItemChanges(itemID);
}

int ListPanel::GetItemIDAtRow(int row) {
  return (row >= 0 && row < GetVisibleItemCount()) ? VisibleItems()[row] : -1;
}

int ListPanel::GetRowOfItem(int itemID) {
  const ListPanelItem *item = ItemAt(itemID);
  if (!item) return -1;
  VisibleItems();
  return item->m_nVisibleIndex;
}

unsigned int ListPanel::GetItemUserValue(int itemID) {
  ListPanelItem *item = ItemAt(itemID);
  return item ? item->m_unUserData : 0;
}

void ListPanel::SetItemUserValue(int itemID, unsigned int value) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item) return;
  item->m_unUserData = value;
  ForgetRowSortKeys(itemID);
}

int ListPanel::FindItemByUserValue(unsigned int value) {
  for (size_t i = 0; i < m_DataItems.size(); ++i) {
    if (m_DataItems[i].m_bInUse && m_DataItems[i].m_unUserData == value) return static_cast<int>(i);
  }
  return -1;
}

void ListPanel::ApplyItemChanges(int itemID, bool resort) {
  if (!ItemAt(itemID)) return;
  ForgetRowSortKeys(itemID);
  if (FindCheckColumn() >= 0 && SyncItemCheck(itemID)) PostItemsChecked(itemID);
  m_bRowPositionsStale = true;
  if (resort) m_bNeedsSort = true;
  InvalidateLayout();
  Repaint();
}

void ListPanel::AppendVisible(int itemID) {
  m_DataItems[itemID].m_nVisibleIndex = static_cast<int>(m_VisibleItems.size());
  m_VisibleItems.push_back(itemID);
}

void ListPanel::EraseVisible(int itemID) {
  ListPanelItem &item = m_DataItems[itemID];
  if (item.m_nVisibleIndex < 0) return;
  m_VisibleItems[item.m_nVisibleIndex] = -1;
  item.m_nVisibleIndex = -1;
  m_bVisibleItemsDirty = true;
  m_bRowPositionsStale = true;
}

const std::vector<int> &ListPanel::VisibleItems() {
  if (m_bVisibleItemsDirty) {
    m_VisibleItems.erase(std::remove(m_VisibleItems.begin(), m_VisibleItems.end(), -1), m_VisibleItems.end());
    m_bVisibleItemsDirty = false;
    ReindexVisibleItems();
  }
  return m_VisibleItems;
}

void ListPanel::ReindexVisibleItems() {
  for (size_t row = 0; row < m_VisibleItems.size(); ++row)
    m_DataItems[m_VisibleItems[row]].m_nVisibleIndex = static_cast<int>(row);
}

void ListPanel::RemoveItem(int itemID) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item) return;
  RemoveFromSelection(itemID, false);
  if (m_LastItemSelected == itemID) m_LastItemSelected = -1;
  EraseVisible(itemID);
  ReleaseItem(*item);
  m_FreeItemIDs.push_back(itemID);
  InvalidateLayout();
  Repaint();
}

void ListPanel::ClearItems() {
  for (ListPanelItem &item : m_DataItems) {
    if (item.m_bInUse) ReleaseItem(item);
  }
  m_DataItems.clear();
  for (column_t &column : m_ColumnsData) ForgetColumnSortKeys(column);
  m_FreeItemIDs.clear();
  m_VisibleItems.clear();
  m_bVisibleItemsDirty = false;
  m_vecVisibleItemsYPos.clear();
  m_nContentTall = 0;
  m_nCheckedCount = 0;
  m_bRowPositionsStale = false;
  // The rows are gone already; ClearSelection tells the owners when something was selected.
  ClearSelection();
  SetScrollOffset(0);
  InvalidateLayout();
  Repaint();
}

void ListPanel::ShowItem(int itemID, bool shown) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item || item->m_bShown == shown) return;
  // What the keys were made from may have changed while the row was hidden.
  if (shown) ForgetRowSortKeys(itemID);
  SetShown(itemID, shown);
}

void ListPanel::ShowUnchangedItem(int itemID) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item || item->m_bShown) return;
  SetShown(itemID, true);
}

void ListPanel::SetShown(int itemID, bool shown) {
  m_bNeedsSort = true;
  m_DataItems[itemID].m_bShown = shown;
  if (shown) {
    AppendVisible(itemID);
  } else {
    RemoveFromSelection(itemID, true);
    EraseVisible(itemID);
  }
  m_bRowPositionsStale = true;
  // Hiding or showing many rows asks the host for one layout and one repaint, not one per row.
  if (m_bLayoutAsked) return;
  m_bLayoutAsked = true;
  InvalidateLayout();
  Repaint();
}

void ListPanel::SetItemDisabled(int itemID, bool disabled) {
  if (ListPanelItem *item = ItemAt(itemID)) item->m_bDisabled = disabled;
  Repaint();
}

void ListPanel::SetItemUnselectable(int itemID, bool unselectable) {
  if (ListPanelItem *item = ItemAt(itemID)) item->m_bUnselectable = unselectable;
}

void ListPanel::AttachImageList(ImageList *imageList, bool deleteWhenDone) {
  if (m_bDeleteImageListWhenDone && m_pImageList != imageList) delete m_pImageList;
  m_pImageList = imageList;
  m_bDeleteImageListWhenDone = deleteWhenDone;
  // Headers showing icons follow the new list.
  for (column_t &column : m_ColumnsData) {
    if (column.m_iHeaderIcon >= 0)
      column.m_pHeader->SetIconImage(m_pImageList ? m_pImageList->GetImage(column.m_iHeaderIcon) : nullptr);
  }
  Repaint();
}

// ---- check boxes (a checkable column binds them to the records' "check")

bool ListPanel::IsItemChecked(int itemID) {
  const ListPanelItem *item = ItemAt(itemID);
  return item && item->m_bChecked;
}

bool ListPanel::SyncItemCheck(int itemID) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item) return false;
  const bool checked = ReadItemInt(*item, m_CheckSymbol) != 0;
  if (checked == item->m_bChecked) return false;
  item->m_bChecked = checked;
  m_nCheckedCount += checked ? 1 : -1;
  return true;
}

void ListPanel::SetItemChecked(int itemID, bool checked) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item) return;
  item->GetRecord()->SetInt("check", checked ? 1 : 0);
  ForgetRowSortKeys(itemID);
  SyncItemCheck(itemID);
  Repaint();
}

void ListPanel::PostItemsChecked(int itemID) {
  PostActionSignal(new KeyValues("ItemsChecked", "count", m_nCheckedCount, "itemid", itemID));
}

void ListPanel::OnCheckAllItems(int state) {
  for (size_t i = 0; i < m_DataItems.size(); ++i) {
    if (m_DataItems[i].m_bInUse) SetItemChecked(static_cast<int>(i), state != 0);
  }
  m_bNewItemsChecked = state != 0;
  PostItemsChecked(-1);
}

// ---- sections

int ListPanel::AddSection(const char *name) {
  section_t section;
  section.m_sName = name ? name : "";
  m_vecSections.push_back(section);
  return GetSectionCount() - 1;
}

void ListPanel::SetItemSection(int itemID, int sectionID) {
  ListPanelItem *item = ItemAt(itemID);
  if (!item || sectionID < 0 || sectionID >= GetSectionCount() || item->m_nSectionID == sectionID) return;
  item->m_nSectionID = sectionID;
  m_bNeedsSort = true;
  m_bRowPositionsStale = true;
  InvalidateLayout();
}

void ListPanel::SetSectionCollapsed(int sectionID, bool collapsed) {
  // Section 0 holds the rows put nowhere else and always shows them.
  if (sectionID <= 0 || sectionID >= GetSectionCount() || m_vecSections[sectionID].m_bCollapsed == collapsed)
    return;
  m_vecSections[sectionID].m_bCollapsed = collapsed;
  m_bRowPositionsStale = true;
  InvalidateLayout();
  Repaint();
}

bool ListPanel::IsSectionCollapsed(int sectionID) {
  return sectionID > 0 && sectionID < GetSectionCount() && m_vecSections[sectionID].m_bCollapsed;
}

}  // namespace kgui
