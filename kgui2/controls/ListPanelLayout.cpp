// ListPanel: row positions and scrolling, column widths, the layout pass, painting the rows in
// view and the state dump.
#include <algorithm>
#include <cstdio>

#include "DefaultTheme.h"
#include "ListPanelRowValues.h"
#include "kgui/IImage.h"
#include "kgui_controls/ImageList.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kgui_controls/ListPanelColumnSelectButton.h"
#include "kgui_controls/ListPanelDragger.h"
#include "kgui_controls/ListPanelInterior.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/controls.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

// Distance of cell text from the cell's left edge.
constexpr int kCellTextInset = 4;
constexpr int kBorder = 1;
constexpr int kSpreadPasses = 3;

}  // namespace

// ---- row positions

void ListPanel::EnsureRowPositions() {
  if (!m_bRowPositionsStale && m_vecVisibleItemsYPos.size() == VisibleItems().size()) return;
  AssertMsg(m_bRowPositionsStale,
            "Assertion Failed: m_VisibleItems.Count() == m_vecVisibleItemsYPos.Count()");
  RecomputeRowPositions();
}

void ListPanel::RecomputeRowPositions() {
  const std::vector<int> &visibleItems = VisibleItems();
  m_vecVisibleItemsYPos.resize(visibleItems.size());
  // Only rows of a collapsed section differ in height: without one, no row needs to be looked at.
  const bool anyCollapsed = std::any_of(m_vecSections.begin(), m_vecSections.end(),
                                        [](const section_t &section) { return section.m_bCollapsed; });
  int y = 0;
  for (size_t row = 0; row < visibleItems.size(); ++row) {
    m_vecVisibleItemsYPos[row] = y;
    y += anyCollapsed ? RowHeightOf(static_cast<int>(row)) : m_iRowHeight;
  }
  m_nContentTall = y;
  m_bRowPositionsStale = false;
  UpdateScrollBar();
}

int ListPanel::RowHeightOf(int row) {
  return IsSectionCollapsed(m_DataItems[VisibleItems()[row]].m_nSectionID) ? 0 : m_iRowHeight;
}

int ListPanel::RowTop(int row) {
  return m_vecVisibleItemsYPos[row];
}

int ListPanel::RowAtContentY(int y) {
  auto it = std::upper_bound(m_vecVisibleItemsYPos.begin(), m_vecVisibleItemsYPos.end(), y);
  const int row = static_cast<int>(it - m_vecVisibleItemsYPos.begin()) - 1;
  if (row < 0 || y >= RowTop(row) + RowHeightOf(row)) return -1;
  return row;
}

void ListPanel::SetRowHeight(int rowHeight) {
  m_iRowHeight = std::max(1, rowHeight);
  m_pVertScrollBar->SetButtonPressedScrollValue(m_iRowHeight);
  m_bRowPositionsStale = true;
  InvalidateLayout();
  Repaint();
}

// ---- scrolling

int ListPanel::InteriorTall() {
  return std::max(0, GetTall() - 2 * kBorder - kHeaderTall);
}

int ListPanel::ColumnAreaWide() {
  const bool rightStrip = m_pVertScrollBar->IsVisible() || m_bAllowUserAddDeleteColumns;
  return std::max(0, GetWide() - 2 * kBorder - (rightStrip ? theme::kScrollBarWidth : 0));
}

void ListPanel::UpdateScrollBar() {
  const bool needed = m_nContentTall > InteriorTall();
  if (needed != m_pVertScrollBar->IsVisible()) {
    m_pVertScrollBar->SetVisible(needed);
    InvalidateLayout();
  }
  m_pVertScrollBar->SetRange(0, m_nContentTall);
  m_pVertScrollBar->SetRangeWindow(InteriorTall());
}

int ListPanel::GetScrollOffset() {
  return m_pVertScrollBar->GetValue();
}

void ListPanel::SetScrollOffset(int offset) {
  UpdateScrollBar();
  m_pVertScrollBar->SetValue(offset);
  Repaint();
}

void ListPanel::OnSliderMoved() {
  m_pInterior->Repaint();
  Repaint();
}

void ListPanel::ScrollToRow(int row) {
  EnsureRowPositions();
  if (row < 0 || row >= GetVisibleItemCount()) return;
  const int top = RowTop(row);
  const int bottom = top + RowHeightOf(row);
  const int offset = GetScrollOffset();
  if (top < offset)
    SetScrollOffset(top);
  else if (bottom > offset + InteriorTall())
    SetScrollOffset(bottom - InteriorTall());
}

