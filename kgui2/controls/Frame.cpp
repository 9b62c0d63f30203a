// Frame: activation and closing, modality, the title bar, dragging, maximising, fading and
// per-user placement.
#include "kgui_controls/Frame.h"

#include <algorithm>

#include "DefaultTheme.h"
#include "FrameParts.h"
#include "kgui_controls/AnimationController.h"
#include "kgui_controls/PanelAnimationVar.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(Frame, EditablePanel)
MESSAGE_ENTRY("CloseFrameButtonPressed", OnCloseFrameButtonPressed)
MESSAGE_ENTRY("MinimizeButtonPressed", OnMinimizeButtonPressed)
MESSAGE_ENTRY("MaximizeButtonPressed", OnMaximizeButtonPressed)
END_MESSAGE_MAP()

namespace {

constexpr int kGripThickness = 5;
constexpr int kCornerGrip = 14;
constexpr int kCaptionButtonWide = 30;
constexpr int kTitleInset = 10;

struct GripPlace {
  const char *name;
  int dx, dy;
};

constexpr GripPlace kGrips[8] = {
    {"frame_left", -1, 0},       {"frame_right", 1, 0},       {"frame_top", 0, -1},
    {"frame_bottom", 0, 1},      {"frame_topleft", -1, -1},   {"frame_topright", 1, -1},
    {"frame_bottomleft", -1, 1}, {"frame_bottomright", 1, 1},
};

}  // namespace

Frame::Frame(Panel *parent, const char *panelName, bool showTaskbarIcon)
    : EditablePanel(parent, panelName), m_nCaptionHeight(theme::kTitleBarHeight) {
  MakePopup(showTaskbarIcon);
  Panel::SetVisible(false);
  SetSize(400, 300);
  SetMinimumSize(128, 66);
  m_pMinimizeButton = new FrameButton(this, "frame_minimize", FrameButton::GLYPH_MINIMIZE, "Minimize");
  m_pMaximizeButton = new FrameButton(this, "frame_maximize", FrameButton::GLYPH_MAXIMIZE, "Maximize");
  m_pCloseButton = new FrameButton(this, "frame_close", FrameButton::GLYPH_CLOSE, "Close");
  for (int i = 0; i < 8; ++i) m_pGrips[i] = new FrameGrip(this, kGrips[i].name, kGrips[i].dx, kGrips[i].dy);
}

Frame::~Frame() {
  if (input() && input()->GetAppModalSurface() == GetVPanel()) input()->ReleaseAppModalSurface();
}

// ---- opening and closing

void Frame::Activate() {
  const bool wasVisible = IsVisible();
  m_bFadingOut = false;
  Panel::SetVisible(true);
  SetEnabled(true);
  MoveToFront();
  if (!wasVisible && m_flTransitionEffectTime > 0.0f) {
    SetAlpha(0);
    GetAnimationController()->RunAnimationCommand(this, "alpha", 255.0f, 0.0f, m_flTransitionEffectTime);
  } else if (!GetAnimationController()->IsAnimating(this, "alpha")) {
    SetAlpha(255);
  }
  const VPANEL focus = input()->GetFocus();
  if (focus == NULL_PANEL || !ipanel()->HasParent(focus, GetVPanel())) RequestFocus();
  InvalidateLayout();
}

void Frame::Close() {
  if (m_bFadingOut) return;
  // A hidden frame has nothing to fade, but one that deletes itself on close must still go.
  if (!IsVisible()) {
    if (m_bDeleteSelfOnClose) FinishClose();
    return;
  }
  if (IsModal()) input()->ReleaseAppModalSurface();
  OnClose();
  if (m_flTransitionEffectTime > 0.0f) {
    m_bFadingOut = true;
    m_flFadeOutEnd = system()->GetCurrentTime() + m_flTransitionEffectTime;
    GetAnimationController()->RunAnimationCommand(this, "alpha", 0.0f, 0.0f, m_flTransitionEffectTime);
    return;
  }
  FinishClose();
}

void Frame::OnClose() {}

void Frame::FinishClose() {
  m_bFadingOut = false;
  GetAnimationController()->CancelAnimationsForPanel(this);
  Panel::SetVisible(false);
  SetAlpha(255);
  OnFinishedClose();
}

void Frame::OnFinishedClose() {
  if (m_bDeleteSelfOnClose) MarkForDeletion();
}

