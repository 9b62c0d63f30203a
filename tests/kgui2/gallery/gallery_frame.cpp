// The control gallery window.
#include "gallery_frame.h"

#include <cstring>

#include "kgui_controls/CTreeViewListControl.h"
#include "kgui_controls/ComboBox.h"
#include "kgui_controls/GraphPanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListViewPanel.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuBar.h"
#include "kgui_controls/MenuButton.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/PropertyPage.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/QueryBox.h"
#include "kgui_controls/RichText.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/ToolWindow.h"
#include "kgui_controls/TreeView.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace gallery {

using kgui::Panel;

BEGIN_MESSAGE_MAP(CGalleryFrame, kgui::Frame)
MESSAGE_ENTRY("PlainPressed", OnPlainPressed)
MESSAGE_ENTRY("DefaultPressed", OnDefaultPressed)
MESSAGE_ENTRY("TextChanged", OnTextChanged, "panel", "text")
MESSAGE_ENTRY("ButtonToggled", OnButtonToggled, "panel", "state")
MESSAGE_ENTRY("RadioButtonChecked", OnRadioButtonChecked, "panel", "tabposition")
MESSAGE_ENTRY("PageChanged", OnPageChanged, "panel")
MESSAGE_ENTRY("QueryAnswered", OnQueryAnswered)
END_MESSAGE_MAP()

namespace {

template <class T>
T *Find(Panel *root, const char *name) {
  return dynamic_cast<T *>(root->FindChildByName(name, true));
}

}  // namespace

CGalleryFrame::CGalleryFrame() : Frame(nullptr, "Gallery") {
  LoadControlSettings("gallery/ControlGallery.res");
  BuildMenus();
  BuildSheet();
  FillControls();
}

Panel *CGalleryFrame::CreateControlByName(const char *controlName) {
  // The tab sheet is not among the registered classes: the gallery makes it itself.
  if (!V_stricmp(controlName, "PropertySheet")) return new kgui::PropertySheet(nullptr, nullptr);
  return BaseClass::CreateControlByName(controlName);
}

void CGalleryFrame::BuildMenus() {
  auto *bar = Find<kgui::MenuBar>(this, "MenuBar");
  if (!bar) return;
  auto *fileButton = new kgui::MenuButton(this, "FileMenuButton", "#Gallery_File");
  auto *fileMenu = new kgui::Menu(fileButton, "FileMenu");
  fileMenu->AddMenuItem("Open", "#Gallery_Open", "MenuOpen", this);
  fileMenu->AddMenuItem("Save", "#Gallery_Save", "MenuSave", this);
  fileMenu->AddSeparator();
  fileMenu->AddMenuItem("Quit", "#Gallery_Quit", "MenuQuit", this);
  fileMenu->SetItemEnabled(3, false);
  fileButton->SetMenu(fileMenu);
  bar->AddButton(fileButton);

  auto *viewButton = new kgui::MenuButton(this, "ViewMenuButton", "#Gallery_View");
  auto *viewMenu = new kgui::Menu(viewButton, "ViewMenu");
  const int grid = viewMenu->AddCheckableMenuItem("Grid", "#Gallery_ShowGrid",
                                                  new KeyValues("Command", "command", "ToggleGrid"), this);
  viewMenu->GetMenuItem(grid)->SetChecked(true);
  viewMenu->AddCheckableMenuItem("Rulers", "#Gallery_ShowRulers",
                                 new KeyValues("Command", "command", "ToggleRulers"), this);
  viewButton->SetMenu(viewMenu);
  bar->AddButton(viewButton);

  m_pContextMenu = new kgui::Menu(this, "ContextMenu");
  m_pContextMenu->AddMenuItem("Refresh", "#Gallery_Refresh", "ContextRefresh", this);
  m_pContextMenu->AddMenuItem("Details", "#Gallery_Details", "ContextDetails", this);
  m_pContextMenu->AddSeparator();
  const int disabled = m_pContextMenu->AddMenuItem("Remove", "#Gallery_Remove", "ContextRemove", this);
  m_pContextMenu->SetItemEnabled(disabled, false);
}

