// AnimationController: time-based interpolation of panel variables.
#include "kgui_controls/AnimationController.h"

#include <algorithm>
#include <cmath>

#include "kgui_controls/Panel.h"
#include "kgui_controls/PanelAnimationVar.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

bool IsName(const char *variable, const char *name) {
  return !V_stricmp(variable, name);
}

void ColorToValues(Color color, float value[4]) {
  for (int i = 0; i < 4; ++i) value[i] = color[i];
}

Color ValuesToColor(const float value[4]) {
  auto channel = [&](int i) { return static_cast<int>(std::lround(std::clamp(value[i], 0.0f, 255.0f))); };
  return Color(channel(0), channel(1), channel(2), channel(3));
}

// The class's animatable variable of that name, if any.
bool FindClassVar(Panel *panel, const char *variable, PanelAnimationVar &found) {
  std::vector<PanelAnimationVar> vars;
  panel->GetAnimationVars(vars);
  for (const PanelAnimationVar &var : vars) {
    if (IsName(var.name, variable) && (var.getFloat || var.getColor)) {
      found = var;
      return true;
    }
  }
  return false;
}

double Now() {
  return system() ? system()->GetCurrentTime() : 0.0;
}

}  // namespace

AnimationController *GetAnimationController() {
  static AnimationController s_Controller;
  return &s_Controller;
}

bool AnimationController::GetValue(Panel *panel, const char *variable, float value[4], bool &isColor) {
  isColor = false;
  value[0] = value[1] = value[2] = value[3] = 0.0f;
  int x = 0, y = 0, wide = 0, tall = 0;
  panel->GetBounds(x, y, wide, tall);
  if (IsName(variable, "alpha")) {
    value[0] = static_cast<float>(panel->GetAlpha());
  } else if (IsName(variable, "xpos")) {
    value[0] = static_cast<float>(x);
  } else if (IsName(variable, "ypos")) {
    value[0] = static_cast<float>(y);
  } else if (IsName(variable, "wide")) {
    value[0] = static_cast<float>(wide);
  } else if (IsName(variable, "tall")) {
    value[0] = static_cast<float>(tall);
  } else if (IsName(variable, "FgColor") || IsName(variable, "BgColor")) {
    isColor = true;
    ColorToValues(IsName(variable, "FgColor") ? panel->GetFgColor() : panel->GetBgColor(), value);
  } else {
    PanelAnimationVar var{};
    if (!FindClassVar(panel, variable, var)) return false;
    isColor = var.getColor != nullptr;
    if (isColor)
      ColorToValues(var.getColor(panel), value);
    else
      value[0] = var.getFloat(panel);
  }
  return true;
}

bool AnimationController::SetValue(Panel *panel, const char *variable, const float value[4]) {
  const int number = static_cast<int>(std::lround(value[0]));
  int x = 0, y = 0, wide = 0, tall = 0;
  panel->GetBounds(x, y, wide, tall);
  if (IsName(variable, "alpha")) {
    panel->SetAlpha(number);
  } else if (IsName(variable, "xpos")) {
    panel->SetPos(number, y);
  } else if (IsName(variable, "ypos")) {
    panel->SetPos(x, number);
  } else if (IsName(variable, "wide")) {
    panel->SetSize(number, tall);
  } else if (IsName(variable, "tall")) {
    panel->SetSize(wide, number);
  } else if (IsName(variable, "FgColor")) {
    panel->SetFgColor(ValuesToColor(value));
  } else if (IsName(variable, "BgColor")) {
    panel->SetBgColor(ValuesToColor(value));
  } else {
    PanelAnimationVar var{};
    if (!FindClassVar(panel, variable, var)) return false;
    if (var.setColor)
      var.setColor(panel, ValuesToColor(value));
    else
      var.setFloat(panel, value[0]);
  }
  panel->Repaint();
  return true;
}

bool AnimationController::RunAnimationCommand(Panel *panel, const char *variable, float target,
                                              float startDelay, float duration, Interpolator interpolator) {
  const float values[4] = {target, 0.0f, 0.0f, 0.0f};
  return Add(panel, variable, values, startDelay, duration, interpolator);
}

