#include "host/notification_manager.h"

#include <algorithm>
#include <limits>

#include "host/kgui_runtime.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace kguihost {

namespace {
constexpr int kNoticeWide = 280;
constexpr int kNoticeMargin = 12;
constexpr int kTextInset = 8;
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
  m_Runtime.Invalidate();
  return notice.id;
}

void CNotificationManager::CloseNotification(kgui::HNotification notification) {
  auto gone = std::remove_if(m_Notices.begin(), m_Notices.end(),
                             [notification](const Notice &n) { return n.id == notification; });
  if (gone == m_Notices.end()) return;
  m_Notices.erase(gone, m_Notices.end());
  m_Runtime.Invalidate();
}

bool CNotificationManager::IsNotificationShown(kgui::HNotification notification) {
  Expire();
  return std::any_of(m_Notices.begin(), m_Notices.end(),
                     [notification](const Notice &n) { return n.id == notification; });
}

void CNotificationManager::Expire() {
  double now = m_Runtime.Now();
  // A notice lives through at least the frame it was shown in.
  auto gone =
      std::remove_if(m_Notices.begin(), m_Notices.end(), [now](const Notice &n) { return n.expires < now; });
  if (gone == m_Notices.end()) return;
  m_Notices.erase(gone, m_Notices.end());
  m_Runtime.Invalidate();
}

double CNotificationManager::NextExpiry() const {
  double next = std::numeric_limits<double>::infinity();
  for (const Notice &notice : m_Notices) next = std::min(next, notice.expires);
  return next;
}

void CNotificationManager::Paint() {
  Expire();
  if (m_Notices.empty()) return;
  CRenderer &renderer = m_Runtime.Renderer();
  const kgui::HFont hostFont = m_Runtime.HostFont();
  CFont *font = m_Runtime.Fonts().Get(hostFont);
  const int lineTall = font ? font->Tall() : 14;
  const int x = renderer.Wide() - kNoticeMargin - kNoticeWide;
  int bottom = renderer.Tall() - kNoticeMargin;
  for (const Notice &notice : m_Notices) {
    const std::vector<std::u16string> lines = WrapText(notice.text, hostFont, kNoticeWide - 2 * kTextInset);
    const int noticeTall = lineTall * static_cast<int>(lines.size() + 1) + 12;
    const int y = bottom - noticeTall;
    renderer.SetColor(Color(30, 34, 40, 230));
    renderer.FilledRect(x, y, x + kNoticeWide, y + noticeTall);
    renderer.SetColor(Color(120, 130, 145, 255));
    renderer.OutlinedRect(x, y, x + kNoticeWide, y + noticeTall);
    renderer.SetTextFont(font);
    renderer.SetTextColor(Color(235, 235, 235, 255));
    renderer.SetTextPos(x + kTextInset, y + 4);
    renderer.PrintText(DecodeUtf16(notice.title.c_str(), -1));
    renderer.SetTextColor(Color(190, 195, 205, 255));
    int lineY = y + 6 + lineTall;
    for (const std::u16string &line : lines) {
      renderer.SetTextPos(x + kTextInset, lineY);
      renderer.PrintText(DecodeUtf16(line.c_str(), static_cast<int>(line.size())));
      lineY += lineTall;
    }
    bottom = y - kNoticeMargin / 2;
  }
}

std::vector<std::u16string> CNotificationManager::WrapText(const std::u16string &text, kgui::HFont font,
                                                           int width) const {
  // Breaks after spaces; a word wider than the notice is cut where it stops fitting.
  std::vector<std::u16string> lines;
  std::u16string line;
  auto fits = [&](const std::u16string &candidate) {
    return m_Runtime.Fonts().TextWidth(font, candidate.c_str(), static_cast<int>(candidate.size())) <= width;
  };
  for (size_t start = 0; start < text.size() && lines.size() < kMaxNoticeLines;) {
    size_t end = text.find(u' ', start);
    end = end == std::u16string::npos ? text.size() : end + 1;
    const std::u16string word = text.substr(start, end - start);
    if (fits(line + word)) {
      line += word;
      start = end;
    } else if (!line.empty()) {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      size_t cut = 1;
      while (cut < word.size() && fits(word.substr(0, cut + 1))) ++cut;
      lines.push_back(word.substr(0, cut));
      start += cut;
    }
  }
  if (!line.empty() && lines.size() < kMaxNoticeLines) lines.push_back(std::move(line));
  return lines;
}

}  // namespace kguihost
