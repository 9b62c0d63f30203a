// Panel: the base element of the toolkit. It owns a host panel id and reaches the host's record of
// it (position, size, visibility, parent, children) through IPanel; it receives named messages
// through its message map (MessageMap.h), paints itself through the surface, applies its scheme,
// reads its layout keys and keeps its action-signal targets.
//
// Sections: identity and tree; geometry; state; painting and scheme; focus; messages and
// handlers; layout keys and pins; per-user settings; tooltips.
#pragma once

#include <string>
#include <vector>

#include "kgui/IClientPanel.h"
#include "kgui/KeyCode.h"
#include "kgui/kgui.h"
#include "kgui_controls/MessageMap.h"
#include "kgui_controls/PHandle.h"
#include "tier1/color.h"

class KeyValues;

namespace kgui {

class IBorder;
class IScheme;
class Tooltip;
struct PanelAnimationVar;

// The corner (or edge centre) of the parent a panel keeps its distance to.
enum PinCorner_e {
  PIN_NO = -1,
  PIN_TOPLEFT = 0,
  PIN_TOPRIGHT,
  PIN_BOTTOMLEFT,
  PIN_BOTTOMRIGHT,
  PIN_CENTER_TOP,
  PIN_CENTER_RIGHT,
  PIN_CENTER_BOTTOM,
  PIN_CENTER_LEFT,
};

// Which way a pinned panel grows with its parent.
enum AutoResize_e {
  AUTORESIZE_NO = 0,
  AUTORESIZE_RIGHT,
  AUTORESIZE_DOWN,
  AUTORESIZE_DOWNANDRIGHT,
};

// The toolkit panel of a host id, or null for ids of other panels (the desktop, a gone panel).
Panel *PanelFromVPanel(VPANEL panel);

class Panel {
 public:
  Panel();
  explicit Panel(Panel *parent);
  Panel(Panel *parent, const char *panelName);
  // Deletes the toolkit children, then releases the host id.
  virtual ~Panel();
  Panel(const Panel &) = delete;
  Panel &operator=(const Panel &) = delete;

  // ---- identity and tree
  using ThisClass = Panel;
  static const char *GetPanelClassName() { return "Panel"; }
  virtual const char *GetClassName() { return "Panel"; }
  virtual PanelMessageMap *GetMessageMap() { return s_pClassMessageMap; }
  static void RegisterClassMessageMap();

  VPANEL GetVPanel() const { return m_VPanel; }
  void SetName(const char *panelName);
  const char *GetName();

  void SetParent(Panel *newParent);
  void SetParent(VPANEL newParent);
  // The toolkit parent, or null (no parent, or a host panel such as the desktop).
  Panel *GetParent();
  VPANEL GetVParent();
  int GetChildCount();
  // The toolkit child at `index`, or null when that child is not a toolkit panel.
  Panel *GetChild(int index);
  // The first toolkit panel named `childName` (ignoring case), searching depth first with `recurse`.
  Panel *FindChildByName(const char *childName, bool recurse = false);
  // True when `potentialParent` is this panel or one of its ancestors.
  bool HasParent(VPANEL potentialParent);
  // Makes the panel a top-level window above the other panels.
  void MakePopup(bool showTaskbarIcon = true, bool disabled = false);
  bool IsPopup();
  // Asks the host to delete the panel at its next safe point.
  void MarkForDeletion();

  // ---- geometry (relative to the parent; popups in screen pixels)
  void SetPos(int x, int y);
  void GetPos(int &x, int &y);
  int GetXPos();
  int GetYPos();
  void SetSize(int wide, int tall);
  void GetSize(int &wide, int &tall);
  int GetWide();
  int GetTall();
  void SetWide(int wide);
  void SetTall(int tall);
  void SetBounds(int x, int y, int wide, int tall);
  void GetBounds(int &x, int &y, int &wide, int &tall);
  void SetMinimumSize(int wide, int tall);
  void GetMinimumSize(int &wide, int &tall);
  void SetInset(int left, int top, int right, int bottom);
  void GetInset(int &left, int &top, int &right, int &bottom);
  void LocalToScreen(int &x, int &y);
  void ScreenToLocal(int &x, int &y);
  // True when the cursor lies inside the panel's rectangle.
  bool IsCursorOver();
  void SetZPos(int z);
  int GetZPos();
  void MoveToFront();

