// Panel: the keys every panel reads from its layout block, and pinning to the parent's corners.
#include <cctype>
#include <cmath>

#include "kgui_controls/Panel.h"
#include "kgui_controls/PanelAnimationVar.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

bool IsKey(KeyValues *setting, const char *name) {
  return V_stricmp(setting->GetName(), name) == 0;
}

// A whole decimal number (fractions are cut); false for anything else.
bool ParseLayoutNumber(const char *text, int &value) {
  while (*text && isspace(static_cast<unsigned char>(*text))) ++text;
  const char *end = nullptr;
  const double number = V_StringToDouble(text, &end);
  if (end == text || !std::isfinite(number) || std::fabs(number) > 1e9) return false;
  while (*end && isspace(static_cast<unsigned char>(*end))) ++end;
  if (*end) return false;
  value = static_cast<int>(number);
  return true;
}

}  // namespace

void Panel::ApplySettings(KeyValues *inResourceData) {
  if (!inResourceData) return;
  ApplyAnimationVarSettings(inResourceData);
  ApplyPositionSettings(inResourceData);
  ApplySizeSettings(inResourceData);
  const int visible = inResourceData->GetInt("visible", 1);
  if (visible == 0) SetVisible(false);
  ApplyPinSettings(inResourceData);
  if (inResourceData->FindKey("IgnoreScheme")) m_bIgnoreScheme = inResourceData->GetInt("IgnoreScheme") != 0;
  if (KeyValues *fieldName = inResourceData->FindKey("fieldName")) SetName(fieldName->GetString());

  for (KeyValues *setting = inResourceData->GetFirstValue(); setting; setting = setting->GetNextValue()) {
    // Position, size and visibility were read as a whole above.
    if (IsKey(setting, "xpos") || IsKey(setting, "ypos") || IsKey(setting, "wide") ||
        IsKey(setting, "tall") || IsKey(setting, "visible"))
      continue;
    ApplySingleSetting(setting);
  }
  if (visible != -1) SetVisible(visible != 0);
  InvalidateLayout();
}

bool Panel::ApplySingleSetting(KeyValues *setting) {
  const char *text = setting->GetString();
  if (IsKey(setting, "tabposition")) {
    SetTabPosition(setting->GetInt());
  } else if (IsKey(setting, "enabled")) {
    SetEnabled(setting->GetInt() != 0);
  } else if (IsKey(setting, "style")) {
    m_StyleName = text;
  } else if (IsKey(setting, "zpos")) {
    SetZPos(setting->GetInt());
  } else if (IsKey(setting, "mouseinputenabled")) {
    SetMouseInputEnabled(setting->GetInt() != 0);
  } else if (IsKey(setting, "keyboardinputenabled")) {
    SetKeyboardInputEnabled(setting->GetInt() != 0);
  } else if (IsKey(setting, "group")) {
    m_GroupName = text;
  } else if (IsKey(setting, "tooltiptext") || IsKey(setting, "tooltipdelay") ||
             IsKey(setting, "tooltipanchor")) {
    ApplyTooltipSetting(setting);
  } else if (IsKey(setting, "xpos") || IsKey(setting, "ypos") || IsKey(setting, "wide") ||
             IsKey(setting, "tall")) {
    // A reload offers changed geometry one key at a time.
    KeyValues *block = new KeyValues("settings");
    block->SetString(setting->GetName(), text);
    ApplyPositionSettings(block);
    ApplySizeSettings(block);
    block->Destroy();
  } else if (IsKey(setting, "visible")) {
    if (setting->GetInt() != -1) SetVisible(setting->GetInt() != 0);
  } else {
    return false;
  }
  return true;
}

void Panel::ApplyTooltipSetting(KeyValues *setting) {
  if (IsKey(setting, "tooltiptext")) {
    GetTooltip()->SetText(setting->GetString());
    return;
  }
  // Delay and anchor only tune a tooltip the panel already has.
  if (!m_pTooltip) return;
  if (IsKey(setting, "tooltipdelay")) {
    const int delay = setting->GetInt();
    if (delay >= 0) m_pTooltip->SetTooltipDelay(delay);
  } else {
    const char *anchor = setting->GetString();
    if (!V_stricmp(anchor, "Cursor"))
      m_pTooltip->SetTooltipAnchor(Tooltip::ANCHOR_CURSOR);
    else if (!V_stricmp(anchor, "Parent"))
      m_pTooltip->SetTooltipAnchor(Tooltip::ANCHOR_PARENT);
    else
      m_pTooltip->SetTooltipAnchor(Tooltip::ANCHOR_DEFAULT);
  }
}

void Panel::GetAnimationVars(std::vector<PanelAnimationVar> &vars) {
  (void)vars;
}

