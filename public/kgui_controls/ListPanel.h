// ListPanel: the toolkit's sortable multi-column list. Each row is an item carrying a KeyValues
// record; each column shows the record value stored under the column's name. The list sorts by a
// primary column with a secondary column breaking ties, selects rows with mouse and keys, jumps to
// a row by typing, resizes, hides and shows columns, keeps its column and sort choices in the
// per-user settings, and tells its owners about selection changes and context-menu requests:
//   "ItemSelected", "ItemDeselected", "OpenContextMenu" ("itemID"), "ItemsChecked" ("count",
//   "itemid").
// Only the rows in view are painted; adding a row costs no sort and no relayout of the others.
//
// Sections of the implementation: columns and items (ListPanel.cpp), sorting (ListPanelSort.cpp),
// selection, mouse and keys (ListPanelSelection.cpp), layout, scrolling, painting and the state
// dump (ListPanelLayout.cpp), layout keys, per-user settings and the column menu
// (ListPanelSettings.cpp).
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/ListPanelItem.h"
#include "kgui_controls/ListPanelTypeAhead.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/TextImage.h"

namespace kgui {

class ImageList;
class ListPanelColumnHeader;
class ListPanelColumnSelectButton;
class ListPanelDragger;
class ListPanelInterior;
class Menu;
class ScrollBar;

class ListPanel : public Panel, public ITypingJumpClient {
  DECLARE_CLASS_SIMPLE(ListPanel, Panel);

 public:
  // Column flags, as callers pass them to AddColumnHeader.
  enum ColumnFlags_e {
    ColumnFixedWidth = 0x1,        // the user cannot resize it
    ColumnResizeWithWindow = 0x2,  // takes part first when the list's width changes
    ColumnImage = 0x4,             // shows the image-list image indexed by the record's int
    ColumnHiddenAtStart = 0x8,
    ColumnAlwaysShown = 0x10,  // its visibility cannot change
    ColumnUrl = 0x20,
    ColumnItemImage = 0x40,
    ColumnDescendingFirst = 0x80,  // the first click sorts descending
    ColumnNotInMenu = 0x100,
    ColumnCustomPanel = 0x200,  // CUSTOMPANEL
    ColumnNoHeaderText = 0x400,
    ColumnCheckable = 0x800,   // CHECKABLE: check boxes bound to the record's "check"
    ColumnTypeAhead = 0x1000,  // typing searches the first shown such column
    ColumnItemImageAlt = 0x2000,
  };

  // Negative when item1 comes first in ascending order, 0 for a tie, positive otherwise.
  using SortFunc = int (*)(ListPanel *panel, const ListPanelItem &item1, const ListPanelItem &item2);

  // One 64-bit part of a row's sort key. A column's key function gives, for part 0, 1, 2..., the
  // parts of a key whose order agrees with the column's sort function: where two rows' keys first
  // differ, the lower part is the row the sort function puts first. `end` tells what equal parts
  // mean: kMore, look at the next part; kLast, the key is complete and the sort function would
  // give 0; kUnknown, only the sort function can tell.
  struct SortKey {
    enum End : uint8 { kMore = 0, kLast = 1, kUnknown = 2 };
    uint64 value = 0;
    End end = kUnknown;
  };
  using SortKeyFunc = SortKey (*)(ListPanel *panel, const ListPanelItem &item, int part);
  // The part of a text's key that agrees with V_stricmp: 8 bytes folded to lower case, the end of
  // the text padded with zeros.
  static SortKey FoldedTextKey(const char *text, int part);

  static constexpr int kDefaultRowHeight = 20;
  static constexpr int kHeaderTall = 24;
  // Rows measured by "ResizeColumnToContents".
  static constexpr int kMaxRowsMeasured = 400;

  ListPanel(Panel *parent, const char *panelName);
  ~ListPanel() override;