void Frame::DoModal() {
  input()->SetAppModalSurface(GetVPanel());
  Activate();
}

void Frame::CloseModal() {
  if (IsModal()) input()->ReleaseAppModalSurface();
  Close();
}

bool Frame::IsModal() {
  return input() && input()->GetAppModalSurface() == GetVPanel();
}

void Frame::MoveToCenterOfScreen() {
  int x = 0, y = 0, wide = 0, tall = 0;
  surface()->GetWorkspaceBounds(x, y, wide, tall);
  SetPos(x + (wide - GetWide()) / 2, y + (tall - GetTall()) / 2);
}

void Frame::Minimize() {
  surface()->SetMinimized(GetVPanel(), true);
}

void Frame::ToggleMaximize() {
  if (m_bMaximized) {
    SetBounds(m_RestoreBounds[0], m_RestoreBounds[1], m_RestoreBounds[2], m_RestoreBounds[3]);
    m_bMaximized = false;
    return;
  }
  GetBounds(m_RestoreBounds[0], m_RestoreBounds[1], m_RestoreBounds[2], m_RestoreBounds[3]);
  int x = 0, y = 0, wide = 0, tall = 0;
  surface()->GetWorkspaceBounds(x, y, wide, tall);
  SetBounds(x, y, wide, tall);
  m_bMaximized = true;
}

void Frame::OnThink() {
  // The controller may not be advanced by anyone else while only frames fade.
  GetAnimationController()->UpdateAnimations(system()->GetCurrentTime());
  if (m_bFadingOut && system()->GetCurrentTime() >= m_flFadeOutEnd) FinishClose();
}

void Frame::OnCommand(const char *command) {
  if (!V_stricmp(command, "Close")) {
    Close();
  } else if (!V_stricmp(command, "CloseModal")) {
    CloseModal();
  } else if (!V_stricmp(command, "Minimize")) {
    Minimize();
  } else if (!V_stricmp(command, "Maximize")) {
    ToggleMaximize();
  } else {
    BaseClass::OnCommand(command);
  }
}

// ---- title and options

void Frame::SetTitle(const char *title, bool surfaceTitle) {
  m_Title.SetText(title);
  m_Title.SetDialogVariables(GetDialogVariables());
  m_bSurfaceTitle = surfaceTitle;
  UpdateSurfaceTitle();
  Repaint();
}

void Frame::UpdateSurfaceTitle() {
  if (m_bSurfaceTitle) surface()->SetTitle(GetVPanel(), m_Title.GetText().c_str());
}

void Frame::OnDialogVariablesUpdated() {
  m_Title.SetDialogVariables(GetDialogVariables());
  UpdateSurfaceTitle();
  Repaint();
}

void Frame::OnLocalizationFileChanged() {
  m_Title.ResolveLocalizedText();
  UpdateSurfaceTitle();
  BaseClass::OnLocalizationFileChanged();
}

void Frame::SetTitleBarVisible(bool state) {
  m_bTitleBarVisible = state;
  InvalidateLayout();
}

void Frame::SetSizeable(bool state) {
  m_bSizeable = state;
  InvalidateLayout();
}

void Frame::SetCloseButtonVisible(bool state) {
  m_pCloseButton->SetVisible(state);
  InvalidateLayout();
}

void Frame::SetMinimizeButtonVisible(bool state) {
  m_pMinimizeButton->SetVisible(state);
  InvalidateLayout();
}

void Frame::SetMaximizeButtonVisible(bool state) {
  m_pMaximizeButton->SetVisible(state);
  InvalidateLayout();
}

int Frame::GetCaptionHeight() const {
  return m_bTitleBarVisible ? m_nCaptionHeight : 0;
}

bool Frame::IsActiveFrame() {
  const VPANEL focus = input()->GetFocus();
  if (focus != NULL_PANEL) return ipanel()->HasParent(focus, GetVPanel());
  // Without a focus, the frontmost ordinary window counts as active.
  for (int i = surface()->GetPopupCount() - 1; i >= 0; --i) {
    const VPANEL popup = surface()->GetPopup(i);
    if (!ipanel()->IsFullyVisible(popup) || ipanel()->IsTopmostPopup(popup)) continue;
    return popup == GetVPanel();
  }
  return false;
}

// ---- layout keys and per-user placement