  // ---- state
  virtual void SetVisible(bool state);
  bool IsVisible();
  // Visible with every ancestor up to its window.
  bool IsFullyVisible();
  virtual void SetEnabled(bool state);
  bool IsEnabled();
  void SetMouseInputEnabled(bool state);
  bool IsMouseInputEnabled();
  void SetKeyboardInputEnabled(bool state);
  bool IsKeyboardInputEnabled();
  // 0 (transparent) to 255; fades the panel and its toolkit children when painted.
  void SetAlpha(int alpha);
  int GetAlpha() const { return m_nAlpha; }
  // Own alpha times the alpha of the toolkit ancestors.
  int GetEffectiveAlpha();
  void SetCursor(HCursor cursor) { m_hCursor = cursor; }
  HCursor GetCursor() const { return m_hCursor; }

  // ---- painting and scheme
  void SetPaintEnabled(bool state) { m_bPaintEnabled = state; }
  void SetPaintBackgroundEnabled(bool state) { m_bPaintBackgroundEnabled = state; }
  void SetPaintBorderEnabled(bool state) { m_bPaintBorderEnabled = state; }
  bool IsPaintBackgroundEnabled() const { return m_bPaintBackgroundEnabled; }
  // Marks the layout for recomputation (at once with `layoutNow`); with `reloadScheme` the scheme
  // settings are applied again first.
  void InvalidateLayout(bool layoutNow = false, bool reloadScheme = false);
  virtual void Repaint();

  void SetScheme(const char *tag);
  void SetScheme(HScheme scheme);
  // The panel's scheme, else its toolkit parent's, else the host's default.
  HScheme GetScheme();
  IScheme *GetSchemeInterface();
  void SetFgColor(Color color) { m_FgColor = color; }
  void SetBgColor(Color color) { m_BgColor = color; }
  Color GetFgColor() const { return m_FgColor; }
  Color GetBgColor() const { return m_BgColor; }
  void SetBorder(IBorder *border) { m_pBorder = border; }
  IBorder *GetBorder() const { return m_pBorder; }
  void SetProportional(bool state) { m_bProportional = state; }
  bool IsProportional() const { return m_bProportional; }
  bool IsIgnoringScheme() const { return m_bIgnoreScheme; }
  // The scheme's colour of `key`, or `defaultColor`.
  static Color GetSchemeColor(const char *key, Color defaultColor, IScheme *schemeInterface);
  // The scheme's font of `fontName`; a toolkit font of that role when the scheme has none.
  HFont GetSchemeFont(IScheme *schemeInterface, const char *fontName);
  // `color` with the panel's effective alpha applied, for drawing.
  Color Faded(Color color);

  // ---- focus
  // Gives the keyboard focus to this panel.
  virtual void RequestFocus(int direction = 0);
  bool HasFocus();
  // True when Tab navigation may stop on this panel.
  virtual bool AcceptsFocus() { return false; }
  void SetTabPosition(int position) { m_iTabPosition = position; }
  int GetTabPosition() const { return m_iTabPosition; }
  // Moves the focus to the next (or previous) panel of the window this panel belongs to.
  bool RequestFocusNext(bool forward);
  // The shown, enabled panels below this one that take the focus, in Tab order.
  void GetFocusCandidates(std::vector<Panel *> &candidates);

  // ---- messages
  // Dispatches a message through the message maps; unknown messages are dropped.
  virtual void OnMessage(KeyValues *message, VPANEL from);
  // Posts `message` (taken over) to the target through the host's queue, this panel as sender.
  void PostMessage(Panel *target, KeyValues *message, float delaySeconds = 0.0f);
  void PostMessage(VPANEL target, KeyValues *message, float delaySeconds = 0.0f);
  // Sends `message` synchronously; the caller keeps it.
  void SendMessage(VPANEL target, KeyValues *message);
  void AddActionSignalTarget(Panel *target);
  void AddActionSignalTarget(VPANEL target);
  void RemoveActionSignalTarget(Panel *target);
  // Sets "panel" and posts the message (taken over) to every target, the first-registered last.
  void PostActionSignal(KeyValues *message);
  int GetActionSignalTargetCount() const { return static_cast<int>(m_ActionSignalTargets.size()); }
  // A command from a child control. The default turns it into a message named after the command,
  // posted to this panel and signalled to the action-signal targets.
  virtual void OnCommand(const char *command);