void ListPanel::ScrollToItem(int itemID) {
  ScrollToRow(GetRowOfItem(itemID));
}

// ---- column widths

HFont ListPanel::CellFont() {
  if (m_hFont == INVALID_FONT) m_hFont = GetSchemeFont(GetSchemeInterface(), "Default");
  return m_hFont;
}

int ListPanel::MeasureColumnContents(int storageIndex, int &contentWidth) {
  column_t &column = m_ColumnsData[storageIndex];
  int widest = 0;
  const int rows = std::min(GetVisibleItemCount(), kMaxRowsMeasured);
  for (int row = 0; row < rows; ++row) {
    const ListPanelItem &item = m_DataItems[VisibleItems()[row]];
    int wide = 0, tall = 0;
    if (column.m_iFlags & ColumnImage) {
      if (m_pImageList) m_pImageList->GetImage(CellImageIndex(item, column))->GetContentSize(wide, tall);
    } else if (column.m_iFlags & ColumnCheckable) {
      wide = theme::kCheckBoxSize;
    } else {
      const std::u16string text = CellText(item, column);
      wide = TextImage::MeasureText(CellFont(), text.c_str(), static_cast<int>(text.size())) +
             2 * kCellTextInset;
    }
    widest = std::max(widest, wide);
  }
  const int cell = widest + 2;
  const int header = column.m_pHeader->GetHeaderContentWide();
  contentWidth = std::min(cell, header) + 2;
  return std::max(cell, header) + 2;
}

void ListPanel::ResizeColumn(int storageIndex, int newWidth) {
  column_t &column = m_ColumnsData[storageIndex];
  // The columns to the right keep at least their minimum widths inside the list.
  int left = 0, rightMinimum = 0;
  bool right = false;
  for (int index : m_CurrentColumns) {
    const column_t &other = m_ColumnsData[index];
    if (index == storageIndex)
      right = true;
    else if (other.m_bHidden)
      continue;
    else if (right)
      rightMinimum += other.m_iMinWidth;
    else
      left += other.m_iWidth;
  }
  newWidth = std::min(newWidth, ColumnAreaWide() - left - rightMinimum);
  column.m_iWidth = std::clamp(newWidth, column.m_iMinWidth, column.m_iMaxWidth);
  InvalidateLayout();
  Repaint();
}

void ListPanel::OnColumnResized(int column, int delta) {
  const column_t *resized = ColumnAt(column);
  if (!resized || !IsColumnResizable(*resized)) return;
  m_iLastUserResizedColumn = m_CurrentColumns[column];
  ResizeColumn(m_CurrentColumns[column], resized->m_iWidth + delta);
}

void ListPanel::OnResizeColumnToContents(int column) {
  column_t *measured = ColumnAt(column);
  if (!measured) return;
  measured->m_iPreferredWidth = MeasureColumnContents(m_CurrentColumns[column], measured->m_iContentWidth);
  OnColumnResized(column, measured->m_iPreferredWidth - measured->m_iWidth);
}

bool ListPanel::IsSpreadCandidate(const column_t &column, int difference, int pass) const {
  if (column.m_bHidden || (column.m_iFlags & (ColumnFixedWidth | ColumnImage | ColumnCustomPanel)))
    return false;
  if (difference > 0) {
    // Growing: the columns that follow the window first, then the ones short of what they
    // show, then any.
    if (pass == 0) return column.m_bResizesWithWindow;
    if (pass == 1) return column.m_bResizesWithWindow || column.m_iWidth < column.m_iPreferredWidth;
    return true;
  }
  if (pass == 0) return column.m_bResizesWithWindow || column.m_iWidth > column.m_iPreferredWidth;
  if (pass == 1)
    return column.m_bResizesWithWindow || column.m_iWidth > column.m_iPreferredWidth ||
           column.m_iWidth > column.m_iContentWidth;
  return true;
}

bool ListPanel::SpreadPass(int &difference, int pass) {
  bool changed = false;
  // Only columns to the right of the one the user last resized give or take width.
  bool eligible = m_iLastUserResizedColumn < 0;
  for (int index : m_CurrentColumns) {
    if (index == m_iLastUserResizedColumn) {
      eligible = true;
      continue;
    }
    column_t &column = m_ColumnsData[index];
    if (!eligible || !IsSpreadCandidate(column, difference, pass)) continue;
    if (difference > 0 && column.m_iWidth < column.m_iMaxWidth) {
      ++column.m_iWidth;
      --difference;
      changed = true;
    } else if (difference < 0 && column.m_iWidth > column.m_iMinWidth) {
      --column.m_iWidth;
      ++difference;
      changed = true;
    }
    if (difference == 0) break;
  }
  return changed;
}

