// Label: text drawn in one of nine alignments, with localisation, dialog variables and an
// associated control.
#include "kgui_controls/Label.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/PanelAnimationVar.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(Label, Panel)

namespace {

struct AlignmentName {
  const char *name;
  Label::Alignment alignment;
};

constexpr AlignmentName kAlignmentNames[] = {
    {"north-west", Label::a_northwest}, {"north", Label::a_north},
    {"north-east", Label::a_northeast}, {"west", Label::a_west},
    {"center", Label::a_center},        {"east", Label::a_east},
    {"south-west", Label::a_southwest}, {"south", Label::a_south},
    {"south-east", Label::a_southeast},
};

}  // namespace

Label::Label(Panel *parent, const char *panelName, const char *text) : Panel(parent, panelName) {
  m_TextImage.SetText(text);
  SetPaintBackgroundEnabled(false);
}

Label::Label(Panel *parent, const char *panelName, const char16_t *text) : Panel(parent, panelName) {
  m_TextImage.SetText(text);
  SetPaintBackgroundEnabled(false);
}

void Label::SetText(const char *text) {
  m_TextImage.SetText(text);
  InvalidateLayout();
  Repaint();
}

void Label::SetText(const char16_t *text) {
  SetText(WideToUtf8(text).c_str());
}

bool Label::ParseAlignment(const char *name, Alignment &alignment) {
  for (const AlignmentName &entry : kAlignmentNames) {
    if (!V_stricmp(entry.name, name)) {
      alignment = entry.alignment;
      return true;
    }
  }
  return false;
}

void Label::SetContentAlignment(Alignment alignment) {
  m_Alignment = alignment;
  Repaint();
}

void Label::SetTextInset(int x, int y) {
  m_nTextInsetX = x;
  m_nTextInsetY = y;
  InvalidateLayout();
}

void Label::SetFont(HFont font) {
  m_hFont = font;
  m_TextImage.SetFont(font);
  InvalidateLayout();
}

void Label::SetWrap(bool state) {
  m_TextImage.SetWrap(state);
  InvalidateLayout();
}

void Label::SetTextColorState(EColorState state) {
  m_ColorState = state;
  Repaint();
}

void Label::GetContentSize(int &wide, int &tall) {
  ApplySchemeIfNeeded();
  m_TextImage.SetFont(m_hFont);
  m_TextImage.GetContentSize(wide, tall);
  wide += 2 * m_nTextInsetX;
  tall += 2 * m_nTextInsetY;
}

void Label::SizeToContents() {
  int wide = 0, tall = 0;
  GetContentSize(wide, tall);
  SetSize(wide, tall);
}

void Label::SetAssociatedControl(const char *controlName) {
  m_AssociateName = controlName ? controlName : "";
  m_hAssociate = nullptr;
}

void Label::SetAssociatedControl(Panel *control) {
  m_AssociateName.clear();
  m_hAssociate = control;
}

Panel *Label::GetAssociatedControl() {
  // Resolved late: the control may be made after the label.
  if (!m_hAssociate.Get() && !m_AssociateName.empty()) {
    if (Panel *parent = GetParent()) m_hAssociate = parent->FindChildByName(m_AssociateName.c_str());
  }
  return m_hAssociate.Get();
}

// ---- layout keys

void Label::GetAnimationVars(std::vector<PanelAnimationVar> &vars) {
  vars.push_back(MakeAnimationVar<&Label::m_FontName>("font", AnimVarKind::Font));
  BaseClass::GetAnimationVars(vars);
}

void Label::ApplySettings(KeyValues *inResourceData) {
  BaseClass::ApplySettings(inResourceData);
  if (!m_FontName.empty()) SetFont(GetSchemeFont(GetSchemeInterface(), m_FontName.c_str()));
}

