// Tooltip: timing and placement of the one shared tooltip popup.
#include "kgui_controls/Tooltip.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

// The popup that shows the text of whichever tooltip is active.
class TooltipPanel : public Label {
  DECLARE_CLASS_SIMPLE(TooltipPanel, Label);

 public:
  TooltipPanel() : Label(nullptr, "TooltipPanel", "") {
    SetPaintBackgroundEnabled(true);
    SetTextInset(5, 3);
    SetMouseInputEnabled(false);
    SetKeyboardInputEnabled(false);
    MakePopup(false);
    ipanel()->SetTopmostPopup(GetVPanel(), true);
    SetVisible(false);
  }

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override {
    BaseClass::ApplySchemeSettings(schemeInterface);
    SetFgColor(GetSchemeColor("Tooltip.TextColor", theme::kTooltipText, schemeInterface));
    SetBgColor(GetSchemeColor("Tooltip.BgColor", theme::kTooltipBg, schemeInterface));
    m_BorderColor = GetSchemeColor("Tooltip.BorderColor", theme::kTooltipBorder, schemeInterface);
    SetFont(GetSchemeFont(schemeInterface, "DefaultSmall"));
  }
  void PaintBorder() override {
    surface()->DrawSetColor(Faded(m_BorderColor));
    surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
  }

 private:
  Color m_BorderColor;
};

DEFINE_EMPTY_MESSAGE_MAP(TooltipPanel, Label)

PHandle s_hSharedPanel;
// The tooltip whose text the popup shows.
Tooltip *s_pActiveTooltip = nullptr;

TooltipPanel *SharedPanel() {
  if (auto *panel = static_cast<TooltipPanel *>(s_hSharedPanel.Get())) return panel;
  auto *panel = new TooltipPanel();
  s_hSharedPanel = panel;
  return panel;
}

}  // namespace

Tooltip::Tooltip(Panel *parent, const char *text) : m_hParent(parent) {
  SetText(text);
}

Tooltip::~Tooltip() {
  if (s_pActiveTooltip == this) HideTooltip();
}

void Tooltip::SetText(const char *text) {
  m_Text = text ? text : "";
}

void Tooltip::ShowTooltip(Panel *currentPanel) {
  m_hParent = currentPanel;
  m_bPending = !m_Text.empty();
  m_flShowTime = system()->GetCurrentTime() + m_nDelayMilliseconds / 1000.0;
  // A host that sleeps while nothing changes wakes for a message due when the tooltip shows.
  if (m_bPending && currentPanel && ikgui()) {
    ikgui()->PostMessage(currentPanel->GetVPanel(), new KeyValues("TooltipDue"), NULL_PANEL,
                         m_nDelayMilliseconds / 1000.0f);
  }
}

void Tooltip::Tick() {
  if (!m_bPending || system()->GetCurrentTime() < m_flShowTime) return;
  m_bPending = false;
  Panel *parent = m_hParent.Get();
  if (!parent || !parent->IsFullyVisible()) return;
  TooltipPanel *panel = SharedPanel();
  s_pActiveTooltip = this;
  m_bShown = true;
  panel->SetText(m_Text.c_str());
  panel->InvalidateLayout(true, false);
  panel->SizeToContents();
  PlacePopup();
  panel->SetVisible(true);
  panel->MoveToFront();
}

void Tooltip::PlacePopup() {
  Panel *panel = s_hSharedPanel.Get();
  Panel *parent = m_hParent.Get();
  if (!panel || !parent) return;
  int x = 0, y = 0;
  if (m_Anchor == ANCHOR_PARENT) {
    y = parent->GetTall() + 2;
    parent->LocalToScreen(x, y);
  } else {
    input()->GetCursorPos(x, y);
    if (m_Anchor == ANCHOR_DEFAULT) y += 20;
  }
  // Keep the popup on the screen.
  int screenWide = 0, screenTall = 0;
  surface()->GetScreenSize(screenWide, screenTall);
  x = std::clamp(x, 0, std::max(0, screenWide - panel->GetWide()));
  y = std::clamp(y, 0, std::max(0, screenTall - panel->GetTall()));
  panel->SetPos(x, y);
}

void Tooltip::HideTooltip() {
  m_bPending = false;
  if (!m_bShown) return;
  m_bShown = false;
  if (s_pActiveTooltip != this) return;
  s_pActiveTooltip = nullptr;
  if (Panel *panel = s_hSharedPanel.Get()) panel->SetVisible(false);
}

bool Tooltip::IsShown() const {
  return m_bShown && s_pActiveTooltip == this;
}

Panel *Tooltip::GetSharedPanel() {
  return s_hSharedPanel.Get();
}

void Tooltip::ShutdownSharedPanel() {
  delete s_hSharedPanel.Get();
  s_hSharedPanel = nullptr;
  s_pActiveTooltip = nullptr;
}

}  // namespace kgui