void ListPanel::SpreadColumnWidths() {
  int total = 0;
  for (const column_t &column : m_ColumnsData) total += column.m_bHidden ? 0 : column.m_iWidth;
  int difference = ColumnAreaWide() - total;
  for (int pass = 0; pass < kSpreadPasses && difference != 0; ++pass) {
    while (difference != 0 && SpreadPass(difference, pass)) {
    }
  }
}

void ListPanel::PlaceHeaders() {
  int x = 0;
  for (int index : m_CurrentColumns) {
    column_t &column = m_ColumnsData[index];
    if (column.m_bHidden) continue;
    column.m_iX = x;
    column.m_pHeader->SetBounds(kBorder + x, kBorder, column.m_iWidth, kHeaderTall);
    column.m_pResizer->SetBounds(kBorder + x + column.m_iWidth - ListPanelDragger::kWide / 2, kBorder,
                                 ListPanelDragger::kWide, kHeaderTall);
    // Handles sit above the headers they overlap.
    column.m_pResizer->MoveToFront();
    x += column.m_iWidth;
  }
}

// ---- the layout pass

void ListPanel::PerformLayout() {
  m_bLayoutAsked = false;
  if (m_bNeedsSort) SortList();
  EnsureRowPositions();
  UpdateScrollBar();
  SpreadColumnWidths();
  PlaceHeaders();
  const int tall = InteriorTall();
  const int stripX = GetWide() - kBorder - theme::kScrollBarWidth;
  m_pInterior->SetBounds(kBorder, kBorder + kHeaderTall, ColumnAreaWide(), tall);
  m_pVertScrollBar->SetBounds(stripX, kBorder + kHeaderTall, theme::kScrollBarWidth, tall);
  m_pColumnSelectButton->SetBounds(stripX, kBorder, theme::kScrollBarWidth, kHeaderTall);
  Repaint();
}

// ---- painting

void ListPanel::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("ListPanel.BgColor", theme::kEntryBg, schemeInterface));
  m_TextColor = GetSchemeColor("ListPanel.TextColor", theme::kText, schemeInterface);
  m_DisabledTextColor = GetSchemeColor("ListPanel.DisabledTextColor", theme::kTextDisabled, schemeInterface);
  m_SelectionTextColor =
      GetSchemeColor("ListPanel.SelectedTextColor", theme::kSelectionText, schemeInterface);
  m_DisabledSelectionTextColor =
      GetSchemeColor("ListPanel.DisabledSelectedTextColor", theme::kTextDull, schemeInterface);
  m_SelectionBgColor = GetSchemeColor("ListPanel.SelectedBgColor", theme::kSelectionBg, schemeInterface);
  m_SelectionOutOfFocusBgColor =
      GetSchemeColor("ListPanel.SelectedOutOfFocusBgColor", theme::kAccentDark, schemeInterface);
  m_BorderColor = GetSchemeColor("ListPanel.BorderColor", theme::kEntryBorder, schemeInterface);
  m_FocusBorderColor =
      GetSchemeColor("ListPanel.FocusBorderColor", theme::kEntryFocusBorder, schemeInterface);
  m_hFont = GetSchemeFont(schemeInterface, "Default");
  m_EmptyText.SetFont(m_hFont);
}