bool Label::ApplySingleSetting(KeyValues *setting) {
  const char *key = setting->GetName();
  if (!V_stricmp(key, "labelText")) {
    SetText(setting->GetString());
  } else if (!V_stricmp(key, "textAlignment")) {
    Alignment alignment = m_Alignment;
    if (ParseAlignment(setting->GetString(), alignment)) SetContentAlignment(alignment);
  } else if (!V_stricmp(key, "associate")) {
    SetAssociatedControl(setting->GetString());
  } else if (!V_stricmp(key, "wrap")) {
    SetWrap(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "dulltext")) {
    if (setting->GetInt()) SetTextColorState(CS_DULL);
  } else if (!V_stricmp(key, "brighttext")) {
    if (setting->GetInt()) SetTextColorState(CS_BRIGHT);
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  return true;
}

void Label::Describe(KeyValues *panelBlock) {
  panelBlock->SetString("text", GetDrawnText().c_str());
}

std::string Label::GetDrawnText() {
  UpdateTextRoom();
  return m_TextImage.GetDrawnTextUtf8();
}

// ---- scheme, layout and painting

void Label::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetFgColor(GetSchemeColor("Label.TextColor", theme::kText, schemeInterface));
  m_DullFgColor = GetSchemeColor("Label.TextDullColor", theme::kTextDull, schemeInterface);
  m_BrightFgColor = GetSchemeColor("Label.TextBrightColor", theme::kTextBright, schemeInterface);
  m_DisabledFgColor = GetSchemeColor("Label.DisabledFgColor1", theme::kTextDisabled, schemeInterface);
  SetFont(GetSchemeFont(schemeInterface, m_FontName.empty() ? "Default" : m_FontName.c_str()));
}

void Label::UpdateTextRoom() {
  m_TextImage.SetFont(m_hFont);
  const int roomWide = std::max(0, GetWide() - m_nTextInsetX - GetTextRightInset());
  m_TextImage.SetSize(roomWide, GetTall() - 2 * m_nTextInsetY);
  // A label without a width yet draws nothing; its text stays whole until it has one.
  m_TextImage.SetEllipsisWidth(GetWide() > 0 ? roomWide : -1);
}

void Label::PerformLayout() {
  UpdateTextRoom();
}

void Label::GetTextPosition(int contentWide, int contentTall, int &x, int &y) {
  const int wide = GetWide();
  const int tall = GetTall();
  const int column = static_cast<int>(m_Alignment) % 3;
  const int row = static_cast<int>(m_Alignment) / 3;
  x = column == 0   ? m_nTextInsetX
      : column == 1 ? (wide - contentWide) / 2
                    : wide - contentWide - m_nTextInsetX;
  y = row == 0 ? m_nTextInsetY : row == 1 ? (tall - contentTall) / 2 : tall - contentTall - m_nTextInsetY;
  // A control that draws beside its text on one side (a check box, an arrow) has uneven insets.
  const int right = wide - GetTextRightInset();
  if (contentWide <= right - m_nTextInsetX) x = std::clamp(x, m_nTextInsetX, right - contentWide);
}

Color Label::GetTextColorNow() {
  Panel *associate = GetAssociatedControl();
  if (!IsEnabled() || (associate && !associate->IsEnabled())) return m_DisabledFgColor;
  if (m_ColorState == CS_DULL) return m_DullFgColor;
  if (m_ColorState == CS_BRIGHT) return m_BrightFgColor;
  return GetFgColor();
}

void Label::Paint() {
  UpdateTextRoom();
  int contentWide = 0, contentTall = 0;
  m_TextImage.GetDrawnSize(contentWide, contentTall);
  int x = 0, y = 0;
  GetTextPosition(contentWide, contentTall, x, y);
  m_TextImage.SetPos(x, y);
  m_TextImage.Paint(Faded(GetTextColorNow()));
}

// ---- messages

void Label::OnMousePressed(MouseCode code) {
  if (code == MOUSE_LEFT) {
    Panel *associate = GetAssociatedControl();
    if (associate && associate->IsEnabled()) associate->RequestFocus();
  }
}

void Label::OnDialogVariablesChanged(KeyValues *variables) {
  m_TextImage.SetDialogVariables(variables);
  Repaint();
}

void Label::OnLocalizationFileChanged() {
  m_TextImage.ResolveLocalizedText();
  InvalidateLayout();
  BaseClass::OnLocalizationFileChanged();
}

}  // namespace kgui
