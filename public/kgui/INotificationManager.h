// INotificationManager ("KGUI_NotificationManager002", optional): short notices shown in a corner
// of the desktop.
#pragma once

#include "kgui/kgui.h"

namespace kgui {

#define KGUI_NOTIFICATION_INTERFACE_VERSION "KGUI_NotificationManager002"

using HNotification = int;
constexpr HNotification INVALID_NOTIFICATION = 0;

class INotificationManager {
 public:
  // Shows a notice for `lifetimeMilliseconds` (at least one frame); returns its handle.
  virtual HNotification ShowNotification(const char16_t *title, const char16_t *text,
                                         int lifetimeMilliseconds) = 0;
  virtual void CloseNotification(HNotification notification) = 0;
  virtual bool IsNotificationShown(HNotification notification) = 0;

 protected:
  ~INotificationManager() = default;
};

}  // namespace kgui