  // ---- columns (every operation takes a display position)
  virtual void AddColumnHeader(int index, const char *columnName, const char *columnText, int width,
                               int columnFlags = 0);
  virtual void AddColumnHeader(int index, const char *columnName, const char *columnText, int width,
                               int minWidth, int maxWidth, int columnFlags = 0);
  virtual void SetColumnHeaderLabel(int col, const char *text);
  virtual void SetColumnHeaderLabel(int col, const char16_t *text);
  // Shows an image of the image list on the header in place of its text.
  virtual void SetColumnHeaderIcon(int col, int imageListIndex);
  virtual void SetColumnTooltip(int col, const char *text);
  // Null restores the default order of the record values.
  virtual void SetColumnSortFunc(int col, SortFunc func);
  // Lets the list sort the column by prepared keys, asking the sort function only about rows whose
  // keys tie. The keys are kept per row until the row changes (ApplyItemChanges, SetItemData,
  // SetItemUserValue, GetItemData, showing it again) or InvalidateSortKeys.
  virtual void SetColumnSortKeyFunc(int col, SortKeyFunc func);
  // What the key functions read changed for every row (say, the records of a new request).
  void InvalidateSortKeys();
  // Makes the keys the next sort needs for the shown rows that have none kept, so that a list
  // filling over many frames spreads that work instead of leaving it all to one sort.
  void PrepareSortKeys();
  // Makes `col` the primary sort column and the previous one the secondary; sorts at the next layout.
  virtual void SortByColumn(int col, bool ascending);
  virtual void SortList();
  virtual void SetColumnSortable(int col, bool sortable);
  virtual void SetColumnShown(int col, bool shown);
  // Shows the column menu button and lets the user pick the columns.
  virtual void AllowColumnChoice(bool allow);

  // ---- items
  // Adds a row for `data`: a copy of it, or `data` itself with `shareData` (the caller keeps
  // ownership). The row shows at the end until the next sort. Returns the item id.
  virtual int AddItem(KeyValues *data, unsigned int userValue, bool scrollToItem, bool sortNow,
                      bool shareData = false);
  virtual int GetVisibleItemCount();
  // The row's record (the list's copy, made now from the row's values when the row kept them
  // compactly, and kept from then on), or null.
  virtual KeyValues *GetItemData(int itemID);
  virtual void SetItemData(int itemID, KeyValues *data, bool shareData = false);
  // Between display rows and ids; -1 when out of range or not shown.
  virtual int GetItemIDAtRow(int row);
  virtual int GetRowOfItem(int itemID);
  virtual unsigned int GetItemUserValue(int itemID);
  virtual void SetItemUserValue(int itemID, unsigned int value);
  // The first item in pool order with that value, or -1.
  virtual int FindItemByUserValue(unsigned int value);
  // The record changed: repaint, and sort again at the next layout with `resort`.
  virtual void ApplyItemChanges(int itemID, bool resort = false);
  virtual void RemoveItem(int itemID);
  virtual void ClearItems();
  virtual int NoItemID() { return -1; }
  virtual bool IsItemIDValid(int itemID);
  // Hidden rows stay in the list but are neither shown, sorted nor selected. A row shown again is
  // sorted by its data as it is then.
  virtual void ShowItem(int itemID, bool shown);
  // Shows a hidden row whose data, and whatever its sort functions read, has not changed since it
  // was hidden: the sort keys prepared for it are kept, so that many rows shown again sort fast.
  void ShowUnchangedItem(int itemID);
  // Disabled and unselectable rows never join the selection.
  virtual void SetItemDisabled(int itemID, bool disabled);
  virtual void SetItemUnselectable(int itemID, bool unselectable);
  // Replaces the image list, deleting the old one first when the list owned it.
  virtual void AttachImageList(ImageList *imageList, bool deleteWhenDone);

  // ---- selection
  virtual int GetSelectionCount();
  // The id of the i-th selected item (in selection order), or -1.
  virtual int GetSelectedItemID(int index);
  virtual void ClearSelection();
  virtual void AddToSelection(int itemID);
  virtual void SelectOnly(int itemID);
  // Shown in place of the rows while none is shown; a "#" token is localised.
  virtual void SetEmptyText(const char *text);
  virtual void SetEmptyText(const char16_t *text);

