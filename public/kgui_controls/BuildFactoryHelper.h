// The registry of control factories: layout files name a class ("Button") and the build group
// creates it here. Registrations are made at program start; a name registered twice ends the
// process.
#pragma once

#include <vector>

namespace kgui {

class Panel;

// Creates a control with no parent and no name.
using PanelFactoryFn = Panel *(*)();

class CBuildFactoryHelper {
 public:
  CBuildFactoryHelper(const char *className, PanelFactoryFn factory, const char *description = "default");
  CBuildFactoryHelper(const CBuildFactoryHelper &) = delete;
  CBuildFactoryHelper &operator=(const CBuildFactoryHelper &) = delete;

  // A new control of the class (names compare without regard to letter case), or null.
  static Panel *InstancePanel(const char *className);
  // Every registered class name, most recent registration first.
  static std::vector<const char *> GetFactoryNames();

  const char *GetClassName() const { return m_pClassName; }
  const char *GetDescription() const { return m_pDescription; }

 private:
  static CBuildFactoryHelper *Find(const char *className);

  // The newest registration; each links the one before.
  inline static CBuildFactoryHelper *m_sHelpers = nullptr;
  CBuildFactoryHelper *m_pNext = nullptr;
  const char *m_pClassName;
  const char *m_pDescription;
  PanelFactoryFn m_pFactory;
};

}  // namespace kgui

// Registers `className` with a factory that calls its (parent, name) constructor with nulls.
#define DECLARE_BUILD_FACTORY(className)       \
  static ::kgui::Panel *Create_##className() { \
    return new className(nullptr, nullptr);    \
  }                                            \
  static ::kgui::CBuildFactoryHelper g_##className##_BuildFactory(#className, &Create_##className)

// Registers `factoryName` with a factory function of the caller's.
#define DECLARE_BUILD_FACTORY_CUSTOM_ALIAS(factoryName, createFn) \
  static ::kgui::CBuildFactoryHelper g_##factoryName##_BuildFactory(#factoryName, createFn)