  // ---- layout keys
  // Reads the keys of one layout block; classes read their own keys through ApplySingleSetting.
  virtual void ApplySettings(KeyValues *inResourceData);
  // Applies one value key; true when the key was understood.
  virtual bool ApplySingleSetting(KeyValues *setting);
  // The animatable variables of the class and its bases (layout keys and animation targets).
  virtual void GetAnimationVars(std::vector<PanelAnimationVar> &vars);
  void SetPinCorner(PinCorner_e corner, int offsetX, int offsetY);
  void SetAutoResize(PinCorner_e corner, AutoResize_e resize, int pinOffsetX, int pinOffsetY,
                     int unpinnedOffsetX, int unpinnedOffsetY);
  PinCorner_e GetPinCorner() const { return m_PinCorner; }
  AutoResize_e GetAutoResize() const { return m_AutoResize; }
  const char *GetStyleName() const { return m_StyleName.c_str(); }
  const char *GetGroupName() const { return m_GroupName.c_str(); }

  // ---- per-user settings (kept by the host between runs)
  virtual bool HasUserConfigSettings() { return false; }
  virtual void ApplyUserConfigSettings(KeyValues *userConfig) { (void)userConfig; }
  virtual void GetUserConfigSettings(KeyValues *userConfig) { (void)userConfig; }

  // ---- tooltips
  // The panel's tooltip, made on first use.
  Tooltip *GetTooltip();
  bool HasTooltip() const { return m_pTooltip != nullptr; }

  // ---- host callbacks
  // Answers an information request; the default passes it to the parent.
  virtual bool RequestInfo(KeyValues *outputData);
  // Adds what the panel shows to its block of a state dump.
  virtual void Describe(KeyValues *panelBlock) { (void)panelBlock; }

 protected:
  // ---- overridables of the frame
  virtual void OnThink() {}
  virtual void PerformLayout() {}
  virtual void PaintBackground();
  virtual void Paint() {}
  virtual void PostChildPaint() {}
  virtual void PaintBorder();
  virtual void ApplySchemeSettings(IScheme *schemeInterface);
  // A toolkit child was parented to this panel.
  virtual void OnChildAdded(VPANEL child) { (void)child; }
  virtual void OnSizeChanged(int newWide, int newTall) { (void)newWide, (void)newTall; }

  // ---- message handlers (named after their messages)
  virtual void OnMouseCaptureLost() {}
  virtual void OnSetFocus();
  virtual void OnKillFocus();
  virtual void OnDelete();
  virtual void OnTick() {}
  virtual void OnCursorMoved(int x, int y) { (void)x, (void)y; }
  virtual void OnCursorEntered() {}
  virtual void OnCursorExited() {}
  virtual void OnMousePressed(MouseCode code) { (void)code; }
  virtual void OnMouseDoublePressed(MouseCode code) { OnMousePressed(code); }
  virtual void OnMouseTriplePressed(MouseCode code) { (void)code; }
  virtual void OnMouseReleased(MouseCode code) { (void)code; }
  virtual void OnMouseWheeled(int delta);
  virtual void OnKeyCodePressed(KeyCode code);
  virtual void OnKeyCodeTyped(KeyCode code);
  virtual void OnKeyTyped(int unichar);
  virtual void OnKeyCodeReleased(KeyCode code);
  virtual void OnKeyFocusTicked();
  virtual void OnMouseFocusTicked();
  virtual void OnRequestFocus(int subFocus);
  virtual void OnScreenSizeChanged(int oldWide, int oldTall);
  virtual void OnLayoutFileChanged(const char *file);
  virtual void OnLocalizationFileChanged();
  virtual void OnDialogVariablesChanged(KeyValues *variables) { (void)variables; }
  virtual void OnMove() {}

  // Whether a control or shift key is held.
  static bool IsControlDown();
  static bool IsShiftDown();
  // Sends `message` (taken over) to the parent at once: input nobody here handled.
  void PassToParent(KeyValues *message);
  // Applies the scheme now if it has not been applied yet (fonts are needed to measure text).
  void ApplySchemeIfNeeded();

 private:
  // The host's way into the panel; kept apart so the toolkit keeps its own names.
  class ClientAdapter final : public IClientPanel {
   public:
    explicit ClientAdapter(Panel &panel) : m_Panel(panel) {}
    VPANEL GetVPanel() override { return m_Panel.m_VPanel; }
    void Think() override { m_Panel.InternalThink(); }
    void PerformLayout() override { m_Panel.InternalPerformLayout(); }
    void Paint() override { m_Panel.InternalPaint(); }
    void PostChildPaint() override { m_Panel.InternalPostChildPaint(); }
    void OnMessage(KeyValues *message, VPANEL from) override { m_Panel.OnMessage(message, from); }
    void DeletePanel() override { delete &m_Panel; }
    const char *GetClassName() override { return m_Panel.GetClassName(); }
    void Describe(KeyValues *panelBlock) override { m_Panel.Describe(panelBlock); }
    bool RequestInfo(KeyValues *outputData) override { return m_Panel.RequestInfo(outputData); }