void ListPanel::PaintBackground() {
  surface()->DrawSetColor(Faded(GetBgColor()));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void ListPanel::PaintBorder() {
  surface()->DrawSetColor(Faded(HasFocus() ? m_FocusBorderColor : m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

void ListPanel::PaintRows(int wide, int tall) {
  EnsureRowPositions();
  if (VisibleItems().empty()) {
    PaintEmptyText(wide, tall);
    return;
  }
  // Only the rows in view: found by position, not by walking the list.
  const int offset = GetScrollOffset();
  auto first = std::upper_bound(m_vecVisibleItemsYPos.begin(), m_vecVisibleItemsYPos.end(), offset);
  const int count = GetVisibleItemCount();
  surface()->DrawSetTextFont(CellFont());
  for (int row = std::max(0, static_cast<int>(first - m_vecVisibleItemsYPos.begin()) - 1); row < count;
       ++row) {
    const int y = RowTop(row) - offset;
    if (y >= tall) break;
    if (RowHeightOf(row) > 0) PaintRow(row, y, wide);
  }
}

void ListPanel::PaintRow(int row, int y, int wide) {
  const ListPanelItem &item = m_DataItems[VisibleItems()[row]];
  const bool selected = item.m_bSelected;
  const Color selectionBg = Faded(HasFocus() ? m_SelectionBgColor : m_SelectionOutOfFocusBgColor);
  if (selected && !m_bCanSelectIndividualCells) {
    surface()->DrawSetColor(selectionBg);
    surface()->DrawFilledRect(0, y, wide, y + m_iRowHeight);
  }
  const bool rowHighlighted = selected && !m_bCanSelectIndividualCells;
  Color textColor = rowHighlighted ? m_SelectionTextColor : m_TextColor;
  if (item.m_bDisabled) textColor = rowHighlighted ? m_DisabledSelectionTextColor : m_DisabledTextColor;
  for (int col = 0; col < GetColumnCount(); ++col) {
    const column_t &column = *ColumnAt(col);
    if (column.m_bHidden || column.m_iX >= wide) continue;
    Color cellColor = textColor;
    if (selected && m_bCanSelectIndividualCells && col == m_iSelectedColumn) {
      surface()->DrawSetColor(selectionBg);
      surface()->DrawFilledRect(column.m_iX, y, column.m_iX + column.m_iWidth, y + m_iRowHeight);
      cellColor = m_SelectionTextColor;
    }
    PaintCell(item, column, column.m_iX, y, Faded(cellColor));
  }
}

void ListPanel::PaintCell(const ListPanelItem &item, const column_t &column, int x, int y, Color textColor) {
  if (column.m_iFlags & ColumnImage) {
    IImage *image = m_pImageList ? m_pImageList->GetImage(CellImageIndex(item, column)) : nullptr;
    // Rows with images of their own show those over the list's image.
    IImage *own = (column.m_iFlags & ColumnItemImage) ? item.m_pIcon : nullptr;
    if (!own && (column.m_iFlags & ColumnItemImageAlt)) own = item.m_pIconAlt;
    for (IImage *shown : {image, own}) {
      if (!shown) continue;
      int wide = 0, tall = 0;
      shown->GetContentSize(wide, tall);
      shown->SetSize(wide, tall);
      shown->SetPos(x + (column.m_iWidth - wide) / 2, y + (m_iRowHeight - tall) / 2);
      shown->SetColor(Faded(Color(255, 255, 255, 255)));
      shown->Paint();
    }
    return;
  }
  if (column.m_iFlags & ColumnCheckable) {
    PaintCheckBox(item.m_bChecked, x + (column.m_iWidth - theme::kCheckBoxSize) / 2, y, textColor);
    return;
  }
  // Cells of custom-panel columns show their panels, not text.
  if (!column.m_bTypeIsText) return;
  const std::u16string text = CellDrawnText(item, column);
  if (text.empty()) return;
  surface()->DrawSetClipRect(x, y, x + column.m_iWidth - 1, y + m_iRowHeight);
  surface()->DrawSetTextColor(textColor);
  surface()->DrawSetTextPos(x + kCellTextInset, y + (m_iRowHeight - surface()->GetFontTall(CellFont())) / 2);
  surface()->DrawPrintText(text.c_str(), static_cast<int>(text.size()));
  surface()->DrawClearClipRect();
}

void ListPanel::PaintCheckBox(bool checked, int x, int y, Color color) {
  const int size = theme::kCheckBoxSize;
  const int top = y + (m_iRowHeight - size) / 2;
  surface()->DrawSetColor(color);
  surface()->DrawOutlinedRect(x, top, x + size, top + size);
  if (checked) surface()->DrawFilledRect(x + 3, top + 3, x + size - 3, top + size - 3);
}

void ListPanel::PaintEmptyText(int wide, int tall) {
  if (m_EmptyText.GetText().empty()) return;
  m_EmptyText.SetFont(CellFont());
  m_EmptyText.SetSize(wide - 2 * kCellTextInset, tall);
  m_EmptyText.SetPos(kCellTextInset, kCellTextInset);
  m_EmptyText.Paint(Faded(m_TextColor));
}

void ListPanel::SetEmptyText(const char *text) {
  m_EmptyText.SetText(text);
  Repaint();
}

void ListPanel::SetEmptyText(const char16_t *text) {
  m_EmptyText.SetText(text);
  Repaint();
}

// ---- cell contents

int ListPanel::CellImageIndex(const ListPanelItem &item, const column_t &column) {
  ListPanelValue value;
  return ListPanelValue::Find(item, column.m_NameSymbol, value) ? value.ReadInt() : 0;
}

std::u16string ListPanel::CellText(const ListPanelItem &item, const column_t &column) {
  ListPanelValue value;
  if (!ListPanelValue::Find(item, column.m_NameSymbol, value)) return std::u16string();
  char number[64];
  switch (value.type) {
    case KeyValues::TYPE_STRING:
      return Utf8ToWide(value.text);
    case KeyValues::TYPE_WSTRING:
      return value.wide;
    case KeyValues::TYPE_INT:
      snprintf(number, sizeof(number), "%d", value.Int());
      return Utf8ToWide(number);
    case KeyValues::TYPE_FLOAT:
      snprintf(number, sizeof(number), "%f", static_cast<double>(value.Float()));
      return Utf8ToWide(number);
    case KeyValues::TYPE_UINT64:
      snprintf(number, sizeof(number), "%llu", static_cast<unsigned long long>(value.word));
      return Utf8ToWide(number);
    case KeyValues::TYPE_INT64:
      // Reading converts the node in place; a copy keeps the record as it is.
      return Utf8ToWide(value.ConvertedText().c_str());
    default:
      return std::u16string();
  }
}

std::u16string ListPanel::CellDrawnText(const ListPanelItem &item, const column_t &column) {
  // From the text's inset to the cell's clip edge: text that was wholly visible stays whole.
  return TextImage::FitText(CellFont(), CellText(item, column), column.m_iWidth - kCellTextInset - 1);
}

std::string ListPanel::GetCellText(int itemID, int col) {
  const ListPanelItem *item = ItemAt(itemID);
  const column_t *column = ColumnAt(col);
  if (!item || !column) return std::string();
  if (column->m_iFlags & ColumnImage) return std::to_string(CellImageIndex(*item, *column));
  if (column->m_iFlags & ColumnCheckable) return item->m_bChecked ? "1" : "0";
  return WideToUtf8(CellText(*item, *column));
}

std::string ListPanel::GetCellDrawnText(int itemID, int col) {
  const ListPanelItem *item = ItemAt(itemID);
  const column_t *column = ColumnAt(col);
  if (!item || !column) return std::string();
  if ((column->m_iFlags & (ColumnImage | ColumnCheckable)) || !column->m_bTypeIsText)
    return GetCellText(itemID, col);
  return WideToUtf8(CellDrawnText(*item, *column));
}

// ---- the state dump

void ListPanel::DescribeColumns(KeyValues *panelBlock) {
  KeyValues *columns = panelBlock->FindKey("Columns", true);
  for (int col = 0; col < GetColumnCount(); ++col) {
    const column_t &column = *ColumnAt(col);
    KeyValues *block = columns->CreateKey("Column");
    block->SetString("name", column.m_Name.c_str());
    // A header showing an image keeps its text in the dump, as given.
    ListPanelColumnHeader *header = column.m_pHeader;
    block->SetString("header",
                     header->GetIconImage() ? header->GetText().c_str() : header->GetDrawnText().c_str());
    block->SetInt("shown", column.m_bHidden ? 0 : 1);
    int x = 0, y = 0, wide = 0, tall = 0;
    if (header->GetSortArrow() != ListPanelColumnHeader::ARROW_NONE &&
        header->GetSortArrowBounds(x, y, wide, tall))
      block->SetString("sortarrow",
                       header->GetSortArrow() == ListPanelColumnHeader::ARROW_UP ? "up" : "down");
  }
}

void ListPanel::DescribeRows(KeyValues *panelBlock) {
  KeyValues *rows = panelBlock->FindKey("Rows", true);
  // Each row is linked after the one before; only the first goes through the block, which walks
  // its list to find the end (CreateKey for every row made the dump of a long list quadratic).
  KeyValues *last = nullptr;
  for (int itemID : VisibleItems()) {
    auto *row = new KeyValues("Row");
    row->UsesEscapeSequences(rows->UsesEscapeSequences());
    if (last)
      last->SetNextKey(row);
    else
      rows->AddSubKey(row);
    last = row;
    for (int col = 0; col < GetColumnCount(); ++col) {
      const column_t &column = *ColumnAt(col);
      if (column.m_bHidden) continue;
      if (column.m_iFlags & ColumnImage)
        row->SetInt(column.m_Name.c_str(), CellImageIndex(m_DataItems[itemID], column));
      else
        row->SetString(column.m_Name.c_str(), GetCellDrawnText(itemID, col).c_str());
    }
    if (m_DataItems[itemID].m_bSelected) row->SetInt("selected", 1);
  }
}

void ListPanel::Describe(KeyValues *panelBlock) {
  DescribeColumns(panelBlock);
  DescribeRows(panelBlock);
  if (VisibleItems().empty() && !m_EmptyText.GetText().empty())
    panelBlock->SetString("emptytext", m_EmptyText.GetTextUtf8().c_str());
}

}  // namespace kgui
