// Panel: identity, tree, geometry, state, painting, scheme and focus. Messaging lives in
// PanelMessaging.cpp, layout keys and pinning in PanelSettings.cpp.
#include "kgui_controls/Panel.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "DefaultTheme.h"
#include "FallbackFonts.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

// The toolkit panels of this module by host id; ids of other panels are absent.
std::unordered_map<VPANEL, Panel *> &PanelTable() {
  static std::unordered_map<VPANEL, Panel *> s_Panels;
  return s_Panels;
}

// Collects the panels under `root` that Tab may stop on, in tree order.
void CollectFocusCandidates(Panel *root, std::vector<Panel *> &out) {
  const int count = root->GetChildCount();
  for (int i = 0; i < count; ++i) {
    Panel *child = root->GetChild(i);
    if (!child || !child->IsVisible() || !child->IsEnabled()) continue;
    if (child->AcceptsFocus() && child->IsKeyboardInputEnabled()) out.push_back(child);
    CollectFocusCandidates(child, out);
  }
}

}  // namespace

Panel *PanelFromVPanel(VPANEL panel) {
  if (panel == NULL_PANEL) return nullptr;
  auto it = PanelTable().find(panel);
  return it == PanelTable().end() ? nullptr : it->second;
}

Panel::Panel() {
  Init(nullptr, nullptr);
}
Panel::Panel(Panel *parent) {
  Init(parent, nullptr);
}
Panel::Panel(Panel *parent, const char *panelName) {
  Init(parent, panelName);
}

void Panel::Init(Panel *parent, const char *panelName) {
  if (!ikgui() || !ipanel())
    Error("Panel '%s' created before the toolkit started\n", panelName ? panelName : "");
  m_VPanel = ikgui()->CreatePanel(&m_ClientAdapter);
  PanelTable()[m_VPanel] = this;
  SetName(panelName);
  SetSize(64, 24);
  if (parent) SetParent(parent);
}

Panel::~Panel() {
  delete m_pTooltip;
  m_pTooltip = nullptr;
  if (!ikgui() || !ipanel()) {
    PanelTable().erase(m_VPanel);
    return;
  }
  // Children first: each releases its own id.
  std::vector<Panel *> children;
  const int count = GetChildCount();
  for (int i = 0; i < count; ++i) {
    if (Panel *child = GetChild(i)) children.push_back(child);
  }
  for (Panel *child : children) delete child;
  PanelTable().erase(m_VPanel);
  ikgui()->FreePanel(m_VPanel);
}

// ---- identity and tree

void Panel::SetName(const char *panelName) {
  ipanel()->SetName(m_VPanel, panelName ? panelName : "");
}
const char *Panel::GetName() {
  return ipanel() ? ipanel()->GetName(m_VPanel) : "";
}

void Panel::SetParent(Panel *newParent) {
  SetParent(newParent ? newParent->GetVPanel() : NULL_PANEL);
}

void Panel::SetParent(VPANEL newParent) {
  if (ipanel()->GetParent(m_VPanel) == newParent) return;
  ipanel()->SetParent(m_VPanel, newParent);
  InvalidateLayout(false, true);
  if (Panel *parent = PanelFromVPanel(newParent)) parent->OnChildAdded(m_VPanel);
}

Panel *Panel::GetParent() {
  return PanelFromVPanel(GetVParent());
}
VPANEL Panel::GetVParent() {
  return ipanel() ? ipanel()->GetParent(m_VPanel) : NULL_PANEL;
}
int Panel::GetChildCount() {
  return ipanel() ? ipanel()->GetChildCount(m_VPanel) : 0;
}
Panel *Panel::GetChild(int index) {
  return PanelFromVPanel(ipanel()->GetChild(m_VPanel, index));
}

Panel *Panel::FindChildByName(const char *childName, bool recurse) {
  if (!childName) return nullptr;
  return PanelFromVPanel(ipanel()->FindChildByName(m_VPanel, childName, recurse));
}

