// AnimationController: moves panel variables over time. The module's frame advances it with the
// host's clock (UpdateAnimations); values follow from absolute times, so advancing twice to the
// same time changes nothing.
//
// Variables: "alpha", "xpos", "ypos", "wide", "tall", "FgColor", "BgColor", and the animatable
// variables of the panel's class (PanelAnimationVar.h).
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/PHandle.h"
#include "tier1/color.h"

namespace kgui {

class Panel;

class AnimationController {
 public:
  enum Interpolator {
    INTERPOLATOR_LINEAR,
    INTERPOLATOR_ACCEL,         // starts slowly
    INTERPOLATOR_DEACCEL,       // ends slowly
    INTERPOLATOR_SIMPLESPLINE,  // both
  };

  // Moves a numeric variable to `target`, starting `startDelay` seconds from now and taking
  // `duration` seconds (0: at once when it starts). Replaces a running animation of the same
  // panel and variable. False for a variable the panel does not have.
  bool RunAnimationCommand(Panel *panel, const char *variable, float target, float startDelay, float duration,
                           Interpolator interpolator = INTERPOLATOR_LINEAR);
  bool RunAnimationCommand(Panel *panel, const char *variable, Color target, float startDelay, float duration,
                           Interpolator interpolator = INTERPOLATOR_LINEAR);
  void CancelAnimationsForPanel(Panel *panel);
  bool IsAnimating(Panel *panel, const char *variable) const;
  int GetActiveAnimationCount() const { return static_cast<int>(m_Animations.size()); }

  // Advances every animation to `currentTime` (the host's clock, in seconds) and drops finished
  // ones and ones whose panel is gone.
  void UpdateAnimations(double currentTime);
  void Clear() { m_Animations.clear(); }

  // Reads and writes a variable of a panel; false when the panel has no such variable.
  static bool GetValue(Panel *panel, const char *variable, float value[4], bool &isColor);
  static bool SetValue(Panel *panel, const char *variable, const float value[4]);

 private:
  struct Animation {
    PHandle panel;
    std::string variable;
    float start[4];
    float end[4];
    double startTime;
    double endTime;
    Interpolator interpolator;
    bool started;
  };

  bool Add(Panel *panel, const char *variable, const float target[4], float startDelay, float duration,
           Interpolator interpolator);
  static float Interpolate(Interpolator interpolator, float fraction);

  std::vector<Animation> m_Animations;
};

// The toolkit's one controller.
AnimationController *GetAnimationController();

}  // namespace kgui