void CGalleryFrame::BuildSheet() {
  auto *sheet = Find<kgui::PropertySheet>(this, "Sheet");
  if (!sheet) return;
  sheet->SetTabWidth(96);
  auto *general = new kgui::PropertyPage(sheet, "GeneralPage");
  general->LoadControlSettings("gallery/GalleryPageGeneral.res");
  sheet->AddPage(general, "#Gallery_GeneralTab");
  auto *advanced = new kgui::PropertyPage(sheet, "AdvancedPage");
  advanced->LoadControlSettings("gallery/GalleryPageAdvanced.res");
  sheet->AddPage(advanced, "#Gallery_AdvancedTab");
  auto *about = new kgui::PropertyPage(sheet, "AboutPage");
  about->LoadControlSettings("gallery/GalleryPageAbout.res");
  sheet->AddPage(about, "#Gallery_AboutTab");
  sheet->AddActionSignalTarget(this);
  // The pages handle no commands of their own: their controls tell the window.
  for (kgui::PropertyPage *page : {general, advanced, about}) {
    for (Panel *control : page->GetBuildGroup()->GetPanels()) {
      if (control != page) control->AddActionSignalTarget(this);
    }
  }
}

void CGalleryFrame::FillControls() {
  if (auto *entry = Find<kgui::TextEntry>(this, "PasswordEntry")) entry->SetText("letmein");
  if (auto *entry = Find<kgui::TextEntry>(this, "PortEntry")) entry->SetText("27015");
  if (auto *entry = Find<kgui::TextEntry>(this, "DisabledEntry")) entry->SetText("Read only");
  if (auto *combo = Find<kgui::ComboBox>(this, "GameCombo")) {
    const char *games[] = {"Ashfall Arena", "Tidebreaker", "Copperline Rally", "Hollow Crown", "Quarry Tag"};
    for (const char *game : games) {
      KeyValuesAD data(new KeyValues("game", "name", game));
      combo->AddItem(game, data.get());
    }
    combo->ActivateItem(1);
  }
  if (auto *combo = Find<kgui::ComboBox>(this, "MapCombo")) {
    for (const char *map : {"lighthouse_keep", "saltmarsh", "ridge_02"}) combo->AddItem(map, nullptr);
    combo->SetText("saltmarsh");
  }
  if (auto *notes = Find<kgui::RichText>(this, "Notes")) {
    notes->InsertString("Servers answered: 128 of 140.\n");
    notes->InsertColorChange(Color(232, 168, 56, 255));
    notes->InsertString("Three servers asked for a password.\n");
    notes->InsertColorChange(Color(216, 222, 230, 255));
    notes->InsertString(
        "The list refreshes every few minutes; select a row and press Connect to join, or "
        "open its details to see the players and the rules of the server.");
  }
  if (auto *graph = Find<kgui::GraphPanel>(this, "Graph")) {
    const float pings[] = {42, 48, 45, 60, 72, 66, 51, 49, 47, 58, 80, 76, 61, 55, 52, 50, 64, 70, 68, 59,
                           54, 49, 45, 44, 52, 61, 57, 53, 50, 48, 46, 51, 56, 62, 67, 63, 58, 54, 50, 47};
    graph->SetDisplayedValueRange(0, 100);
    for (float ping : pings) graph->AddDataPoint(ping);
  }
  if (auto *list = Find<kgui::ListViewPanel>(this, "ListView")) {
    for (const char *name : {"Harbor Lights #1", "Midnight Quarry", "Rusty Anchor", "Pine Ridge 24/7"}) {
      KeyValuesAD data(new KeyValues("server", "text", name));
      list->AddItem(data.get());
    }
    list->SetSelectedItem(1);
  }
  if (auto *control = Find<kgui::CTreeViewListControl>(this, "Tree")) {
    kgui::TreeView *tree = control->GetTreeView();
    KeyValuesAD root(new KeyValues("node", "Text", "Ashfall Arena"));
    const int arena = tree->AddItem(root.get(), -1);
    for (const char *mode : {"Capture", "Skirmish"}) {
      KeyValuesAD child(new KeyValues("node", "Text", mode));
      tree->AddItem(child.get(), arena);
    }
    KeyValuesAD second(new KeyValues("node", "Text", "Tidebreaker"));
    const int tide = tree->AddItem(second.get(), -1);
    KeyValuesAD leaf(new KeyValues("node", "Text", "Harbor"));
    tree->AddItem(leaf.get(), tide);
    tree->ExpandItem(arena, true);
    tree->SetSelectedItem(arena + 1);
  }
  if (auto *bar = Find<kgui::ScrollBar>(this, "HScroll")) {
    bar->SetRange(0, 100);
    bar->SetRangeWindow(25);
    bar->SetValue(30);
  }
  if (auto *bar = Find<kgui::ScrollBar>(this, "VScroll")) {
    bar->SetRange(0, 100);
    bar->SetRangeWindow(40);
    bar->SetValue(10);
  }
}