   private:
    Panel &m_Panel;
  };

  void Init(Panel *parent, const char *panelName);
  void InternalThink();
  void InternalPerformLayout();
  void InternalPaint();
  void InternalPostChildPaint();
  void ApplyPinningToChildren();
  void ApplyPinning(int parentWide, int parentTall);
  void RecordPinOffsets();

  // Dispatch steps (PanelMessaging.cpp).
  bool DispatchThroughMaps(KeyValues *message);
  bool DispatchEntry(const MessageMapItem_t &entry, KeyValues *message);
  bool DispatchLegacy(KeyValues *message);

  // Layout key steps (PanelSettings.cpp).
  void ApplyAnimationVarSettings(KeyValues *inResourceData);
  void ApplyPositionSettings(KeyValues *inResourceData);
  void ApplySizeSettings(KeyValues *inResourceData);
  void ApplyPinSettings(KeyValues *inResourceData);
  // Parses a layout coordinate: a number, or "c"/"r" and a number relative to `parentSize`.
  int ParseCoordinate(const char *key, const char *text, int parentSize, int current);
  int ScaleIfProportional(int value);
  void ApplyTooltipSetting(KeyValues *setting);

  // ---- handlers the map calls that forward to the overridables above
  void InternalCursorMoved(int x, int y) { OnCursorMoved(x, y); }
  void InternalMousePressed(int code) { OnMousePressed(static_cast<MouseCode>(code)); }
  void InternalMouseDoublePressed(int code) { OnMouseDoublePressed(static_cast<MouseCode>(code)); }
  void InternalMouseTriplePressed(int code) { OnMouseTriplePressed(static_cast<MouseCode>(code)); }
  void InternalMouseReleased(int code) { OnMouseReleased(static_cast<MouseCode>(code)); }
  void InternalKeyCodePressed(int code) { OnKeyCodePressed(static_cast<KeyCode>(code)); }
  void InternalKeyCodeTyped(int code) { OnKeyCodeTyped(static_cast<KeyCode>(code)); }
  void InternalKeyCodeReleased(int code) { OnKeyCodeReleased(static_cast<KeyCode>(code)); }
  void InternalMouseFocusTicked();
  void InternalCursorEntered();
  void InternalCursorExited();
  void InternalInvalidateLayout() { InvalidateLayout(); }
  void InternalClearSchemeSettings() { InvalidateLayout(false, true); }
  void InternalCursorEnteredChild() {}
  void InternalCursorExitedChild() {}
  void InternalRequestFocusLegacy(int direction) { RequestFocus(direction); }

  inline static PanelMessageMap *s_pClassMessageMap = nullptr;
  [[no_unique_address]] MessageMapRegistrar<Panel> m_ClassMessageMapRegistrar;

  ClientAdapter m_ClientAdapter{*this};
  VPANEL m_VPanel = NULL_PANEL;
  std::vector<HPanel> m_ActionSignalTargets;  // _actionSignalTargetDar
  Tooltip *m_pTooltip = nullptr;
  IBorder *m_pBorder = nullptr;
  HScheme m_hScheme = INVALID_SCHEME;
  HCursor m_hCursor = dc_arrow;
  Color m_FgColor;
  Color m_BgColor;
  int m_nAlpha = 255;
  int m_nPaintAlpha = 255;  // the effective alpha while a paint is under way
  int m_iTabPosition = 0;
  std::string m_StyleName;
  std::string m_GroupName;

  // Pinning to the parent, from layout keys or SetAutoResize.
  PinCorner_e m_PinCorner = PIN_NO;
  AutoResize_e m_AutoResize = AUTORESIZE_NO;
  int m_nPinOffsetX = 0;
  int m_nPinOffsetY = 0;
  int m_nUnpinnedOffsetX = 0;
  int m_nUnpinnedOffsetY = 0;
  bool m_bPinOffsetsGiven = false;
  int m_nLastWide = -1;
  int m_nLastTall = -1;

  bool m_bNeedsSchemeUpdate = true;
  bool m_bPaintEnabled = true;
  bool m_bPaintBackgroundEnabled = true;
  bool m_bPaintBorderEnabled = true;
  bool m_bProportional = false;
  bool m_bIgnoreScheme = false;
};

}  // namespace kgui