bool Panel::HasParent(VPANEL potentialParent) {
  return ipanel()->HasParent(m_VPanel, potentialParent);
}

void Panel::MakePopup(bool showTaskbarIcon, bool disabled) {
  surface()->CreatePopup(m_VPanel, false, showTaskbarIcon, disabled, true, true);
}

bool Panel::IsPopup() {
  return ipanel()->IsPopup(m_VPanel);
}

void Panel::MarkForDeletion() {
  if (ikgui()) ikgui()->MarkPanelForDeletion(m_VPanel);
}

// ---- geometry

void Panel::SetPos(int x, int y) {
  ipanel()->SetPos(m_VPanel, x, y);
}
void Panel::GetPos(int &x, int &y) {
  ipanel()->GetPos(m_VPanel, x, y);
}

int Panel::GetXPos() {
  int x = 0, y = 0;
  GetPos(x, y);
  return x;
}

int Panel::GetYPos() {
  int x = 0, y = 0;
  GetPos(x, y);
  return y;
}

void Panel::SetSize(int wide, int tall) {
  ipanel()->SetSize(m_VPanel, wide, tall);
}
void Panel::GetSize(int &wide, int &tall) {
  ipanel()->GetSize(m_VPanel, wide, tall);
}

int Panel::GetWide() {
  int wide = 0, tall = 0;
  GetSize(wide, tall);
  return wide;
}

int Panel::GetTall() {
  int wide = 0, tall = 0;
  GetSize(wide, tall);
  return tall;
}

void Panel::SetWide(int wide) {
  SetSize(wide, GetTall());
}
void Panel::SetTall(int tall) {
  SetSize(GetWide(), tall);
}

void Panel::SetBounds(int x, int y, int wide, int tall) {
  SetPos(x, y);
  SetSize(wide, tall);
}

void Panel::GetBounds(int &x, int &y, int &wide, int &tall) {
  GetPos(x, y);
  GetSize(wide, tall);
}

void Panel::SetMinimumSize(int wide, int tall) {
  ipanel()->SetMinimumSize(m_VPanel, wide, tall);
}
void Panel::GetMinimumSize(int &wide, int &tall) {
  ipanel()->GetMinimumSize(m_VPanel, wide, tall);
}

void Panel::SetInset(int left, int top, int right, int bottom) {
  ipanel()->SetInset(m_VPanel, left, top, right, bottom);
}

void Panel::GetInset(int &left, int &top, int &right, int &bottom) {
  ipanel()->GetInset(m_VPanel, left, top, right, bottom);
}

void Panel::LocalToScreen(int &x, int &y) {
  int absX = 0, absY = 0;
  ipanel()->GetAbsPos(m_VPanel, absX, absY);
  x += absX;
  y += absY;
}

void Panel::ScreenToLocal(int &x, int &y) {
  int absX = 0, absY = 0;
  ipanel()->GetAbsPos(m_VPanel, absX, absY);
  x -= absX;
  y -= absY;
}

bool Panel::IsCursorOver() {
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  return x >= 0 && y >= 0 && x < GetWide() && y < GetTall();
}

void Panel::SetZPos(int z) {
  ipanel()->SetZPos(m_VPanel, z);
}
int Panel::GetZPos() {
  return ipanel()->GetZPos(m_VPanel);
}

void Panel::MoveToFront() {
  if (IsPopup())
    surface()->MovePopupToFront(m_VPanel);
  else
    ipanel()->MoveToFront(m_VPanel);
}

// ---- state

void Panel::SetVisible(bool state) {
  ipanel()->SetVisible(m_VPanel, state);
}
bool Panel::IsVisible() {
  return ipanel() && ipanel()->IsVisible(m_VPanel);
}
bool Panel::IsFullyVisible() {
  return ipanel() && ipanel()->IsFullyVisible(m_VPanel);
}

void Panel::SetEnabled(bool state) {
  if (state == IsEnabled()) return;
  ipanel()->SetEnabled(m_VPanel, state);
  InvalidateLayout();
  Repaint();
}