  // ---- further queries and settings
  int GetItemCount() const { return static_cast<int>(m_DataItems.size() - m_FreeItemIDs.size()); }
  // The item of an id, or null; valid until the next row is added.
  const ListPanelItem *GetItem(int itemID) const;
  bool IsItemSelected(int itemID);
  bool IsItemChecked(int itemID);
  int GetColumnCount() const { return static_cast<int>(m_CurrentColumns.size()); }
  const char *GetColumnName(int col);
  // The header text as given (a "#" token stays a token); the column's key in the user settings.
  const char *GetColumnHeaderText(int col);
  bool IsColumnShown(int col);
  int GetColumnWidth(int col);
  // The position of the column named `columnName` (ignoring case), or -1.
  int FindColumn(const char *columnName);
  int GetSortColumn();
  int GetSortColumnSecondary();
  bool IsSortAscending() const { return m_bSortAscending; }
  bool IsSortSecondaryAscending() const { return m_bSortAscendingSecondary; }
  bool NeedsSort() const { return m_bNeedsSort; }
  void SetMultiselectEnabled(bool state) { m_bMultiselectEnabled = state; }
  void SetSelectIndividualCells(bool state) { m_bCanSelectIndividualCells = state; }
  int GetSelectedColumn() const { return m_iSelectedColumn; }
  void SetIgnoreDoubleClick(bool state) { m_bIgnoreDoubleClick = state; }
  void SetRowHeight(int rowHeight);
  int GetRowHeight() const { return m_iRowHeight; }
  ImageList *GetImageList() { return m_pImageList; }
  // The first shown row and the number of rows that fit in the visible area.
  int GetFirstVisibleRow();
  int GetVisibleRowCapacity();
  // Scrolls so that the row of `itemID` is in view.
  void ScrollToItem(int itemID);
  int GetScrollOffset();
  ScrollBar *GetScrollBar() { return m_pVertScrollBar; }
  ListPanelColumnHeader *GetColumnHeader(int col);
  ListPanelDragger *GetColumnDragger(int col);
  Panel *GetColumnSelectButton();
  // The column menu ("ContextMenu"), made when first opened.
  Menu *GetColumnChoiceMenu() { return m_pColumnChoiceMenu; }
  // The text shown while no row is, as shown (localised).
  std::string GetEmptyText() const { return m_EmptyText.GetTextUtf8(); }
  // What the cell of a row shows (UTF-8); image cells give their image index.
  std::string GetCellText(int itemID, int col);
  // The cell's text as drawn: cut to the column's width with an ellipsis when it does not fit.
  // Other cells as GetCellText.
  std::string GetCellDrawnText(int itemID, int col);

  // ---- sections (groups of rows; section 0 holds every row not put elsewhere)
  int AddSection(const char *name);
  int GetSectionCount() const { return static_cast<int>(m_vecSections.size()); }
  void SetItemSection(int itemID, int sectionID);
  void SetSectionCollapsed(int sectionID, bool collapsed);
  bool IsSectionCollapsed(int sectionID);

  // ---- panel
  bool AcceptsFocus() override { return true; }
  bool ApplySingleSetting(KeyValues *setting) override;
  bool HasUserConfigSettings() override { return true; }
  void ApplyUserConfigSettings(KeyValues *userConfig) override;
  void GetUserConfigSettings(KeyValues *userConfig) override;
  void Describe(KeyValues *panelBlock) override;

  // ---- ITypingJumpClient
  int GetTypeAheadRowCount() override { return GetVisibleItemCount(); }
  int GetTypeAheadCurrentRow() override;
  std::string GetTypeAheadRowText(int row) override;
  void OnTypeAheadRowFound(int row) override;

 protected:
  friend class ListPanelInterior;

  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBackground() override;
  void PaintBorder() override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override;
  void OnMouseWheeled(int delta) override;
  void OnKeyCodeTyped(KeyCode code) override;
  void OnKeyTyped(int unichar) override;

  // ---- message handlers
  void OnSliderMoved();
  void OnColumnResized(int column, int delta);
  void OnSetSortColumn(int column);
  void OnResizeColumnToContents(int column);
  void OnOpenColumnChoiceMenu();
  void OnToggleColumnVisible(int col);
  void OnCheckAllItems(int state);

  // Paints the rows in view into the interior (its own coordinates).
  void PaintRows(int wide, int tall);

