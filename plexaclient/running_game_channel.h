// The channel through which the services hand a server to the game that already runs. The running
// game listens on a local socket of sequenced packets; each request is one connection carrying one
// packet, answered with one packet:
//
//   socket   <runtime folder>/plexa-game-<16 hex digits>.sock; the digits hash the user's folder
//            ($PLEXA_USER_DIR, else $XDG_CONFIG_HOME/serverbrowser, else ~/.config/serverbrowser),
//            so every user folder (every host run with its own --user-dir) has a game of its own
//   request  "connect <a.b.c.d:port>\n" and, when there is one, "password <text>\n"; or
//            "command <console text>\n" (a friend's connect string such as "+connect a.b.c.d:port")
//   answer   "ok\n" once the game has taken the server, else "refused <reason>\n"
//
// The runtime folder is $XDG_RUNTIME_DIR, else /tmp/plexa-<uid> (made with mode 0700 when missing).
// Either is used only when it is a real directory (no link) owned by the user and closed to
// everyone else; a $XDG_RUNTIME_DIR that is not falls back to the folder under /tmp.
//
// Shared by the services stand-in (the sending side) and fakegame (the listening side); it needs
// nothing but the C library.
#pragma once

#include <string>
#include <string_view>

namespace runninggame {

// Longest packet either side sends or reads.
inline constexpr size_t kMaxPacket = 1024;
// How long the sender waits for the game's answer.
inline constexpr int kAnswerTimeoutMs = 1000;

struct CRequest {
  std::string address;   // "a.b.c.d:port" of a connect request
  std::string password;  // may be empty
  std::string command;   // console text of a command request (then address is empty)
};

// The user's folder the socket name is made from.
std::string UserFolder();
// The runtime folder (checked, or made when it is the one under /tmp). False with `error` set.
bool RuntimeFolder(std::string &folder, std::string &error);
// RuntimeFolder's rules with the candidates given: `runtimeDir` (may be null) when usable, else
// `fallback`, made when missing.
bool PickRuntimeFolder(const char *runtimeDir, const std::string &fallback, std::string &folder,
                       std::string &error);
// The socket's path for this user folder. False with `error` set.
bool SocketPath(std::string &path, std::string &error);

// True when the text holds no control characters (nothing below 0x20, no 0x7F).
bool IsPlainText(std::string_view text);
// The text with control characters and bytes of 0x7F shown as \xNN and backslashes doubled, cut
// after `limit` bytes (marked with "..."), for log lines.
std::string EscapeForLog(std::string_view text, size_t limit = 200);

// The packet for a request. False with `error` set when a field holds control characters, the
// request has neither an address nor a command, or the packet would be longer than kMaxPacket.
bool FormatRequest(const CRequest &request, std::string &packet, std::string &error);
// Reads a packet; false with `error` set for anything FormatRequest would not have written.
bool ParseRequest(std::string_view packet, CRequest &request, std::string &error);

// Sends one packet to the game listening at `path` and waits up to `timeoutMs` for its answer
// (one line, its newline dropped). False with `error` set when no game listens there, it does not
// answer in time, or the connection fails. Never raises SIGPIPE.
bool SendRequest(const std::string &path, const std::string &packet, std::string &answer, std::string &error,
                 int timeoutMs = kAnswerTimeoutMs);

}  // namespace runninggame
