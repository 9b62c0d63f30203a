// Shared by the list suites: a list inside an owner that logs what the list tells it, rows made
// from a few fields, and clicks on rows and headers as the host would deliver them.
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kgui_controls/ListPanelDragger.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

namespace listtest {

// Logs the list's notifications and the keys it passes up.
class ListOwner : public kgui::EditablePanel {
  DECLARE_CLASS_SIMPLE(ListOwner, kgui::EditablePanel);

 public:
  ListOwner() : EditablePanel(nullptr, "Owner") {}
  std::vector<std::string> log;

  void OnItemSelected() { log.push_back("ItemSelected"); }
  void OnItemDeselected() { log.push_back("ItemDeselected"); }
  void OnOpenContextMenu(int itemID) { log.push_back("OpenContextMenu " + std::to_string(itemID)); }
  void OnItemsChecked(int count, int itemID) {
    log.push_back("ItemsChecked " + std::to_string(count) + " " + std::to_string(itemID));
  }

 protected:
  void OnKeyCodeTyped(kgui::KeyCode code) override { log.push_back("KeyCodeTyped " + std::to_string(code)); }
  void OnKeyTyped(int unichar) override { log.push_back("KeyTyped " + std::to_string(unichar)); }
};

BEGIN_MESSAGE_MAP(ListOwner, kgui::EditablePanel)
MESSAGE_ENTRY("ItemSelected", OnItemSelected)
MESSAGE_ENTRY("ItemDeselected", OnItemDeselected)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
MESSAGE_ENTRY("ItemsChecked", OnItemsChecked, "count", "itemid")
END_MESSAGE_MAP()

// One row of the test lists.
struct Row {
  const char *name;
  const char *map;
  int ping;
};

// A record as the server pages build them.
inline KeyValues *MakeRecord(const Row &row) {
  KeyValues *record = new KeyValues("Server");
  record->SetString("name", row.name);
  record->SetString("map", row.map);
  record->SetInt("ping", row.ping);
  return record;
}

}  // namespace listtest

class ListPanelTest : public ToolkitTest {
 protected:
  // The list's row area is 10 rows of 20 pixels tall.
  static constexpr int kListX = 10;
  static constexpr int kListY = 10;
  static constexpr int kListTall = 2 + kgui::ListPanel::kHeaderTall + 200;

  ListPanelTest() {
    m_pOwner = new listtest::ListOwner();
    m_pOwner->SetParent(Runtime().Desktop());
    m_pOwner->SetBounds(0, 0, 800, 600);
    m_pList = new kgui::ListPanel(m_pOwner, "List");
    m_pList->SetBounds(kListX, kListY, 602, kListTall);
    m_pList->AddActionSignalTarget(m_pOwner);
  }
  ~ListPanelTest() override { delete m_pOwner; }

  // Name, map and ping columns; typing searches the names.
  void AddStandardColumns() {
    m_pList->AddColumnHeader(0, "name", "Name", 200, kgui::ListPanel::ColumnTypeAhead);
    m_pList->AddColumnHeader(1, "map", "Map", 150);
    m_pList->AddColumnHeader(2, "ping", "Ping", 80);
  }
  std::vector<int> AddRows(const std::vector<listtest::Row> &rows) {
    std::vector<int> ids;
    for (const listtest::Row &row : rows) {
      KeyValuesAD record(listtest::MakeRecord(row));
      ids.push_back(m_pList->AddItem(record.get(), 0, false, false));
    }
    return ids;
  }
  // The log of the owner since the last call, after the queued messages are delivered.
  std::vector<std::string> Delivered() {
    Runtime().DeliverMessages();
    std::vector<std::string> log;
    log.swap(m_pOwner->log);
    return log;
  }
  // One host frame: messages, then the layout pass (which sorts when asked to).
  void Layout() { Runtime().RunFrame(); }
  // The cells of a column in display order.
  std::vector<std::string> ColumnTexts(int col) {
    std::vector<std::string> texts;
    for (int row = 0; row < m_pList->GetVisibleItemCount(); ++row)
      texts.push_back(m_pList->GetCellText(m_pList->GetItemIDAtRow(row), col));
    return texts;
  }
  std::vector<int> Selected() {
    std::vector<int> ids;
    for (int i = 0; i < m_pList->GetSelectionCount(); ++i) ids.push_back(m_pList->GetSelectedItemID(i));
    return ids;
  }
  // Screen point in the middle of a display row (which must be in view), in the first column.
  void RowPoint(int row, int &x, int &y) {
    x = kListX + 1 + 20;
    y = kListY + 1 + kgui::ListPanel::kHeaderTall + row * m_pList->GetRowHeight() -
        m_pList->GetScrollOffset() + m_pList->GetRowHeight() / 2;
  }
  void ClickRow(int row, kgui::MouseCode code = kgui::MOUSE_LEFT, bool control = false, bool shift = false) {
    int x = 0, y = 0;
    RowPoint(row, x, y);
    Runtime().SetKeyDown(kgui::KEY_LCONTROL, control);
    Runtime().SetKeyDown(kgui::KEY_LSHIFT, shift);
    Runtime().ClickAt(x, y, code);
    Runtime().SetKeyDown(kgui::KEY_LCONTROL, false);
    Runtime().SetKeyDown(kgui::KEY_LSHIFT, false);
  }
  // Lays the headers out, then clicks one and delivers what it posted.
  void ClickHeader(int col) {
    Layout();
    Runtime().Click(m_pList->GetColumnHeader(col));
    Runtime().DeliverMessages();
  }
  void TypeKey(kgui::KeyCode code) { Runtime().PressKey(code); }

  listtest::ListOwner *m_pOwner;
  kgui::ListPanel *m_pList;
};