bool Panel::IsEnabled() {
  return ipanel() && ipanel()->IsEnabled(m_VPanel);
}
void Panel::SetMouseInputEnabled(bool state) {
  ipanel()->SetMouseInputEnabled(m_VPanel, state);
}
bool Panel::IsMouseInputEnabled() {
  return ipanel()->IsMouseInputEnabled(m_VPanel);
}
void Panel::SetKeyboardInputEnabled(bool state) {
  ipanel()->SetKeyboardInputEnabled(m_VPanel, state);
}
bool Panel::IsKeyboardInputEnabled() {
  return ipanel()->IsKeyboardInputEnabled(m_VPanel);
}

void Panel::SetAlpha(int alpha) {
  m_nAlpha = std::clamp(alpha, 0, 255);
  Repaint();
}

int Panel::GetEffectiveAlpha() {
  int alpha = m_nAlpha;
  for (Panel *parent = GetParent(); parent && alpha > 0; parent = parent->GetParent())
    alpha = alpha * parent->m_nAlpha / 255;
  return alpha;
}

// ---- painting and scheme

void Panel::InvalidateLayout(bool layoutNow, bool reloadScheme) {
  if (reloadScheme) {
    if (!m_bIgnoreScheme) m_bNeedsSchemeUpdate = true;
    const int count = GetChildCount();
    for (int i = 0; i < count; ++i) {
      if (Panel *child = GetChild(i)) child->InvalidateLayout(false, true);
    }
  }
  if (layoutNow) ApplySchemeIfNeeded();
  ipanel()->InvalidateLayout(m_VPanel, layoutNow);
}

void Panel::Repaint() {
  ipanel()->Repaint(m_VPanel);
}

void Panel::SetScheme(const char *tag) {
  SetScheme(scheme()->GetScheme(tag));
}

void Panel::SetScheme(HScheme schemeHandle) {
  if (schemeHandle == m_hScheme) return;
  m_hScheme = schemeHandle;
  InvalidateLayout(false, true);
}

HScheme Panel::GetScheme() {
  if (m_hScheme != INVALID_SCHEME) return m_hScheme;
  if (Panel *parent = GetParent()) return parent->GetScheme();
  return scheme()->GetDefaultScheme();
}

IScheme *Panel::GetSchemeInterface() {
  return scheme()->GetIScheme(GetScheme());
}

Color Panel::GetSchemeColor(const char *key, Color defaultColor, IScheme *schemeInterface) {
  return schemeInterface ? schemeInterface->GetColor(key, defaultColor) : defaultColor;
}

HFont Panel::GetSchemeFont(IScheme *schemeInterface, const char *fontName) {
  HFont font = schemeInterface ? schemeInterface->GetFont(fontName, IsProportional()) : INVALID_FONT;
  return font != INVALID_FONT ? font : GetFallbackFont(fontName);
}

Color Panel::Faded(Color color) {
  return Color(color.r(), color.g(), color.b(), color.a() * m_nPaintAlpha / 255);
}

void Panel::ApplySchemeSettings(IScheme *schemeInterface) {
  m_FgColor = GetSchemeColor("Panel.FgColor", theme::kText, schemeInterface);
  m_BgColor = GetSchemeColor("Panel.BgColor", Color(0, 0, 0, 0), schemeInterface);
}

void Panel::ApplySchemeIfNeeded() {
  if (!m_bNeedsSchemeUpdate) return;
  m_bNeedsSchemeUpdate = false;
  ApplySchemeSettings(GetSchemeInterface());
}

void Panel::InternalThink() {
  ApplySchemeIfNeeded();
  OnThink();
}

void Panel::InternalPerformLayout() {
  ApplySchemeIfNeeded();
  int wide = 0, tall = 0;
  GetSize(wide, tall);
  if (wide != m_nLastWide || tall != m_nLastTall) {
    m_nLastWide = wide;
    m_nLastTall = tall;
    OnSizeChanged(wide, tall);
  }
  ApplyPinningToChildren();
  PerformLayout();
}

