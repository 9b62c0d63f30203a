// Animatable variables: members of a panel class that layout files set by key and the animation
// controller moves by name. A class lists them in GetAnimationVars, then asks its base class:
//
//   void Frame::GetAnimationVars(std::vector<PanelAnimationVar> &vars) {
//     vars.push_back(MakeAnimationVar<&Frame::m_flTransitionEffectTime>("TransitionEffectTime",
//                                                                       AnimVarKind::Float));
//     BaseClass::GetAnimationVars(vars);
//   }
#pragma once

#include <string>
#include <type_traits>

#include "kgui/kgui.h"
#include "tier1/color.h"

namespace kgui {

class IScheme;
class Panel;

// The variable kinds of layout files: "float", "Color", "bool", "char", "string", "HFont",
// "proportional_float", "proportional_int", "textureid".
enum class AnimVarKind {
  Float,
  Color,
  Bool,
  Char,
  String,
  Font,
  ProportionalFloat,
  ProportionalInt,
  TextureId
};

struct PanelAnimationVar {
  const char *name;
  AnimVarKind kind;
  // Converts a layout value and stores it.
  void (*setFromText)(Panel *panel, const char *text, AnimVarKind kind, IScheme *scheme);
  // Numeric and colour access for the animation controller; null for other kinds.
  float (*getFloat)(Panel *panel);
  void (*setFloat)(Panel *panel, float value);
  Color (*getColor)(Panel *panel);
  void (*setColor)(Panel *panel, Color value);
};

// Text conversions of layout values (PanelAnimationVar.cpp).
float AnimVarTextToFloat(const char *text, AnimVarKind kind);
int AnimVarTextToInt(const char *text, AnimVarKind kind);
bool AnimVarTextToBool(const char *text);
// "r g b a", or a colour name of the scheme; `fallback` when neither reads.
Color AnimVarTextToColor(const char *text, IScheme *scheme, Color fallback);
HFont AnimVarTextToFont(Panel *panel, const char *text, IScheme *scheme);

template <class M>
struct AnimVarMemberTraits;
template <class C, class T>
struct AnimVarMemberTraits<T C::*> {
  using Class = C;
  using Type = T;
};

template <auto Member>
void AnimVarSetFromText(Panel *panel, const char *text, AnimVarKind kind, IScheme *scheme) {
  using Traits = AnimVarMemberTraits<decltype(Member)>;
  using T = typename Traits::Type;
  auto &field = static_cast<typename Traits::Class *>(panel)->*Member;
  if constexpr (std::is_same_v<T, float>) {
    field = AnimVarTextToFloat(text, kind);
  } else if constexpr (std::is_same_v<T, int>) {
    field = AnimVarTextToInt(text, kind);
  } else if constexpr (std::is_same_v<T, bool>) {
    field = AnimVarTextToBool(text);
  } else if constexpr (std::is_same_v<T, Color>) {
    field = AnimVarTextToColor(text, scheme, field);
  } else if constexpr (std::is_same_v<T, HFont>) {
    field = AnimVarTextToFont(panel, text, scheme);
  } else {
    static_assert(std::is_same_v<T, std::string>, "unsupported animatable member type");
    field = text ? text : "";
  }
}

template <auto Member>
float AnimVarGetFloat(Panel *panel) {
  using Traits = AnimVarMemberTraits<decltype(Member)>;
  return static_cast<float>(static_cast<typename Traits::Class *>(panel)->*Member);
}
template <auto Member>
void AnimVarSetFloat(Panel *panel, float value) {
  using Traits = AnimVarMemberTraits<decltype(Member)>;
  static_cast<typename Traits::Class *>(panel)->*Member = static_cast<typename Traits::Type>(value);
}
template <auto Member>
Color AnimVarGetColor(Panel *panel) {
  using Traits = AnimVarMemberTraits<decltype(Member)>;
  return static_cast<typename Traits::Class *>(panel)->*Member;
}
template <auto Member>
void AnimVarSetColor(Panel *panel, Color value) {
  using Traits = AnimVarMemberTraits<decltype(Member)>;
  static_cast<typename Traits::Class *>(panel)->*Member = value;
}

template <auto Member>
PanelAnimationVar MakeAnimationVar(const char *name, AnimVarKind kind) {
  using T = typename AnimVarMemberTraits<decltype(Member)>::Type;
  PanelAnimationVar var{name, kind, &AnimVarSetFromText<Member>, nullptr, nullptr, nullptr, nullptr};
  if constexpr (std::is_same_v<T, float> || std::is_same_v<T, int>) {
    if (kind != AnimVarKind::TextureId) {
      var.getFloat = &AnimVarGetFloat<Member>;
      var.setFloat = &AnimVarSetFloat<Member>;
    }
  } else if constexpr (std::is_same_v<T, Color>) {
    var.getColor = &AnimVarGetColor<Member>;
    var.setColor = &AnimVarSetColor<Member>;
  }
  return var;
}

}  // namespace kgui
