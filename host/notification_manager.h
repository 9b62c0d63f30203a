// INotificationManager of the host: notices shown for a while in the lower right corner.
#pragma once

#include <string>
#include <vector>

#include "kgui/INotificationManager.h"

namespace kguihost {

class CKGuiRuntime;

class CNotificationManager final : public kgui::INotificationManager {
 public:
  explicit CNotificationManager(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

  kgui::HNotification ShowNotification(const char16_t *title, const char16_t *text,
                                       int lifetimeMilliseconds) override;
  void CloseNotification(kgui::HNotification notification) override;
  bool IsNotificationShown(kgui::HNotification notification) override;

  // Drops expired notices, then draws the others over everything (a paint context must be set).
  void Paint();
  // Drops expired notices (the screen is painted again when one goes).
  void Expire();
  // When the first shown notice ends; +infinity when none is shown.
  double NextExpiry() const;

 private:
  struct Notice {
    kgui::HNotification id;
    std::u16string title;
    std::u16string text;
    double expires;
  };
  // `text` in lines no wider than `width` in `font`, at most kMaxNoticeLines.
  std::vector<std::u16string> WrapText(const std::u16string &text, kgui::HFont font, int width) const;

  static constexpr size_t kMaxNoticeLines = 6;

  CKGuiRuntime &m_Runtime;
  std::vector<Notice> m_Notices;
  kgui::HNotification m_NextId = 1;
};

}  // namespace kguihost