void Panel::InternalPaint() {
  ApplySchemeIfNeeded();
  m_nPaintAlpha = GetEffectiveAlpha();
  if (m_nPaintAlpha == 0) return;
  if (m_bPaintBackgroundEnabled) PaintBackground();
  if (m_bPaintEnabled) Paint();
}

void Panel::InternalPostChildPaint() {
  if (m_nPaintAlpha == 0) return;
  PostChildPaint();
  if (m_bPaintBorderEnabled) PaintBorder();
}

void Panel::PaintBackground() {
  if (m_BgColor.a() == 0) return;
  surface()->DrawSetColor(Faded(m_BgColor));
  surface()->DrawFilledRect(0, 0, GetWide(), GetTall());
}

void Panel::PaintBorder() {
  if (m_pBorder) m_pBorder->Paint(0, 0, GetWide(), GetTall());
}

// ---- focus

void Panel::RequestFocus(int direction) {
  (void)direction;
  input()->SetFocus(m_VPanel);
}

bool Panel::HasFocus() {
  return input() && input()->GetFocus() == m_VPanel;
}

void Panel::GetFocusCandidates(std::vector<Panel *> &candidates) {
  CollectFocusCandidates(this, candidates);
  // Panels with a tab position come first in its order, the rest keep tree order.
  std::stable_sort(candidates.begin(), candidates.end(), [](Panel *a, Panel *b) {
    const int pa = a->GetTabPosition() > 0 ? a->GetTabPosition() : INT_MAX;
    const int pb = b->GetTabPosition() > 0 ? b->GetTabPosition() : INT_MAX;
    return pa < pb;
  });
}

bool Panel::RequestFocusNext(bool forward) {
  // The focus group is the whole window the panel sits in.
  Panel *root = this;
  while (!root->IsPopup() && root->GetParent()) root = root->GetParent();
  std::vector<Panel *> candidates;
  root->GetFocusCandidates(candidates);
  if (candidates.empty()) return false;
  Panel *focused = PanelFromVPanel(input()->GetFocus());
  auto it = std::find(candidates.begin(), candidates.end(), focused ? focused : this);
  const int count = static_cast<int>(candidates.size());
  int index = 0;
  if (it != candidates.end()) {
    const int current = static_cast<int>(it - candidates.begin());
    index = (current + (forward ? 1 : count - 1)) % count;
  } else if (!forward) {
    index = count - 1;
  }
  candidates[index]->RequestFocus(forward ? 1 : -1);
  return true;
}

void Panel::OnSetFocus() {
  Repaint();
  // Ancestors learn which of their panels holds the focus (a tab sheet shows its page).
  KeyValues *message = new KeyValues("OnRequestFocus", "subFocus", static_cast<int>(m_VPanel));
  PassToParent(message);
}

void Panel::OnKillFocus() {
  Repaint();
}

bool Panel::IsControlDown() {
  return input()->IsKeyDown(KEY_LCONTROL) || input()->IsKeyDown(KEY_RCONTROL);
}
bool Panel::IsShiftDown() {
  return input()->IsKeyDown(KEY_LSHIFT) || input()->IsKeyDown(KEY_RSHIFT);
}

// ---- tooltips

Tooltip *Panel::GetTooltip() {
  if (!m_pTooltip) m_pTooltip = new Tooltip(this);
  return m_pTooltip;
}

void Panel::InternalCursorEntered() {
  if (m_pTooltip) m_pTooltip->ShowTooltip(this);
  surface()->SetCursor(m_hCursor);
  OnCursorEntered();
}

void Panel::InternalCursorExited() {
  if (m_pTooltip) m_pTooltip->HideTooltip();
  OnCursorExited();
}

void Panel::InternalMouseFocusTicked() {
  if (m_pTooltip) m_pTooltip->Tick();
}

}  // namespace kgui