bool AnimationController::RunAnimationCommand(Panel *panel, const char *variable, Color target,
                                              float startDelay, float duration, Interpolator interpolator) {
  float values[4];
  ColorToValues(target, values);
  return Add(panel, variable, values, startDelay, duration, interpolator);
}

bool AnimationController::Add(Panel *panel, const char *variable, const float target[4], float startDelay,
                              float duration, Interpolator interpolator) {
  if (!panel || !variable) return false;
  float current[4];
  bool isColor = false;
  if (!GetValue(panel, variable, current, isColor)) return false;
  m_Animations.erase(std::remove_if(m_Animations.begin(), m_Animations.end(),
                                    [&](const Animation &a) {
                                      return a.panel.Get() == panel && IsName(a.variable.c_str(), variable);
                                    }),
                     m_Animations.end());
  Animation animation{};
  animation.panel = panel;
  animation.variable = variable;
  std::copy(target, target + 4, animation.end);
  std::copy(current, current + 4, animation.start);
  animation.startTime = Now() + std::max(0.0f, startDelay);
  animation.endTime = animation.startTime + std::max(0.0f, duration);
  animation.interpolator = interpolator;
  m_Animations.push_back(animation);
  // A host that sleeps while nothing changes wakes for a message due when the animation starts;
  // from then on each step asks for a repaint, which keeps frames coming.
  if (ikgui())
    ikgui()->PostMessage(panel->GetVPanel(), new KeyValues("AnimationDue"), NULL_PANEL,
                         std::max(0.0f, startDelay));
  return true;
}

void AnimationController::CancelAnimationsForPanel(Panel *panel) {
  m_Animations.erase(std::remove_if(m_Animations.begin(), m_Animations.end(),
                                    [&](const Animation &a) { return a.panel.Get() == panel; }),
                     m_Animations.end());
}

bool AnimationController::IsAnimating(Panel *panel, const char *variable) const {
  return std::any_of(m_Animations.begin(), m_Animations.end(), [&](const Animation &a) {
    return a.panel.Get() == panel && IsName(a.variable.c_str(), variable);
  });
}

float AnimationController::Interpolate(Interpolator interpolator, float fraction) {
  switch (interpolator) {
    case INTERPOLATOR_ACCEL:
      return fraction * fraction;
    case INTERPOLATOR_DEACCEL:
      return 1.0f - (1.0f - fraction) * (1.0f - fraction);
    case INTERPOLATOR_SIMPLESPLINE:
      return fraction * fraction * (3.0f - 2.0f * fraction);
    case INTERPOLATOR_LINEAR:
      break;
  }
  return fraction;
}

void AnimationController::UpdateAnimations(double currentTime) {
  // Work on a copy: setting a value may run code that starts or cancels animations.
  std::vector<Animation> animations;
  animations.swap(m_Animations);
  std::vector<Animation> running;
  for (Animation &animation : animations) {
    Panel *panel = animation.panel.Get();
    if (!panel) continue;
    if (currentTime < animation.startTime) {
      running.push_back(animation);
      continue;
    }
    if (!animation.started) {
      // The animation starts from wherever the variable is when it begins.
      bool isColor = false;
      GetValue(panel, animation.variable.c_str(), animation.start, isColor);
      animation.started = true;
    }
    const double length = animation.endTime - animation.startTime;
    const float fraction =
        length <= 0.0 ? 1.0f
                      : static_cast<float>(std::min(1.0, (currentTime - animation.startTime) / length));
    const float eased = Interpolate(animation.interpolator, fraction);
    float value[4];
    for (int i = 0; i < 4; ++i)
      value[i] = animation.start[i] + (animation.end[i] - animation.start[i]) * eased;
    SetValue(panel, animation.variable.c_str(), value);
    if (fraction < 1.0f) running.push_back(animation);
  }
  // Keep animations added while values were being set.
  running.insert(running.end(), m_Animations.begin(), m_Animations.end());
  m_Animations.swap(running);
}

}  // namespace kgui
