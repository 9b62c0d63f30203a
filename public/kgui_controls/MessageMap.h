// Message maps: which named messages a panel class handles, with which typed parameters.
//
// A class declares itself in its header with DECLARE_CLASS_SIMPLE and lists its entries in its
// .cpp file, in the order they are matched:
//
//   BEGIN_MESSAGE_MAP(Button, Label)
//     MESSAGE_ENTRY("PressButton", DoClick)
//     MESSAGE_ENTRY("SetState", OnSetState, "state")
//   END_MESSAGE_MAP()
//
// The parameter codes follow from the handler's C++ parameter types (see MessageParamTraits).
// The map registers itself when the first object of the class is constructed, linked to the
// map of its base class; messages are then matched by integer name symbols only.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <type_traits>
#include <vector>

#include "kstdlib/ikeyvaluessystem.h"
#include "tier0/platform.h"

class KeyValues;

namespace kgui {

class Panel;

// Parameter type codes of message-map entries.
enum DataType_t {
  DATATYPE_VOID = 0,
  DATATYPE_CONSTCHARPTR = 1,
  DATATYPE_INT = 2,
  DATATYPE_FLOAT = 3,
  DATATYPE_PTR = 4,
  DATATYPE_BOOL = 5,
  DATATYPE_KEYVALUES = 6,
  DATATYPE_CONSTWCHARPTR = 7,
  DATATYPE_UINT64 = 8,
};

// One parameter value as read from a message; the member matching the entry's code is set.
union MessageParam {
  const char *text;
  int i;
  float f;
  void *ptr;
  bool b;
  KeyValues *kv;
  const char16_t *wtext;
  uint64 u64;
};

// Calls the entry's handler on `self` with the values read for its parameters.
using MessageFunc_t = void (*)(Panel *self, const MessageParam &first, const MessageParam &second);

struct MessageMapItem_t {
  const char *name;
  MessageFunc_t func;
  int numParams;
  DataType_t firstParamType;
  const char *firstParamName;
  DataType_t secondParamType;
  const char *secondParamName;
  // Filled in when the map is prepared; 0 for an absent name.
  HKeySymbol nameSymbol;
  HKeySymbol firstParamSymbol;
  HKeySymbol secondParamSymbol;
};

struct PanelMessageMap {
  std::vector<MessageMapItem_t> entries;
  bool processed = false;
  PanelMessageMap *baseMap = nullptr;
  const char *(*pfnClassName)() = nullptr;
};

// The map of a class name, created empty when first asked for. Names compare without regard to
// letter case and lose a leading "kgui::". Maps live until the process ends.
PanelMessageMap *FindOrAddPanelMessageMap(const char *className);
// The map of a class name, or null when none was created.
PanelMessageMap *FindPanelMessageMap(const char *className);

// Registers a class once: its class-name operation, the link to its base class's map (none for
// an empty base name) and its entries in order. Returns the class's map.
PanelMessageMap *RegisterPanelMessageMap(const char *className, const char *baseClassName,
                                         const char *(*pfnClassName)(),
                                         std::initializer_list<MessageMapItem_t> entries);

// Resolves the name symbols of `map` and its base maps, stopping at the first prepared one.
void PreparePanelMessageMap(PanelMessageMap *map);

// ---- Parameter codes from C++ types

template <class T>
struct MessageParamTraits {
  static_assert(sizeof(T) == 0, "message handler parameter type has no parameter code");
};
template <>
struct MessageParamTraits<const char *> {
  static constexpr DataType_t kCode = DATATYPE_CONSTCHARPTR;
  static const char *Get(const MessageParam &p) { return p.text; }
};
template <>
struct MessageParamTraits<int> {
  static constexpr DataType_t kCode = DATATYPE_INT;
  static int Get(const MessageParam &p) { return p.i; }
};
template <>
struct MessageParamTraits<float> {
  static constexpr DataType_t kCode = DATATYPE_FLOAT;
  static float Get(const MessageParam &p) { return p.f; }
};
template <>
struct MessageParamTraits<void *> {
  static constexpr DataType_t kCode = DATATYPE_PTR;
  static void *Get(const MessageParam &p) { return p.ptr; }
};
// Pointers travel as the Panel* the sender stored (PostActionSignal stores `this` as a Panel*).
template <>
struct MessageParamTraits<Panel *> {
  static constexpr DataType_t kCode = DATATYPE_PTR;
  static Panel *Get(const MessageParam &p) { return static_cast<Panel *>(p.ptr); }
};
template <>
struct MessageParamTraits<bool> {
  static constexpr DataType_t kCode = DATATYPE_BOOL;
  static bool Get(const MessageParam &p) { return p.b; }
};
template <>
struct MessageParamTraits<KeyValues *> {
  static constexpr DataType_t kCode = DATATYPE_KEYVALUES;
  static KeyValues *Get(const MessageParam &p) { return p.kv; }
};
template <>
struct MessageParamTraits<const char16_t *> {
  static constexpr DataType_t kCode = DATATYPE_CONSTWCHARPTR;
  static const char16_t *Get(const MessageParam &p) { return p.wtext; }
};
template <>
struct MessageParamTraits<uint64> {
  static constexpr DataType_t kCode = DATATYPE_UINT64;
  static uint64 Get(const MessageParam &p) { return p.u64; }
};

// Handlers return nothing and take at most two parameters.
template <class F>
struct MessageHandlerTraits;
template <class C>
struct MessageHandlerTraits<void (C::*)()> {
  using Class = C;
  static constexpr int kCount = 0;
};
template <class C, class A>
struct MessageHandlerTraits<void (C::*)(A)> {
  using Class = C;
  using First = A;
  static constexpr int kCount = 1;
};
template <class C, class A, class B>
struct MessageHandlerTraits<void (C::*)(A, B)> {
  using Class = C;
  using First = A;
  using Second = B;
  static constexpr int kCount = 2;
};

template <auto Fn>
void InvokeMessageHandler(Panel *self, const MessageParam &first, const MessageParam &second) {
  using Traits = MessageHandlerTraits<decltype(Fn)>;
  auto *object = static_cast<typename Traits::Class *>(self);
  if constexpr (Traits::kCount == 0) {
    (object->*Fn)();
  } else if constexpr (Traits::kCount == 1) {
    (object->*Fn)(MessageParamTraits<typename Traits::First>::Get(first));
  } else {
    (object->*Fn)(MessageParamTraits<typename Traits::First>::Get(first),
                  MessageParamTraits<typename Traits::Second>::Get(second));
  }
}

// An entry for handler `Fn`; one parameter name per handler parameter. A KeyValues* parameter
// without a name (null) receives the whole message.
template <auto Fn>
MessageMapItem_t MakeMessageMapItem(const char *message) {
  static_assert(MessageHandlerTraits<decltype(Fn)>::kCount == 0, "handler takes parameters");
  return {message, &InvokeMessageHandler<Fn>, 0, DATATYPE_VOID, nullptr, DATATYPE_VOID, nullptr, 0, 0, 0};
}
template <auto Fn>
MessageMapItem_t MakeMessageMapItem(const char *message, const char *first) {
  using Traits = MessageHandlerTraits<decltype(Fn)>;
  static_assert(Traits::kCount == 1, "one parameter name per handler parameter");
  return {message, &InvokeMessageHandler<Fn>,
          1,       MessageParamTraits<typename Traits::First>::kCode,
          first,   DATATYPE_VOID,
          nullptr, 0,
          0,       0};
}
template <auto Fn>
MessageMapItem_t MakeMessageMapItem(const char *message, const char *first, const char *second) {
  using Traits = MessageHandlerTraits<decltype(Fn)>;
  static_assert(Traits::kCount == 2, "one parameter name per handler parameter");
  return {message, &InvokeMessageHandler<Fn>,
          2,       MessageParamTraits<typename Traits::First>::kCode,
          first,   MessageParamTraits<typename Traits::Second>::kCode,
          second,  0,
          0,       0};
}

// Registers the class's map once, when the first object of the class is constructed.
template <class T>
struct MessageMapRegistrar {
  MessageMapRegistrar() {
    static const bool registered = (T::RegisterClassMessageMap(), true);
    (void)registered;
  }
};

}  // namespace kgui