void Panel::ApplyAnimationVarSettings(KeyValues *inResourceData) {
  std::vector<PanelAnimationVar> vars;
  GetAnimationVars(vars);
  for (const PanelAnimationVar &var : vars) {
    KeyValues *value = inResourceData->FindKey(var.name);
    if (value && !value->GetFirstSubKey())
      var.setFromText(this, value->GetString(), var.kind, GetSchemeInterface());
  }
}

int Panel::ScaleIfProportional(int value) {
  return m_bProportional ? scheme()->GetProportionalScaledValue(value) : value;
}

int Panel::ParseCoordinate(const char *key, const char *text, int parentSize, int current) {
  while (*text && isspace(static_cast<unsigned char>(*text))) ++text;
  const char prefix = V_tolower(*text);
  const bool relative = prefix == 'c' || prefix == 'r';
  int value = 0;
  if (!ParseLayoutNumber(relative ? text + 1 : text, value)) {
    Warning("Panel '%s': '%s' has a bad number '%s'\n", GetName(), key, text);
    return current;
  }
  value = ScaleIfProportional(value);
  if (!relative) return value;
  return prefix == 'c' ? parentSize / 2 + value : parentSize - value;
}

void Panel::ApplyPositionSettings(KeyValues *inResourceData) {
  const char *xText = inResourceData->GetString("xpos", nullptr);
  const char *yText = inResourceData->GetString("ypos", nullptr);
  if (!xText && !yText) return;
  int parentWide = 0, parentTall = 0;
  const VPANEL parent = GetVParent();
  if (parent != NULL_PANEL) ipanel()->GetSize(parent, parentWide, parentTall);
  int x = 0, y = 0;
  GetPos(x, y);
  for (const char *text : {xText, yText}) {
    if (!text) continue;
    const char prefix = V_tolower(*text);
    const bool isX = text == xText;
    if (prefix == 'c' || prefix == 'r') Assert(GetVParent());
    int &coordinate = isX ? x : y;
    coordinate = ParseCoordinate(isX ? "xpos" : "ypos", text, isX ? parentWide : parentTall, coordinate);
  }
  SetPos(x, y);
}

void Panel::ApplySizeSettings(KeyValues *inResourceData) {
  const char *wideText = inResourceData->GetString("wide", nullptr);
  const char *tallText = inResourceData->GetString("tall", nullptr);
  if (!wideText && !tallText) return;
  int parentWide = 0, parentTall = 0;
  const VPANEL parent = GetVParent();
  if (parent != NULL_PANEL) ipanel()->GetSize(parent, parentWide, parentTall);
  int x = 0, y = 0, wide = 0, tall = 0;
  GetBounds(x, y, wide, tall);
  if (wideText) {
    if (!V_stricmp(wideText, "max")) {
      wide = parentWide;
    } else if (V_tolower(*wideText) == 'r') {
      wide = parentWide - ParseCoordinate("wide", wideText + 1, 0, parentWide - wide - x) - x;
    } else {
      wide = ParseCoordinate("wide", wideText, 0, wide);
    }
  }
  if (tallText) {
    if (V_tolower(*tallText) == 'r')
      tall = parentTall - ParseCoordinate("tall", tallText + 1, 0, parentTall - tall - y) - y;
    else
      tall = ParseCoordinate("tall", tallText, 0, tall);
  }
  SetSize(wide, tall);
}

void Panel::ApplyPinSettings(KeyValues *inResourceData) {
  if (!inResourceData->FindKey("PinCorner") && !inResourceData->FindKey("AutoResize")) return;
  const int corner = inResourceData->GetInt("PinCorner", PIN_TOPLEFT);
  const int resize = inResourceData->GetInt("AutoResize", AUTORESIZE_NO);
  m_PinCorner =
      (corner >= PIN_TOPLEFT && corner <= PIN_CENTER_LEFT) ? static_cast<PinCorner_e>(corner) : PIN_NO;
  m_AutoResize = (resize >= AUTORESIZE_NO && resize <= AUTORESIZE_DOWNANDRIGHT)
                     ? static_cast<AutoResize_e>(resize)
                     : AUTORESIZE_NO;
  m_bPinOffsetsGiven =
      inResourceData->FindKey("PinnedCornerOffsetX") || inResourceData->FindKey("PinnedCornerOffsetY");
  if (m_bPinOffsetsGiven) {
    m_nPinOffsetX = ScaleIfProportional(inResourceData->GetInt("PinnedCornerOffsetX"));
    m_nPinOffsetY = ScaleIfProportional(inResourceData->GetInt("PinnedCornerOffsetY"));
    m_nUnpinnedOffsetX = ScaleIfProportional(inResourceData->GetInt("UnpinnedCornerOffsetX"));
    m_nUnpinnedOffsetY = ScaleIfProportional(inResourceData->GetInt("UnpinnedCornerOffsetY"));
  } else {
    RecordPinOffsets();
  }
}

