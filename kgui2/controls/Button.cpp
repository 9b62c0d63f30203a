// Button: mouse and keyboard activation, armed and pressed states, the command it signals.
#include "kgui_controls/Button.h"

#include "DefaultTheme.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(Button, Label)
MESSAGE_ENTRY("PressButton", DoClick)
MESSAGE_ENTRY("SetState", OnSetState, "state")
END_MESSAGE_MAP()

Button::Button(Panel *parent, const char *panelName, const char *text, Panel *actionSignalTarget,
               const char *command)
    : Label(parent, panelName, text) {
  InitButton(actionSignalTarget, command);
}

Button::Button(Panel *parent, const char *panelName, const char16_t *text, Panel *actionSignalTarget,
               const char *command)
    : Label(parent, panelName, text) {
  InitButton(actionSignalTarget, command);
}

void Button::InitButton(Panel *actionSignalTarget, const char *command) {
  SetContentAlignment(a_center);
  SetTextInset(theme::kTextInset, 0);
  SetPaintBackgroundEnabled(true);
  if (actionSignalTarget) AddActionSignalTarget(actionSignalTarget);
  if (command) SetCommand(command);
}

Button::~Button() {
  if (m_pActionMessage) m_pActionMessage->Destroy();
}

// ---- command

void Button::SetCommand(const char *command) {
  SetCommand(new KeyValues("Command", "command", command ? command : ""));
}

void Button::SetCommand(KeyValues *message) {
  if (m_pActionMessage) m_pActionMessage->Destroy();
  m_pActionMessage = message;
}

void Button::DoClick() {
  if (!IsEnabled()) return;
  SetSelected(true);
  FireActionSignal();
  SetSelected(false);
}

void Button::FireActionSignal() {
  if (m_pActionMessage) PostActionSignal(m_pActionMessage->MakeCopy());
}

// ---- state

void Button::SetArmed(bool state) {
  if (m_bArmed == state) return;
  m_bArmed = state;
  Repaint();
}

void Button::SetSelected(bool state) {
  if (m_bSelected == state) return;
  m_bSelected = state;
  Repaint();
}

void Button::ForceDepressed(bool state) {
  m_bForceDepressed = state;
  Repaint();
}

void Button::SetAsDefaultButton(bool state) {
  m_bDefault = state;
  Repaint();
}

bool Button::ApplySingleSetting(KeyValues *setting) {
  const char *key = setting->GetName();
  if (!V_stricmp(key, "command")) {
    SetCommand(setting->GetString());
  } else if (!V_stricmp(key, "default")) {
    SetAsDefaultButton(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "selected")) {
    SetSelected(setting->GetInt() != 0);
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  return true;
}

void Button::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  if (m_pActionMessage) panelBlock->SetString("command", m_pActionMessage->GetString("command"));
}

// ---- mouse

void Button::OnCursorEntered() {
  if (IsEnabled()) SetArmed(true);
}

void Button::OnCursorExited() {
  if (!m_bDepressed) SetArmed(false);
}

void Button::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT || !IsEnabled()) return;
  if (IsKeyboardInputEnabled()) RequestFocus();
  if (m_ActivationType == ACTIVATE_ONPRESSED) {
    DoClick();
    return;
  }
  m_bDepressed = true;
  SetArmed(true);
  input()->SetMouseCapture(GetVPanel());
  Repaint();
}

void Button::OnMouseDoublePressed(MouseCode code) {
  OnMousePressed(code);
}

void Button::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bDepressed) return;
  m_bDepressed = false;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
  const bool over = IsCursorOver();
  SetArmed(over);
  Repaint();
  if (over && IsEnabled()) DoClick();
}

void Button::OnMouseCaptureLost() {
  m_bDepressed = false;
  SetArmed(false);
}

// ---- keyboard

void Button::OnKeyCodePressed(KeyCode code) {
  if (code == KEY_SPACE && IsEnabled()) {
    m_bSpaceDown = true;
    Repaint();
    return;
  }
  BaseClass::OnKeyCodePressed(code);
}

