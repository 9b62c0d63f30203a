// ComboBox: the drop-down menu, the arrow button and the chosen entry.
#include "kgui_controls/ComboBox.h"

#include "DefaultTheme.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuItem.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(ComboBox, TextEntry)
MESSAGE_ENTRY("MenuItemSelected", OnMenuItemSelected, "itemID")
MESSAGE_ENTRY("MenuClose", OnMenuClose)
END_MESSAGE_MAP()

namespace {

// The arrow at the right of the box; it opens the menu when pressed.
class ComboBoxButton : public Button {
  DECLARE_CLASS_SIMPLE(ComboBoxButton, Button);

 public:
  explicit ComboBoxButton(ComboBox *parent) : Button(parent, "Button", "", parent, "ButtonClicked") {
    SetButtonActivationType(ACTIVATE_ONPRESSED);
    SetKeyboardInputEnabled(false);
  }

 protected:
  void PaintBorder() override {}
  void PaintBackground() override {
    if (!IsArmed() || !IsEnabled()) return;
    surface()->DrawSetColor(Faded(theme::kButtonBg));
    surface()->DrawFilledRect(1, 1, GetWide() - 1, GetTall() - 1);
  }
  void Paint() override {
    surface()->DrawSetColor(Faded(IsEnabled() ? theme::kText : theme::kTextDisabled));
    const int cx = GetWide() / 2, cy = GetTall() / 2 + 2;
    for (int i = 0; i < 4; ++i) surface()->DrawFilledRect(cx - i, cy - i, cx + i + 1, cy - i + 1);
  }
};

DEFINE_EMPTY_MESSAGE_MAP(ComboBoxButton, Button)

}  // namespace

ComboBox::ComboBox(Panel *parent, const char *panelName, int numLines, bool allowEdit)
    : TextEntry(parent, panelName), m_bAllowEdit(allowEdit) {
  m_pDropDown = new Menu(this, "DropDown");
  m_pDropDown->AddActionSignalTarget(this);
  m_pButton = new ComboBoxButton(this);
  SetNumberOfEditLines(numLines);
  SetEditable(allowEdit);
}

// ---- entries

int ComboBox::AddItem(const char *itemText, const KeyValues *userData) {
  return m_pDropDown->AddMenuItem("Item", itemText, static_cast<KeyValues *>(nullptr), nullptr, userData);
}

int ComboBox::AddItem(const char16_t *itemText, const KeyValues *userData) {
  return AddItem(WideToUtf8(itemText).c_str(), userData);
}

void ComboBox::UpdateItem(int itemID, const char *itemText, const KeyValues *userData) {
  MenuItem *item = m_pDropDown->GetMenuItem(itemID);
  if (!item) return;
  item->SetText(itemText);
  item->SetUserData(userData);
  if (itemID == m_nActiveItem) SetText(itemText);
}

void ComboBox::DeleteAllItems() {
  m_pDropDown->DeleteAllItems();
  m_nActiveItem = -1;
}

int ComboBox::GetItemCount() {
  return m_pDropDown->GetItemCount();
}
int ComboBox::GetItemIDFromRow(int row) {
  return m_pDropDown->GetMenuID(row);
}

void ComboBox::ActivateItem(int itemID) {
  MenuItem *item = m_pDropDown->GetMenuItem(itemID);
  if (!item) return;
  m_nActiveItem = itemID;
  SetText(item->GetWText().c_str());
  SelectNone();
}

void ComboBox::ActivateItemByRow(int row) {
  ActivateItem(GetItemIDFromRow(row));
}

KeyValues *ComboBox::GetActiveItemUserData() {
  return GetItemUserData(m_nActiveItem);
}

KeyValues *ComboBox::GetItemUserData(int itemID) {
  MenuItem *item = m_pDropDown->GetMenuItem(itemID);
  return item ? item->GetUserData() : nullptr;
}

// ---- menu

