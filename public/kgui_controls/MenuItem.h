// MenuItem: one entry of a Menu. When chosen it posts its message to its target; a checkable
// item flips its check mark; an item may carry a record of the caller's (user data).
#pragma once

#include "kgui_controls/Button.h"

namespace kgui {

class Menu;

class MenuItem : public Button {
  DECLARE_CLASS_SIMPLE(MenuItem, Button);

 public:
  MenuItem(Menu *parent, const char *panelName, const char *text, bool checkable = false);
  ~MenuItem() override;

  // The message (taken over) and the panel it goes to when the item is chosen.
  void SetMessage(KeyValues *message, Panel *target);
  Panel *GetTarget() { return m_hTarget.Get(); }
  void SetCheckable(bool state) { m_bCheckable = state; }
  bool IsCheckable() const { return m_bCheckable; }
  void SetChecked(bool state);
  bool IsChecked() const { return m_bChecked; }
  // A copy of `userData` stays with the item.
  void SetUserData(const KeyValues *userData);
  KeyValues *GetUserData() { return m_pUserData; }
  void SetSeparator(bool state) { m_bSeparator = state; }
  bool IsSeparator() const { return m_bSeparator; }
  // The item is the one under the cursor or chosen with the arrow keys.
  void SetHighlighted(bool state);
  bool IsHighlighted() const { return m_bHighlighted; }

  void GetContentSize(int &wide, int &tall) override;
  bool AcceptsFocus() override { return false; }
  void Describe(KeyValues *panelBlock) override;

  // The width of the column at the left that holds check marks.
  static constexpr int kCheckColumnWide = 24;

 protected:
  friend class Menu;
  void FireActionSignal() override;
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override {}
  Color GetTextColorNow() override;

 private:
  PHandle m_hTarget;
  KeyValues *m_pUserData = nullptr;
  bool m_bCheckable = false;
  bool m_bChecked = false;
  bool m_bSeparator = false;
  bool m_bHighlighted = false;
  Color m_HighlightBgColor;
  Color m_HighlightTextColor;
  Color m_SeparatorColor;
};

}  // namespace kgui