// clang-format off
// Declares a panel class: ThisClass and BaseClass, its class name and its message map. Put it
// first in the class body; it leaves the access public.
#define DECLARE_CLASS_SIMPLE(className, baseClassName)                                  \
 public:                                                                                \
  using ThisClass = className;                                                          \
  using BaseClass = baseClassName;                                                      \
  static const char *GetPanelClassName() { return #className; }                         \
  const char *GetClassName() override { return #className; }                            \
  ::kgui::PanelMessageMap *GetMessageMap() override { return s_pClassMessageMap; }      \
  static void RegisterClassMessageMap();                                                \
                                                                                        \
 private:                                                                               \
  inline static ::kgui::PanelMessageMap *s_pClassMessageMap = nullptr;                  \
  [[no_unique_address]] ::kgui::MessageMapRegistrar<className> m_ClassMessageMapRegistrar; \
                                                                                        \
 public:

// The entries of a class declared with DECLARE_CLASS_SIMPLE, in matching order.
#define BEGIN_MESSAGE_MAP(className, baseClassName)                                      \
  void className::RegisterClassMessageMap() {                                           \
    s_pClassMessageMap = ::kgui::RegisterPanelMessageMap(#className, #baseClassName,    \
                                                         &className::GetPanelClassName, {
#define MESSAGE_ENTRY(message, handler, ...) \
  ::kgui::MakeMessageMapItem<&ThisClass::handler>(message __VA_OPT__(, ) __VA_ARGS__),
#define END_MESSAGE_MAP() \
  });                     \
  }
// A class that adds no entries of its own still links its map to its base class's.
#define DEFINE_EMPTY_MESSAGE_MAP(className, baseClassName) \
  BEGIN_MESSAGE_MAP(className, baseClassName)              \
  END_MESSAGE_MAP()
// clang-format on
