#include "host/app/game_report_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tier0/dbg.h"

namespace kguihost {

namespace {

// Reads 1 to `digits` decimal digits up to `maxValue`; advances `text`.
bool ReadNumber(std::string_view &text, size_t digits, uint32 maxValue, uint32 &value) {
  uint32 result = 0;
  size_t used = 0;
  while (used < text.size() && used < digits && text[used] >= '0' && text[used] <= '9') {
    result = result * 10 + static_cast<uint32>(text[used] - '0');
    ++used;
  }
  if (used == 0 || result > maxValue) return false;
  text.remove_prefix(used);
  value = result;
  return true;
}

// The line as a log may show it: control characters as \xNN, cut after 80 bytes.
std::string Shown(std::string_view line) {
  std::string shown;
  for (size_t i = 0; i < line.size() && i < 80; ++i) {
    auto c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c == 0x7F || c == '\\') {
      char escaped[8];
      snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  if (line.size() > 80) shown += "...";
  return shown;
}

}  // namespace

bool ParseGameReport(std::string_view line, CGameReport &report) {
  if (line == "ready") {
    report = CGameReport{CGameReport::k_EReady, 0, 0};
    return true;
  }
  constexpr std::string_view kJoined = "joined ";
  if (line.substr(0, kJoined.size()) != kJoined) return false;
  std::string_view text = line.substr(kJoined.size());
  uint32 ip = 0;
  for (int octet = 0; octet < 4; ++octet) {
    uint32 value = 0;
    if (!ReadNumber(text, 3, 255, value)) return false;
    ip = (ip << 8) | value;
    const char separator = octet < 3 ? '.' : ':';
    if (text.empty() || text[0] != separator) return false;
    text.remove_prefix(1);
  }
  uint32 port = 0;
  if (!ReadNumber(text, 5, 65535, port) || !text.empty() || port == 0 || ip == 0) return false;
  report = CGameReport{CGameReport::k_EJoined, ip, static_cast<uint16>(port)};
  return true;
}

CGameReportPipe::CGameReportPipe(int fd, uint32 appID) : m_Fd(fd), m_AppID(appID) {
  fcntl(m_Fd, F_SETFL, fcntl(m_Fd, F_GETFL) | O_NONBLOCK);
}

CGameReportPipe::~CGameReportPipe() {
  close(m_Fd);
}

void CGameReportPipe::Read(std::vector<CGameReport> &reports) {
  char buffer[kMaxReadBytes];
  size_t taken = 0;
  while (!m_AtEnd && taken < sizeof(buffer)) {
    ssize_t got = read(m_Fd, buffer, sizeof(buffer) - taken);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) break;
    if (got <= 0) {
      m_AtEnd = true;
      break;
    }
    taken += static_cast<size_t>(got);
    std::string_view data(buffer, static_cast<size_t>(got));
    while (!data.empty()) {
      size_t end = data.find('\n');
      std::string_view piece = data.substr(0, end);
      if (!m_Dropping) {
        m_Partial.append(piece);
        if (m_Partial.size() > kMaxLine) {
          Warning("kgui-host: a report of application %u longer than %zu bytes was dropped: '%s'\n", m_AppID,
                  kMaxLine, Shown(m_Partial).c_str());
          m_Partial.clear();
          m_Dropping = true;
        }
      }
      if (end == std::string_view::npos) break;
      if (!m_Dropping) TakeLine(m_Partial, reports);
      m_Partial.clear();
      m_Dropping = false;
      data.remove_prefix(end + 1);
    }
  }
  if (m_AtEnd && !m_Partial.empty()) {
    Warning("kgui-host: an unfinished report of application %u was dropped: '%s'\n", m_AppID,
            Shown(m_Partial).c_str());
  }
  if (m_AtEnd) m_Partial.clear();
}

void CGameReportPipe::TakeLine(std::string_view line, std::vector<CGameReport> &reports) {
  CGameReport report;
  if (!ParseGameReport(line, report)) {
    Warning("kgui-host: ignored a report of application %u it cannot read: '%s'\n", m_AppID,
            Shown(line).c_str());
    return;
  }
  if (report.kind == CGameReport::k_EReady) {
    m_SaidReady = true;
    return;
  }
  reports.push_back(report);
}

}  // namespace kguihost
