// The list demo window.
#include "listdemo_frame.h"

#include <cstdio>

#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "tier1/KeyValues.h"

namespace listdemo {

BEGIN_MESSAGE_MAP(CListDemoFrame, kgui::Frame)
MESSAGE_ENTRY("ItemSelected", OnItemSelected)
MESSAGE_ENTRY("ItemDeselected", OnItemDeselected)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
END_MESSAGE_MAP()

namespace {

// Invented names; no word begins with "q", so "The Quarry Lodge" is the one row typing "qu" finds.
const char *const kFirstWords[] = {"Amber", "Basalt", "Cinder",  "Dune",    "Ember",  "Fjord", "Glacier",
                                   "Heron", "Iris",   "Juniper", "Kestrel", "Lagoon", "Mesa",  "Nimbus",
                                   "Opal",  "Pine",   "Rowan",   "Sable",   "Tundra", "Umber", "Vale"};
const char *const kSecondWords[] = {"Ridge", "Harbor", "Outpost", "Station", "Keep", "Hollow", "Crossing"};
const char *const kMaps[] = {"ashfall", "brinewood", "coldforge", "driftmoor", "eastreach", "frostvein"};

}  // namespace

CListDemoFrame::CListDemoFrame() : Frame(nullptr, "ListDemo") {
  SetTransitionEffectTime(0.0f);
  SetTitle("Invented servers");
  LoadControlSettings("listdemo/ListDemo.res");
  m_pList = dynamic_cast<kgui::ListPanel *>(FindChildByName("Servers"));
  m_pStatus = dynamic_cast<kgui::Label *>(FindChildByName("Status"));
  if (!m_pList) return;
  AddColumns();
  AddServers();
  m_pList->SetEmptyText("No servers");
  // The sort columns and hidden columns of the last run come back.
  LoadUserConfig("ListDemo");
}

void CListDemoFrame::AddColumns() {
  m_pList->AddColumnHeader(0, "name", "Name", 320, kgui::ListPanel::ColumnTypeAhead);
  m_pList->AddColumnHeader(1, "map", "Map", 180);
  m_pList->AddColumnHeader(2, "players", "Players", 100, kgui::ListPanel::ColumnDescendingFirst);
  m_pList->AddColumnHeader(3, "ping", "Ping", 80);
  m_pList->AllowColumnChoice(true);
  m_pList->SortByColumn(3, true);
}

void CListDemoFrame::AddServers() {
  for (int i = 0; i < kServerCount; ++i) {
    char name[64];
    if (i == 137)
      snprintf(name, sizeof(name), "The Quarry Lodge");
    else
      snprintf(name, sizeof(name), "%s %s %03d", kFirstWords[(i * 5) % std::size(kFirstWords)],
               kSecondWords[(i * 3) % std::size(kSecondWords)], i);
    KeyValuesAD record(new KeyValues("Server"));
    record->SetString("name", name);
    record->SetString("map", kMaps[(i * 5) % std::size(kMaps)]);
    record->SetInt("players", (i * 13) % 33);
    record->SetInt("ping", 5 + (i * 37) % 250);
    m_pList->AddItem(record.get(), static_cast<unsigned int>(i), false, true);
  }
}

std::string CListDemoFrame::NameOf(int itemID) {
  KeyValues *record = m_pList->GetItemData(itemID);
  return record ? record->GetString("name") : "";
}

void CListDemoFrame::OnOpenContextMenu(int itemID) {
  Record("OpenContextMenu " + std::to_string(itemID) + " " + NameOf(itemID));
}

void CListDemoFrame::OnKeyCodeTyped(kgui::KeyCode code) {
  // Enter (a double click in the list) acts on the first selected row.
  if (code == kgui::KEY_ENTER && m_pList) {
    Record("Enter " + NameOf(m_pList->GetSelectedItemID(0)));
    return;
  }
  BaseClass::OnKeyCodeTyped(code);
}

void CListDemoFrame::Record(const std::string &entry) {
  m_Received.push_back(entry);
  if (m_pStatus) m_pStatus->SetText(entry.c_str());
}

void CListDemoFrame::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  KeyValues *received = panelBlock->FindKey("received", true);
  int index = 0;
  for (const std::string &entry : m_Received)
    received->SetString(std::to_string(++index).c_str(), entry.c_str());
}

}  // namespace listdemo