 private:
  struct column_t {
    ListPanelColumnHeader *m_pHeader = nullptr;
    int m_iMinWidth = 20;
    int m_iMaxWidth = 10000;
    ListPanelDragger *m_pResizer = nullptr;
    int m_iFlags = 0;
    bool m_bTypeIsText = true;
    bool m_bHidden = false;
    bool m_bResizesWithWindow = false;
    std::string m_HeaderText;
    // The header text the column was added with: the key of its per-user settings, kept when a
    // caller relabels the header (a label with a live count must not make a new key per count).
    std::string m_SettingsName;
    int m_iPreferredWidth = 0;
    int m_iContentWidth = 0;
    SortFunc m_pSortFunc = nullptr;
    SortKeyFunc m_pSortKeyFunc = nullptr;
    // Part 0 of each row's key by item id, kept while its end is set (1 + SortKey::End; 0: none).
    std::vector<uint64> m_SortKeys;
    std::vector<uint8> m_SortKeyEnds;
    // The record key the cells show, and its symbol for fast lookups.
    std::string m_Name;
    HKeySymbol m_NameSymbol = 0;
    int m_iWidth = 0;
    int m_iX = 0;  // left edge inside the row area, set by the layout pass
    int m_iHeaderIcon = -1;
  };

  struct section_t {
    std::string m_sName;
    bool m_bCollapsed = false;
  };

  // ---- columns (ListPanel.cpp)
  column_t *ColumnAt(int col);
  int ColumnIndexOf(int storageIndex) const;
  bool IsColumnResizable(const column_t &column) const;
  bool CheckColumnFlags(const char *columnName, int columnFlags);
  void UpdateHeaderCommands();
  int FindCheckColumn() const;

  // ---- items (ListPanel.cpp)
  ListPanelItem *ItemAt(int itemID);
  int AllocateItemID();
  void ReleaseItem(ListPanelItem &item);
  // Gives the row the list's own copy of `data`: compact values where they can hold it, else a
  // record.
  static void CopyIntoItem(ListPanelItem &item, KeyValues *data);
  void AppendVisible(int itemID);
  // Shows or hides a row whose state differs, asking for one layout until the next layout pass.
  void SetShown(int itemID, bool shown);
  // Takes a row out of the display order. The place is marked and dropped at the next look at the
  // rows, so hiding or removing many rows one by one costs one pass, not one per row.
  void EraseVisible(int itemID);
  // The display order without the marked places.
  const std::vector<int> &VisibleItems();
  void ReindexVisibleItems();
  // Brings the row's check box in line with its record; true when it changed.
  bool SyncItemCheck(int itemID);
  void SetItemChecked(int itemID, bool checked);
  void PostItemsChecked(int itemID);

  // ---- sorting (ListPanelSort.cpp)
  struct SortEntry;
  // Orders ids[begin, end) by the sort columns from `level` on (0 primary, 1 secondary, 2 the id).
  void SortRange(int *begin, int *end, int level, std::vector<SortEntry> &scratch, size_t base);
  void SortRangeByKeys(int *begin, int *end, int level, int storageIndex, int part,
                       std::vector<SortEntry> &scratch, size_t base);
  // Orders ids[begin, end) by the sort functions alone, from `level` on.
  void SortRangeByComparison(int *begin, int *end, int level);
  int CompareColumn(int storageIndex, int a, int b);
  SortKey RowSortKey(int storageIndex, int itemID, int part);
  SortKey RecordValueKey(const column_t &column, int itemID, int part);
  bool HasSortKeys(const column_t &column) const;
  void ForgetRowSortKeys(int itemID);
  void ForgetColumnSortKeys(column_t &column);
  void UpdateSortArrows();
  void SetSortColumnInternal(int storageIndex, bool ascending);

  // ---- selection and input (ListPanelSelection.cpp)
  void AddToSelectionInternal(int itemID, bool postMessage);
  void RemoveFromSelection(int itemID, bool postMessage);
  bool CanSelect(int itemID);
  void SelectRange(int fromRow, int toRow, bool keepPrevious);
  void HandleRowPress(MouseCode code, int row, int col);
  void HandleCellSelectionPress(int itemID, int col);
  // The row and column under the cursor; -1 where there is none.
  void GetCellUnderCursor(int &row, int &col);
  int MoveTarget(KeyCode code, int currentRow);
  int SkipCollapsedRows(int row, int step);
  void MoveToRow(int row);
  void MoveSelectedColumn(int step);
  void ToggleCheckOfSelection();
  void ToggleItemCheck(int itemID);
  // The storage index of the column typing searches, or -1.
  int TypeAheadColumn();