void Frame::GetAnimationVars(std::vector<PanelAnimationVar> &vars) {
  vars.push_back(
      MakeAnimationVar<&Frame::m_flTransitionEffectTime>("TransitionEffectTime", AnimVarKind::Float));
  BaseClass::GetAnimationVars(vars);
}

void Frame::ApplySettings(KeyValues *inResourceData) {
  // A layout places the frame; showing it is Activate's.
  const bool visible = IsVisible();
  BaseClass::ApplySettings(inResourceData);
  Panel::SetVisible(visible);
}

bool Frame::ApplySingleSetting(KeyValues *setting) {
  const char *key = setting->GetName();
  if (!V_stricmp(key, "title")) {
    SetTitle(setting->GetString());
  } else if (!V_stricmp(key, "settitlebarvisible")) {
    SetTitleBarVisible(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "visible")) {
    // Handled by ApplySettings: a layout never opens a window.
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  return true;
}

void Frame::ApplyUserConfigSettings(KeyValues *userConfig) {
  if (!userConfig) return;
  int x = 0, y = 0, wide = 0, tall = 0;
  GetBounds(x, y, wide, tall);
  x = userConfig->GetInt("xpos", x);
  y = userConfig->GetInt("ypos", y);
  if (m_bSizeable) {
    wide = userConfig->GetInt("wide", wide);
    tall = userConfig->GetInt("tall", tall);
  }
  // A saved place off the current screen is pulled back onto it.
  int screenX = 0, screenY = 0, screenWide = 0, screenTall = 0;
  surface()->GetWorkspaceBounds(screenX, screenY, screenWide, screenTall);
  wide = std::min(wide, screenWide);
  tall = std::min(tall, screenTall);
  x = std::clamp(x, screenX, screenX + screenWide - wide);
  y = std::clamp(y, screenY, screenY + screenTall - tall);
  SetBounds(x, y, wide, tall);
}

void Frame::GetUserConfigSettings(KeyValues *userConfig) {
  if (!userConfig) return;
  int x = 0, y = 0, wide = 0, tall = 0;
  if (m_bMaximized) {
    x = m_RestoreBounds[0], y = m_RestoreBounds[1], wide = m_RestoreBounds[2], tall = m_RestoreBounds[3];
  } else {
    GetBounds(x, y, wide, tall);
  }
  userConfig->SetInt("xpos", x);
  userConfig->SetInt("ypos", y);
  if (m_bSizeable) {
    userConfig->SetInt("wide", wide);
    userConfig->SetInt("tall", tall);
  }
}

void Frame::Describe(KeyValues *panelBlock) {
  panelBlock->SetString("text", m_Title.GetTextUtf8().c_str());
}

// ---- title bar dragging

bool Frame::IsInTitleBar(int x, int y) {
  return m_bTitleBarVisible && y >= 0 && y < m_nCaptionHeight && x >= 0 && x < GetWide();
}

void Frame::OnMousePressed(MouseCode code) {
  if (code != MOUSE_LEFT) return;
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  int localX = x, localY = y;
  ScreenToLocal(localX, localY);
  if (!m_bMoveable || m_bMaximized || !IsInTitleBar(localX, localY)) return;
  m_bDragging = true;
  m_nDragOffsetX = localX;
  m_nDragOffsetY = localY;
  input()->SetMouseCapture(GetVPanel());
}

void Frame::OnMouseDoublePressed(MouseCode code) {
  int x = 0, y = 0;
  input()->GetCursorPos(x, y);
  ScreenToLocal(x, y);
  if (code == MOUSE_LEFT && m_bSizeable && m_pMaximizeButton->IsVisible() && IsInTitleBar(x, y))
    ToggleMaximize();
}

void Frame::OnMouseReleased(MouseCode code) {
  if (code != MOUSE_LEFT || !m_bDragging) return;
  m_bDragging = false;
  if (input()->GetMouseCapture() == GetVPanel()) input()->SetMouseCapture(NULL_PANEL);
}

void Frame::OnCursorMoved(int x, int y) {
  (void)x, (void)y;
  if (!m_bDragging) return;
  int cursorX = 0, cursorY = 0;
  input()->GetCursorPos(cursorX, cursorY);
  // The title bar stays reachable: the frame never leaves the screen by its top.
  int screenWide = 0, screenTall = 0;
  surface()->GetScreenSize(screenWide, screenTall);
  const int newX = std::clamp(cursorX - m_nDragOffsetX, -GetWide() + 40, screenWide - 40);
  const int newY = std::clamp(cursorY - m_nDragOffsetY, 0, screenTall - 20);
  SetPos(newX, newY);
}

// ---- layout and drawing

void Frame::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  SetBgColor(GetSchemeColor("Frame.BgColor", theme::kWindowBg, schemeInterface));
  m_TitleBarBgColor = GetSchemeColor("Frame.TitleBarBgColor", theme::kTitleBarBg, schemeInterface);
  m_TitleBarInactiveBgColor =
      GetSchemeColor("Frame.TitleBarInactiveBgColor", theme::kTitleBarInactiveBg, schemeInterface);
  m_TitleTextColor = GetSchemeColor("Frame.TitleTextColor", theme::kTitleBarText, schemeInterface);
  m_TitleInactiveTextColor =
      GetSchemeColor("Frame.TitleTextInactiveColor", theme::kTitleBarInactiveText, schemeInterface);
  m_BorderColor = GetSchemeColor("Frame.BorderColor", theme::kFrameBorder, schemeInterface);
  m_Title.SetFont(GetSchemeFont(schemeInterface, GetTitleFontName()));
}

