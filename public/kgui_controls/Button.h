// Button: a labelled control that signals its command when clicked with the mouse, or pressed
// with Enter or Space while it has the focus. Its notification is "Command" with "command" unless
// another message was set; the default button of a dialog takes Enter anywhere in it.
#pragma once

#include "kgui_controls/Label.h"

namespace kgui {

class Button : public Label {
  DECLARE_CLASS_SIMPLE(Button, Label);

 public:
  enum ActivationType_t {
    ACTIVATE_ONPRESSEDANDRELEASED,  // a press and a release over the button
    ACTIVATE_ONPRESSED,
    ACTIVATE_ONRELEASED,
  };

  Button(Panel *parent, const char *panelName, const char *text, Panel *actionSignalTarget = nullptr,
         const char *command = nullptr);
  Button(Panel *parent, const char *panelName, const char16_t *text, Panel *actionSignalTarget = nullptr,
         const char *command = nullptr);
  ~Button() override;

  // Acts as if clicked: signals the command to the action-signal targets.
  virtual void DoClick();
  // "Command" with "command" = `command`.
  virtual void SetCommand(const char *command);
  // Any message (taken over) as the button's notification.
  virtual void SetCommand(KeyValues *message);
  KeyValues *GetCommand() { return m_pActionMessage; }
  void SetButtonActivationType(ActivationType_t type) { m_ActivationType = type; }

  virtual void SetArmed(bool state);
  bool IsArmed() const { return m_bArmed; }
  virtual void SetSelected(bool state);
  bool IsSelected() const { return m_bSelected; }
  // Shown pressed: while the mouse or Space holds it, or while forced.
  bool IsDepressed() const { return m_bDepressed || m_bForceDepressed; }
  void ForceDepressed(bool state);
  virtual void SetAsDefaultButton(bool state);
  bool IsDefault() const { return m_bDefault; }

  bool AcceptsFocus() override { return true; }
  bool ApplySingleSetting(KeyValues *setting) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void PaintBorder() override;
  void OnCursorEntered() override;
  void OnCursorExited() override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnMouseCaptureLost() override;
  void OnKeyCodePressed(KeyCode code) override;
  void OnKeyCodeTyped(KeyCode code) override;
  void OnKeyCodeReleased(KeyCode code) override;
  // Posts a copy of the button's message to its targets.
  virtual void FireActionSignal();
  Color GetTextColorNow() override;
  // The face colours for the current state.
  virtual Color GetButtonBgColor();
  virtual Color GetButtonBorderColor();
  // A dotted rectangle inside the edges while the button has the focus.
  void DrawFocusRect(int inset);
  void OnSetState(int state) { SetSelected(state != 0); }

 private:
  void InitButton(Panel *actionSignalTarget, const char *command);

  KeyValues *m_pActionMessage = nullptr;
  ActivationType_t m_ActivationType = ACTIVATE_ONPRESSEDANDRELEASED;
  bool m_bArmed = false;
  bool m_bSelected = false;
  bool m_bDepressed = false;
  bool m_bForceDepressed = false;
  bool m_bDefault = false;
  bool m_bSpaceDown = false;
  Color m_BgColor;
  Color m_ArmedBgColor;
  Color m_DepressedBgColor;
  Color m_DisabledBgColor;
  Color m_BorderColor;
  Color m_ArmedBorderColor;
  Color m_DisabledBorderColor;
  Color m_FocusColor;
  Color m_ArmedTextColor;
  Color m_DisabledTextColor;
};

}  // namespace kgui
