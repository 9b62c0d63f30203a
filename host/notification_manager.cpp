#include "host/notification_manager.h"

#include <algorithm>

#include "host/kgui_runtime.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace kguihost {

namespace {
constexpr int kNoticeWide = 280;
constexpr int kNoticeMargin = 12;
}  // namespace

kgui::HNotification CNotificationManager::ShowNotification(const char16_t *title, const char16_t *text,
                                                           int lifetimeMilliseconds) {
  Notice notice{m_NextId++, title ? title : u"", text ? text : u"",
                m_Runtime.Now() + std::max(lifetimeMilliseconds, 0) / 1000.0};
  char title8[256];
  char text8[1024];
  V_UTF16ToUTF8(notice.title.c_str(), title8, sizeof(title8));
  V_UTF16ToUTF8(notice.text.c_str(), text8, sizeof(text8));
  Msg("Notification: %s: %s\n", title8, text8);
  m_Notices.push_back(notice);
  return notice.id;
}

void CNotificationManager::CloseNotification(kgui::HNotification notification) {
  m_Notices.erase(std::remove_if(m_Notices.begin(), m_Notices.end(),
                                 [notification](const Notice &n) { return n.id == notification; }),
                  m_Notices.end());
}

bool CNotificationManager::IsNotificationShown(kgui::HNotification notification) {
  Expire();
  return std::any_of(m_Notices.begin(), m_Notices.end(), [notification](const Notice &n) { return n.id == notification; });
}

void CNotificationManager::Expire() {
  double now = m_Runtime.Now();
  // A notice lives through at least the frame it was shown in.
  m_Notices.erase(std::remove_if(m_Notices.begin(), m_Notices.end(),
                                 [now](const Notice &n) { return n.expires < now; }),
                  m_Notices.end());
}

void CNotificationManager::Paint() {
  Expire();
  if (m_Notices.empty()) return;
  CRenderer &renderer = m_Runtime.Renderer();
  CFont *font = m_Runtime.Fonts().Get(m_Runtime.HostFont());
  int lineTall = font ? font->Tall() : 14;
  int noticeTall = lineTall * 2 + 12;
  int y = renderer.Tall() - kNoticeMargin - noticeTall;
  int x = renderer.Wide() - kNoticeMargin - kNoticeWide;
  for (const Notice &notice : m_Notices) {
    renderer.SetColor(Color(30, 34, 40, 230));
    renderer.FilledRect(x, y, x + kNoticeWide, y + noticeTall);
    renderer.SetColor(Color(120, 130, 145, 255));
    renderer.OutlinedRect(x, y, x + kNoticeWide, y + noticeTall);
    renderer.SetTextFont(font);
    renderer.SetTextColor(Color(235, 235, 235, 255));
    renderer.SetTextPos(x + 8, y + 4);
    renderer.PrintText(DecodeUtf16(notice.title.c_str(), -1));
    renderer.SetTextColor(Color(190, 195, 205, 255));
    renderer.SetTextPos(x + 8, y + 6 + lineTall);
    renderer.PrintText(DecodeUtf16(notice.text.c_str(), -1));
    y -= noticeTall + kNoticeMargin / 2;
  }
}

}  // namespace kguihost