void CGalleryFrame::OnThink() {
  BaseClass::OnThink();
  m_bRecording = true;
}

void CGalleryFrame::Record(const std::string &entry) {
  if (!m_bRecording) return;
  m_Received.push_back(entry);
  if (auto *status = Find<kgui::Label>(this, "Status")) status->SetText(("Last message: " + entry).c_str());
}

void CGalleryFrame::OnTextChanged(Panel *panel, const char *text) {
  Record(std::string("TextChanged ") + (panel ? panel->GetName() : "?") +
         (*text ? std::string(" ") + text : ""));
}

void CGalleryFrame::OnButtonToggled(Panel *panel, int state) {
  Record(std::string("ButtonToggled ") + (panel ? panel->GetName() : "?") + " " + std::to_string(state));
}

void CGalleryFrame::OnRadioButtonChecked(Panel *panel, int tabPosition) {
  Record(std::string("RadioButtonChecked ") + (panel ? panel->GetName() : "?") + " " +
         std::to_string(tabPosition));
}

void CGalleryFrame::OnPageChanged(Panel *panel) {
  auto *sheet = dynamic_cast<kgui::PropertySheet *>(panel);
  Panel *page = sheet ? sheet->GetActivePage() : nullptr;
  Record(std::string("PageChanged ") + (page ? page->GetName() : "?"));
}

void CGalleryFrame::OnCommand(const char *command) {
  Record(std::string("Command ") + command);
  if (!V_stricmp(command, "ShowMessage")) {
    auto *box = new kgui::MessageBox("#Gallery_MessageTitle", "#Gallery_MessageText", this);
    box->DoModal(this);
  } else if (!V_stricmp(command, "ShowQuery")) {
    auto *box = new kgui::QueryBox("#Gallery_QueryTitle", "#Gallery_QueryText", this);
    box->SetOKCommand(new KeyValues("QueryAnswered"));
    box->DoModal(this);
  } else if (!V_stricmp(command, "ShowToolWindow")) {
    auto *tool = new kgui::ToolWindow(this, "ToolWindow", "#Gallery_ToolTitle");
    auto *page = new kgui::PropertyPage(nullptr, "ToolPage");
    page->LoadControlSettings("gallery/GalleryToolPage.res");
    tool->AddPage(page, "#Gallery_Layers");
    tool->SetBounds(GetXPos() + GetWide() - 220, GetYPos() + 80, 240, 200);
    tool->Activate();
  } else {
    BaseClass::OnCommand(command);
  }
}

void CGalleryFrame::OnMousePressed(kgui::MouseCode code) {
  if (code == kgui::MOUSE_RIGHT && m_pContextMenu) {
    kgui::Menu::PlaceContextMenu(this, m_pContextMenu);
    return;
  }
  BaseClass::OnMousePressed(code);
}

void CGalleryFrame::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  KeyValues *received = panelBlock->FindKey("received", true);
  int index = 0;
  for (const std::string &entry : m_Received)
    received->SetString(std::to_string(++index).c_str(), entry.c_str());
}

}  // namespace gallery
