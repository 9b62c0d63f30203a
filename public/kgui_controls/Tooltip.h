// Tooltip: a short text shown beside a panel after the cursor has rested on it for a while. All
// tooltips share one popup, made on first use and removed when the toolkit stops.
#pragma once

#include <string>

#include "kgui_controls/PHandle.h"

namespace kgui {

class Panel;

class Tooltip {
 public:
  enum Anchor {
    ANCHOR_DEFAULT,  // below the cursor
    ANCHOR_CURSOR,   // at the cursor
    ANCHOR_PARENT,   // below the panel
  };

  explicit Tooltip(Panel *parent, const char *text = nullptr);
  ~Tooltip();
  Tooltip(const Tooltip &) = delete;
  Tooltip &operator=(const Tooltip &) = delete;

  // The text, or a "#" token.
  void SetText(const char *text);
  const char *GetText() const { return m_Text.c_str(); }
  void SetTooltipDelay(int milliseconds) { m_nDelayMilliseconds = milliseconds; }
  int GetTooltipDelay() const { return m_nDelayMilliseconds; }
  void SetTooltipAnchor(Anchor anchor) { m_Anchor = anchor; }
  Anchor GetTooltipAnchor() const { return m_Anchor; }

  // The cursor entered the panel: the delay starts.
  void ShowTooltip(Panel *currentPanel);
  // Shows the popup once the delay has passed while the cursor rests on the panel.
  void Tick();
  void HideTooltip();
  bool IsShown() const;

  // The shared popup (null until a tooltip first shows).
  static Panel *GetSharedPanel();
  static void ShutdownSharedPanel();

 private:
  void PlacePopup();

  PHandle m_hParent;
  std::string m_Text;
  int m_nDelayMilliseconds = 500;
  Anchor m_Anchor = ANCHOR_DEFAULT;
  double m_flShowTime = 0.0;
  bool m_bPending = false;
  bool m_bShown = false;
};

}  // namespace kgui
