// Label: a line (or wrapped lines) of text, localised when it begins with "#", filled with the
// dialog variables of its window, aligned in one of nine positions. A label may belong to a
// control ("associate"): a click on it gives that control the focus.
#pragma once

#include <string>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/TextImage.h"

namespace kgui {

class Label : public Panel {
  DECLARE_CLASS_SIMPLE(Label, Panel);

 public:
  enum Alignment {
    a_northwest = 0,
    a_north,
    a_northeast,
    a_west,
    a_center,
    a_east,
    a_southwest,
    a_south,
    a_southeast,
  };
  enum EColorState { CS_NORMAL, CS_DULL, CS_BRIGHT };

  Label(Panel *parent, const char *panelName, const char *text);
  Label(Panel *parent, const char *panelName, const char16_t *text);

  virtual void SetText(const char *text);
  virtual void SetText(const char16_t *text);
  // The text as shown (localised), in UTF-8.
  std::string GetText() const { return m_TextImage.GetTextUtf8(); }
  const std::u16string &GetWText() const { return m_TextImage.GetText(); }
  // The text as given: a "#" token stays a token.
  const char *GetUnlocalizedText() const { return m_TextImage.GetUnlocalizedText(); }
  // The text as drawn (UTF-8): a line too long for the label's room ends in an ellipsis. A label
  // not yet given a width keeps its text whole.
  std::string GetDrawnText();

  void SetContentAlignment(Alignment alignment);
  Alignment GetContentAlignment() const { return m_Alignment; }
  // Reads "north-west", "center", ... ; false for an unknown name.
  static bool ParseAlignment(const char *name, Alignment &alignment);
  void SetTextInset(int x, int y);
  void SetFont(HFont font);
  HFont GetFont() const { return m_hFont; }
  void SetWrap(bool state);
  void SetTextColorState(EColorState state);
  // The size the text needs plus the insets.
  virtual void GetContentSize(int &wide, int &tall);
  virtual void SizeToContents();

  // The control the label belongs to, by name among the label's siblings.
  void SetAssociatedControl(const char *controlName);
  void SetAssociatedControl(Panel *control);
  Panel *GetAssociatedControl();

  void ApplySettings(KeyValues *inResourceData) override;
  bool ApplySingleSetting(KeyValues *setting) override;
  void GetAnimationVars(std::vector<PanelAnimationVar> &vars) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void Paint() override;
  void PerformLayout() override;
  void OnMousePressed(MouseCode code) override;
  void OnDialogVariablesChanged(KeyValues *variables) override;
  void OnLocalizationFileChanged() override;
  // The colour the text is drawn in now (state, enabled, associate).
  virtual Color GetTextColorNow();
  // Where text of the given size sits inside the label. Text that fits the room between the
  // insets stays inside it whatever the alignment.
  void GetTextPosition(int contentWide, int contentTall, int &x, int &y);
  // The room at the right of the text; the left inset unless something is drawn there.
  virtual int GetTextRightInset() { return m_nTextInsetX; }
  TextImage &GetTextImage() { return m_TextImage; }

 private:
  // Gives the text image the label's font and the room between the insets.
  void UpdateTextRoom();

  TextImage m_TextImage;
  Alignment m_Alignment = a_west;
  EColorState m_ColorState = CS_NORMAL;
  HFont m_hFont = INVALID_FONT;
  std::string m_FontName;  // a scheme font chosen by the layout ("font"), else the default
  Color m_DisabledFgColor;
  Color m_DullFgColor;
  Color m_BrightFgColor;
  int m_nTextInsetX = 0;
  int m_nTextInsetY = 0;
  std::string m_AssociateName;
  PHandle m_hAssociate;
};

}  // namespace kgui