void ComboBox::ShowMenu() {
  if (!IsEnabled() || m_pDropDown->GetItemCount() == 0) return;
  m_pDropDown->SetMinimumWidth(GetWide());
  int x = 0, top = 0;
  LocalToScreen(x, top);
  m_pDropDown->OpenBelowOrAbove(x, top, top + GetTall());
  if (m_nActiveItem >= 0) m_pDropDown->SetCurrentlyHighlightedItem(m_nActiveItem);
  Repaint();
}

void ComboBox::HideMenu() {
  m_pDropDown->SetVisible(false);
}
bool ComboBox::IsDropdownVisible() {
  return m_pDropDown->IsVisible();
}

void ComboBox::SetNumberOfEditLines(int numLines) {
  m_pDropDown->SetNumberOfVisibleItems(numLines);
}

void ComboBox::OnMenuItemSelected(int itemID) {
  ActivateItem(itemID);
  RequestFocus();
}

void ComboBox::OnMenuClose() {
  Repaint();
}

void ComboBox::OnCommand(const char *command) {
  if (!V_stricmp(command, "ButtonClicked")) {
    if (IsDropdownVisible())
      HideMenu();
    else
      ShowMenu();
    return;
  }
  BaseClass::OnCommand(command);
}

// ---- rules and input

void ComboBox::SetEditable(bool state) {
  m_bAllowEdit = state;
  TextEntry::SetEditable(state);
  SetCursor(state ? dc_ibeam : dc_arrow);
}

void ComboBox::SetEnabled(bool state) {
  BaseClass::SetEnabled(state);
  m_pButton->SetEnabled(state);
}

bool ComboBox::ApplySingleSetting(KeyValues *setting) {
  if (!V_stricmp(setting->GetName(), "editable")) {
    SetEditable(setting->GetInt() != 0);
    return true;
  }
  return BaseClass::ApplySingleSetting(setting);
}

void ComboBox::OnMousePressed(MouseCode code) {
  if (m_bAllowEdit) {
    BaseClass::OnMousePressed(code);
    return;
  }
  if (code != MOUSE_LEFT || !IsEnabled()) return;
  RequestFocus();
  if (IsDropdownVisible())
    HideMenu();
  else
    ShowMenu();
}

void ComboBox::OnMouseDoublePressed(MouseCode code) {
  if (m_bAllowEdit)
    BaseClass::OnMouseDoublePressed(code);
  else
    OnMousePressed(code);
}

void ComboBox::OnKeyCodeTyped(KeyCode code) {
  const int count = GetItemCount();
  if ((code == KEY_DOWN || code == KEY_UP) && count > 0) {
    // Steps through the entries without opening the menu.
    int row = m_nActiveItem < 0 ? -1 : m_nActiveItem;
    for (int tries = 0; tries < count; ++tries) {
      row = code == KEY_DOWN ? std::min(row + 1, count - 1) : std::max(row - 1, 0);
      MenuItem *item = m_pDropDown->GetMenuItem(row);
      if (item && item->IsEnabled() && !item->IsSeparator()) break;
    }
    ActivateItem(row);
    return;
  }
  if (code == KEY_F4) {
    ShowMenu();
    return;
  }
  BaseClass::OnKeyCodeTyped(code);
}

void ComboBox::FireActionSignal() {
  KeyValues *message = new KeyValues("TextChanged");
  message->SetWString("text", GetWText().c_str());
  PostActionSignal(message);
}

// ---- layout and drawing

void ComboBox::PerformLayout() {
  BaseClass::PerformLayout();
  const int buttonWide = GetTall();
  m_pButton->SetBounds(GetWide() - buttonWide, 0, buttonWide, GetTall());
}

void ComboBox::Paint() {
  BaseClass::Paint();
  // A line between the text and the arrow.
  surface()->DrawSetColor(Faded(theme::kEntryBorder));
  const int x = GetWide() - GetTall();
  surface()->DrawFilledRect(x, 3, x + 1, GetTall() - 3);
}

}  // namespace kgui