void Panel::SetPinCorner(PinCorner_e corner, int offsetX, int offsetY) {
  SetAutoResize(corner, AUTORESIZE_NO, offsetX, offsetY, 0, 0);
}

void Panel::SetAutoResize(PinCorner_e corner, AutoResize_e resize, int pinOffsetX, int pinOffsetY,
                          int unpinnedOffsetX, int unpinnedOffsetY) {
  m_PinCorner = corner;
  m_AutoResize = resize;
  m_nPinOffsetX = pinOffsetX;
  m_nPinOffsetY = pinOffsetY;
  m_nUnpinnedOffsetX = unpinnedOffsetX;
  m_nUnpinnedOffsetY = unpinnedOffsetY;
  m_bPinOffsetsGiven = true;
  if (Panel *parent = GetParent()) parent->InvalidateLayout();
}

namespace {

// Where a corner (or edge centre) of a rectangle lies, as fractions of its size (0, 1/2, 1).
void CornerFractions(PinCorner_e corner, int &fx2, int &fy2) {
  static const int kX[] = {0, 2, 0, 2, 1, 2, 1, 0};
  static const int kY[] = {0, 0, 2, 2, 0, 1, 2, 1};
  fx2 = kX[corner];
  fy2 = kY[corner];
}

}  // namespace

// Without explicit offsets the panel keeps the distances it had when its block was applied.
void Panel::RecordPinOffsets() {
  if (m_PinCorner == PIN_NO) return;
  int parentWide = 0, parentTall = 0;
  const VPANEL parent = GetVParent();
  if (parent != NULL_PANEL) ipanel()->GetSize(parent, parentWide, parentTall);
  int x = 0, y = 0, wide = 0, tall = 0;
  GetBounds(x, y, wide, tall);
  int fx2 = 0, fy2 = 0;
  CornerFractions(m_PinCorner, fx2, fy2);
  m_nPinOffsetX = (x + wide * fx2 / 2) - parentWide * fx2 / 2;
  m_nPinOffsetY = (y + tall * fy2 / 2) - parentTall * fy2 / 2;
  // The free corner keeps its distance to the parent's opposite edges.
  m_nUnpinnedOffsetX = fx2 == 2 ? x : (x + wide) - parentWide;
  m_nUnpinnedOffsetY = fy2 == 2 ? y : (y + tall) - parentTall;
}

void Panel::ApplyPinningToChildren() {
  int wide = 0, tall = 0;
  GetSize(wide, tall);
  const int count = GetChildCount();
  for (int i = 0; i < count; ++i) {
    Panel *child = GetChild(i);
    if (child && child->m_PinCorner != PIN_NO) child->ApplyPinning(wide, tall);
  }
}

void Panel::ApplyPinning(int parentWide, int parentTall) {
  int x = 0, y = 0, wide = 0, tall = 0;
  GetBounds(x, y, wide, tall);
  int fx2 = 0, fy2 = 0;
  CornerFractions(m_PinCorner, fx2, fy2);
  const bool resizeX = m_AutoResize == AUTORESIZE_RIGHT || m_AutoResize == AUTORESIZE_DOWNANDRIGHT;
  const bool resizeY = m_AutoResize == AUTORESIZE_DOWN || m_AutoResize == AUTORESIZE_DOWNANDRIGHT;
  const int anchorX = parentWide * fx2 / 2 + m_nPinOffsetX;
  const int anchorY = parentTall * fy2 / 2 + m_nPinOffsetY;
  if (resizeX && fx2 != 1) {
    // The pinned edge stays at the anchor, the free edge follows the parent's opposite edge.
    const int freeEdge = fx2 == 2 ? m_nUnpinnedOffsetX : parentWide + m_nUnpinnedOffsetX;
    x = fx2 == 2 ? freeEdge : anchorX;
    wide = fx2 == 2 ? anchorX - freeEdge : freeEdge - anchorX;
  } else {
    x = anchorX - wide * fx2 / 2;
  }
  if (resizeY && fy2 != 1) {
    const int freeEdge = fy2 == 2 ? m_nUnpinnedOffsetY : parentTall + m_nUnpinnedOffsetY;
    y = fy2 == 2 ? freeEdge : anchorY;
    tall = fy2 == 2 ? anchorY - freeEdge : freeEdge - anchorY;
  } else {
    y = anchorY - tall * fy2 / 2;
  }
  SetBounds(x, y, wide, tall);
}

}  // namespace kgui