  // ---- layout and painting (ListPanelLayout.cpp)
  void EnsureRowPositions();
  void RecomputeRowPositions();
  int RowAtContentY(int y);
  int RowTop(int row);
  int RowHeightOf(int row);
  int InteriorTall();
  int ColumnAreaWide();
  void UpdateScrollBar();
  void ScrollToRow(int row);
  void SetScrollOffset(int offset);
  void SpreadColumnWidths();
  bool SpreadPass(int &difference, int pass);
  bool IsSpreadCandidate(const column_t &column, int difference, int pass) const;
  void PlaceHeaders();
  int MeasureColumnContents(int storageIndex, int &contentWidth);
  void ResizeColumn(int storageIndex, int newWidth);
  void PaintRow(int row, int y, int wide);
  void PaintCell(const ListPanelItem &item, const column_t &column, int x, int y, Color textColor);
  void PaintCheckBox(bool checked, int x, int y, Color color);
  void PaintEmptyText(int wide, int tall);
  // What a cell shows: the record's value as text, without changing the record.
  std::u16string CellText(const ListPanelItem &item, const column_t &column);
  // The same, cut to the column's width.
  std::u16string CellDrawnText(const ListPanelItem &item, const column_t &column);
  int CellImageIndex(const ListPanelItem &item, const column_t &column);
  // The font of the cells (the scheme's, made at once when the scheme was not applied yet).
  HFont CellFont();
  void DescribeColumns(KeyValues *panelBlock);
  void DescribeRows(KeyValues *panelBlock);

  // ---- settings (ListPanelSettings.cpp)
  int FindColumnBySettingsName(const char *text);
  void RestoreSortColumns(KeyValues *userConfig);

  // ---- columns
  std::vector<column_t> m_ColumnsData;  // a column's storage index never changes
  std::vector<int> m_CurrentColumns;    // display position -> storage index
  int m_iLastUserResizedColumn = -1;    // storage index

  // ---- items
  std::vector<ListPanelItem> m_DataItems;  // index = item id
  // The record keys the list itself reads.
  HKeySymbol m_ImageSymbol = 0;
  HKeySymbol m_ImageSelectedSymbol = 0;
  HKeySymbol m_CheckSymbol = 0;
  std::vector<int> m_FreeItemIDs;          // slots to reuse, the last freed first
  std::vector<int> m_VisibleItems;         // shown ids in display order (-1: a place to drop)
  bool m_bVisibleItemsDirty = false;       // m_VisibleItems holds places to drop
  std::vector<int> m_vecVisibleItemsYPos;  // each shown row's top, in content pixels
  int m_nContentTall = 0;
  bool m_bRowPositionsStale = false;
  std::vector<int> m_SelectedItems;  // in the order they were selected
  int m_LastItemSelected = -1;       // the anchor of range selections
  int m_iSelectedColumn = -1;        // cell-selection mode
  int m_nCheckedCount = 0;
  bool m_bNewItemsChecked = false;
  std::vector<section_t> m_vecSections;

  // ---- sort state (storage indices)
  int m_iSortColumn = -1;
  bool m_bSortAscending = true;
  int m_iSortColumnSecondary = -1;
  bool m_bSortAscendingSecondary = true;
  bool m_bNeedsSort = false;
  // ShowItem asked the host for a layout (and a repaint) that has not run yet.
  bool m_bLayoutAsked = false;

  // ---- settings
  bool m_bMultiselectEnabled = true;
  bool m_bCanSelectIndividualCells = false;
  bool m_bAllowUserAddDeleteColumns = false;
  bool m_bIgnoreDoubleClick = false;
  int m_iRowHeight = kDefaultRowHeight;
  ImageList *m_pImageList = nullptr;
  bool m_bDeleteImageListWhenDone = false;
  TextImage m_EmptyText;
  CTypingJumpHandler m_TypeAhead;

  // ---- parts
  ListPanelInterior *m_pInterior = nullptr;
  ScrollBar *m_pVertScrollBar = nullptr;
  ListPanelColumnSelectButton *m_pColumnSelectButton = nullptr;
  Menu *m_pColumnChoiceMenu = nullptr;

  // ---- scheme
  HFont m_hFont = INVALID_FONT;
  Color m_TextColor;
  Color m_DisabledTextColor;
  Color m_SelectionTextColor;
  Color m_DisabledSelectionTextColor;
  Color m_SelectionBgColor;
  Color m_SelectionOutOfFocusBgColor;
  Color m_BorderColor;
  Color m_FocusBorderColor;
};

}  // namespace kgui