void Button::OnKeyCodeTyped(KeyCode code) {
  if ((code == KEY_ENTER || code == KEY_PAD_ENTER) && IsEnabled()) {
    DoClick();
    return;
  }
  if (code == KEY_SPACE) return;
  BaseClass::OnKeyCodeTyped(code);
}

void Button::OnKeyCodeReleased(KeyCode code) {
  if (code == KEY_SPACE && m_bSpaceDown) {
    m_bSpaceDown = false;
    Repaint();
    DoClick();
    return;
  }
  BaseClass::OnKeyCodeReleased(code);
}

// ---- painting

void Button::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetFgColor(GetSchemeColor("Button.TextColor", theme::kText, schemeInterface));
  m_BgColor = GetSchemeColor("Button.BgColor", theme::kButtonBg, schemeInterface);
  m_ArmedBgColor = GetSchemeColor("Button.ArmedBgColor", theme::kButtonArmedBg, schemeInterface);
  m_DepressedBgColor = GetSchemeColor("Button.DepressedBgColor", theme::kButtonDepressedBg, schemeInterface);
  m_DisabledBgColor = GetSchemeColor("Button.DisabledBgColor", theme::kButtonDisabledBg, schemeInterface);
  m_BorderColor = GetSchemeColor("Button.BorderColor", theme::kButtonBorder, schemeInterface);
  m_ArmedBorderColor = GetSchemeColor("Button.ArmedBorderColor", theme::kButtonArmedBorder, schemeInterface);
  m_DisabledBorderColor =
      GetSchemeColor("Button.DisabledBorderColor", theme::kButtonDisabledBorder, schemeInterface);
  m_FocusColor = GetSchemeColor("Button.FocusBorderColor", theme::kFocus, schemeInterface);
  m_ArmedTextColor = GetSchemeColor("Button.ArmedTextColor", theme::kButtonArmedText, schemeInterface);
  m_DisabledTextColor = GetSchemeColor("Button.DisabledFgColor", theme::kTextDisabled, schemeInterface);
}

Color Button::GetTextColorNow() {
  if (!IsEnabled()) return m_DisabledTextColor;
  if (m_bArmed || IsDepressed() || m_bSpaceDown) return m_ArmedTextColor;
  return GetFgColor();
}

Color Button::GetButtonBgColor() {
  if (!IsEnabled()) return m_DisabledBgColor;
  if (IsDepressed() || m_bSpaceDown || m_bSelected) return m_DepressedBgColor;
  if (m_bArmed) return m_ArmedBgColor;
  return m_BgColor;
}

Color Button::GetButtonBorderColor() {
  if (!IsEnabled()) return m_DisabledBorderColor;
  if (m_bArmed || IsDepressed() || m_bDefault || HasFocus()) return m_ArmedBorderColor;
  return m_BorderColor;
}

void Button::PaintBackground() {
  surface()->DrawSetColor(Faded(GetButtonBgColor()));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void Button::PaintBorder() {
  surface()->DrawSetColor(Faded(GetButtonBorderColor()));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
  // The default button carries a second line so Enter's target is visible.
  if (m_bDefault && IsEnabled()) surface()->DrawOutlinedRect(1, 1, GetWide() - 1, GetTall() - 1);
  if (HasFocus()) DrawFocusRect(3);
}

void Button::DrawFocusRect(int inset) {
  const int x0 = inset, y0 = inset, x1 = GetWide() - inset - 1, y1 = GetTall() - inset - 1;
  if (x1 <= x0 || y1 <= y0) return;
  surface()->DrawSetColor(Faded(m_FocusColor));
  for (int x = x0; x <= x1; x += 2) {
    surface()->DrawFilledRect(x, y0, x + 1, y0 + 1);
    surface()->DrawFilledRect(x, y1, x + 1, y1 + 1);
  }
  for (int y = y0; y <= y1; y += 2) {
    surface()->DrawFilledRect(x0, y, x0 + 1, y + 1);
    surface()->DrawFilledRect(x1, y, x1 + 1, y + 1);
  }
}

}  // namespace kgui
