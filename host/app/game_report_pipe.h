// The pipe on which a game the launcher started reports to the host, one line at a time:
//   "joined a.b.c.d:port"   the game has joined that server
//   "ready"                 the game is up (said once, after the joins of its command line)
// Lines that cannot be read are logged and dropped; nothing a game writes can stall the host.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tier0/platform.h"

namespace kguihost {

// The environment variable that tells a started game the number of its report pipe's end.
inline constexpr const char *kGameReportFdVariable = "KGUI_GAME_REPORT_FD";

struct CGameReport {
  enum EKind { k_EJoined, k_EReady };
  EKind kind = k_EReady;
  uint32 ip = 0;  // of a join: the top byte is the first number of the address
  uint16 port = 0;
};

// Reads one line (without its newline). False for anything but the two forms above with a
// dotted IPv4 address (not 0.0.0.0) and a port of 1 to 65535.
bool ParseGameReport(std::string_view line, CGameReport &report);

class CGameReportPipe {
 public:
  // Longest line taken; a longer one is dropped whole.
  static constexpr size_t kMaxLine = 256;
  // Most bytes taken from the pipe per Read.
  static constexpr size_t kMaxReadBytes = 4096;

  // Takes the reading end `fd` (made non-blocking) of the game of application `appID`.
  CGameReportPipe(int fd, uint32 appID);
  ~CGameReportPipe();
  CGameReportPipe(const CGameReportPipe &) = delete;
  CGameReportPipe &operator=(const CGameReportPipe &) = delete;

  // Takes what the pipe holds (at most kMaxReadBytes) without waiting; every join read is appended
  // to `reports`, "ready" is noted, lines that cannot be read are logged. A line whose rest has not
  // come yet waits for it; at the end of the pipe (the game closed it or exited) it is dropped.
  void Read(std::vector<CGameReport> &reports);

  int Fd() const { return m_Fd; }
  uint32 AppID() const { return m_AppID; }
  bool AtEnd() const { return m_AtEnd; }
  bool SaidReady() const { return m_SaidReady; }

 private:
  void TakeLine(std::string_view line, std::vector<CGameReport> &reports);

  int m_Fd;
  uint32 m_AppID;
  std::string m_Partial;
  bool m_Dropping = false;  // inside a line that was too long, up to its newline
  bool m_AtEnd = false;
  bool m_SaidReady = false;
};

}  // namespace kguihost