void Frame::PerformLayout() {
  const int wide = GetWide(), tall = GetTall();
  // Caption buttons from the right edge, inside the border.
  int x = wide - 1;
  for (FrameButton *button : {m_pCloseButton, m_pMaximizeButton, m_pMinimizeButton}) {
    const bool shown = m_bTitleBarVisible && button->IsVisible();
    if (!shown) continue;
    x -= kCaptionButtonWide;
    button->SetBounds(x, 1, kCaptionButtonWide, m_nCaptionHeight - 1);
  }
  for (FrameButton *button : {m_pCloseButton, m_pMaximizeButton, m_pMinimizeButton})
    if (!m_bTitleBarVisible) button->SetBounds(-100, -100, 0, 0);
  const int edge = kGripThickness, corner = kCornerGrip;
  const int bounds[8][4] = {
      {0, corner, edge, tall - 2 * corner},
      {wide - edge, corner, edge, tall - 2 * corner},
      {corner, 0, wide - 2 * corner, edge},
      {corner, tall - edge, wide - 2 * corner, edge},
      {0, 0, corner, edge},
      {wide - corner, 0, corner, edge},
      {0, tall - corner, corner, corner},
      {wide - corner, tall - corner, corner, corner},
  };
  for (int i = 0; i < 8; ++i) {
    m_pGrips[i]->SetVisible(m_bSizeable && !m_bMaximized);
    m_pGrips[i]->SetBounds(bounds[i][0], bounds[i][1], bounds[i][2], bounds[i][3]);
    m_pGrips[i]->MoveToFront();
  }
  m_pCloseButton->MoveToFront();
  m_pMaximizeButton->MoveToFront();
  m_pMinimizeButton->MoveToFront();
}

void Frame::PaintBackground() {
  BaseClass::PaintBackground();
  if (!m_bTitleBarVisible) return;
  const bool active = IsActiveFrame();
  surface()->DrawSetColor(Faded(active ? m_TitleBarBgColor : m_TitleBarInactiveBgColor));
  surface()->DrawFilledRect(0, 0, GetWide(), m_nCaptionHeight);
  int titleWide = 0, titleTall = 0;
  m_Title.GetContentSize(titleWide, titleTall);
  m_Title.SetPos(kTitleInset, (m_nCaptionHeight - titleTall) / 2);
  // A long title stops short of the caption buttons.
  int textEnd = GetWide() - kTitleInset;
  for (FrameButton *button : {m_pCloseButton, m_pMaximizeButton, m_pMinimizeButton})
    if (button->IsVisible()) textEnd = std::min(textEnd, button->GetXPos() - 4);
  surface()->DrawSetClipRect(0, 0, textEnd, m_nCaptionHeight);
  m_Title.Paint(Faded(active ? m_TitleTextColor : m_TitleInactiveTextColor));
  surface()->DrawClearClipRect();
}

void Frame::PaintBorder() {
  surface()->DrawSetColor(Faded(m_BorderColor));
  surface()->DrawOutlinedRect(0, 0, GetWide(), GetTall());
}

}  // namespace kgui
