#include "plexaclient/running_game_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace runninggame {

namespace {

// A real directory (not a link to one) of this user that nobody else may enter.
bool IsPrivateFolder(const std::string &folder, std::string &error) {
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    error = "cannot use '" + folder + "': " + strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    error = "'" + folder + "' is not a directory";
    return false;
  }
  if (info.st_uid != geteuid()) {
    error = "'" + folder + "' belongs to another user";
    return false;
  }
  if ((info.st_mode & 077) != 0) {
    char mode[8];
    snprintf(mode, sizeof(mode), "%03o", static_cast<unsigned>(info.st_mode & 0777));
    error = "'" + folder + "' is open to other users (mode " + mode + ")";
    return false;
  }
  return true;
}

uint64_t HashText(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// Cuts one "<key> <value>" line off the front of `rest`; false when no whole line is left.
bool TakeLine(std::string_view &rest, std::string_view &key, std::string_view &value) {
  size_t end = rest.find('\n');
  if (end == std::string_view::npos) return false;
  std::string_view line = rest.substr(0, end);
  rest.remove_prefix(end + 1);
  size_t space = line.find(' ');
  key = line.substr(0, space);
  value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  return true;
}

}  // namespace

std::string UserFolder() {
  std::string folder;
  const char *handed = getenv("PLEXA_USER_DIR");
  const char *xdg = getenv("XDG_CONFIG_HOME");
  const char *home = getenv("HOME");
  if (handed && *handed) {
    folder = handed;
  } else if (xdg && *xdg) {
    folder = std::string(xdg) + "/serverbrowser";
  } else {
    folder = std::string(home && *home ? home : "/tmp") + "/.config/serverbrowser";
  }
  std::error_code failure;
  std::filesystem::path absolute = std::filesystem::absolute(folder, failure);
  std::string normal = (failure ? std::filesystem::path(folder) : absolute).lexically_normal().string();
  // One folder, one name: "a/b/" and "a/b" are the same folder.
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

bool RuntimeFolder(std::string &folder, std::string &error) {
  return PickRuntimeFolder(getenv("XDG_RUNTIME_DIR"), "/tmp/plexa-" + std::to_string(geteuid()), folder,
                           error);
}

bool PickRuntimeFolder(const char *runtimeDir, const std::string &fallback, std::string &folder,
                       std::string &error) {
  std::string problem;
  if (runtimeDir && runtimeDir[0] == '/') {
    std::string candidate = runtimeDir;
    while (candidate.size() > 1 && candidate.back() == '/') candidate.pop_back();
    if (IsPrivateFolder(candidate, problem)) {
      folder = candidate;
      return true;
    }
  }
  if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "cannot make '" + fallback + "': " + strerror(errno);
    return false;
  }
  if (!IsPrivateFolder(fallback, error)) {
    if (!problem.empty()) error = problem + "; " + error;
    return false;
  }
  folder = fallback;
  return true;
}

bool SocketPath(std::string &path, std::string &error) {
  std::string folder;
  if (!RuntimeFolder(folder, error)) return false;
  char name[40];
  snprintf(name, sizeof(name), "/plexa-game-%016llx.sock",
           static_cast<unsigned long long>(HashText(UserFolder())));
  std::string candidate = folder + name;
  if (candidate.size() >= sizeof(sockaddr_un{}.sun_path)) {
    error = "the socket path '" + candidate + "' is too long";
    return false;
  }
  path = candidate;
  return true;
}

bool IsPlainText(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

std::string EscapeForLog(std::string_view text, size_t limit) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == limit) {
      shown += "...";
      break;
    }
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      shown += escaped;
    } else if (c == '\\') {
      shown += "\\\\";
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

bool FormatRequest(const CRequest &request, std::string &packet, std::string &error) {
  if (!IsPlainText(request.address) || !IsPlainText(request.password) || !IsPlainText(request.command)) {
    error = "control characters in the request";
    return false;
  }
  if (request.address.empty() == request.command.empty()) {
    error = "a request holds either an address or a command";
    return false;
  }
  if (!request.command.empty()) {
    packet = "command " + request.command + "\n";
  } else {
    packet = "connect " + request.address + "\n";
    if (!request.password.empty()) packet += "password " + request.password + "\n";
  }
  if (packet.size() > kMaxPacket) {
    error = "the request is longer than " + std::to_string(kMaxPacket) + " bytes";
    return false;
  }
  return true;
}

bool ParseRequest(std::string_view packet, CRequest &request, std::string &error) {
  request = CRequest();
  error = "not a request";
  if (packet.size() > kMaxPacket || packet.empty() || packet.back() != '\n') return false;
  std::string_view rest = packet;
  std::string_view key;
  std::string_view value;
  TakeLine(rest, key, value);
  if (!IsPlainText(value) || value.empty()) return false;
  if (key == "command" && rest.empty()) {
    request.command = value;
    return true;
  }
  if (key != "connect") return false;
  request.address = value;
  if (rest.empty()) return true;
  if (!TakeLine(rest, key, value) || key != "password" || !rest.empty() || !IsPlainText(value)) {
    request = CRequest();
    return false;
  }
  request.password = value;
  return true;
}

bool SendRequest(const std::string &path, const std::string &packet, std::string &answer, std::string &error,
                 int timeoutMs) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path) || packet.empty() || packet.size() > kMaxPacket) {
    error = "bad path or packet";
    return false;
  }
  address.sun_family = AF_UNIX;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = std::string("no socket: ") + strerror(errno);
    return false;
  }
  bool done = false;
  if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
    // ENOENT or ECONNREFUSED: no game; EAGAIN: one that does not take connections.
    error = "no game listens at '" + path + "': " + strerror(errno);
  } else if (send(fd, packet.data(), packet.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(packet.size())) {
    error = std::string("the request was not sent: ") + strerror(errno);
  } else {
    pollfd wait{fd, POLLIN, 0};
    int ready = poll(&wait, 1, timeoutMs);
    char buffer[kMaxPacket];
    ssize_t got = ready > 0 ? recv(fd, buffer, sizeof(buffer), 0) : -1;
    if (ready == 0) {
      error = "the game did not answer within " + std::to_string(timeoutMs) + " ms";
    } else if (got <= 0) {
      error = got == 0 ? "the game closed the connection" : std::string("no answer: ") + strerror(errno);
    } else {
      answer.assign(buffer, static_cast<size_t>(got));
      if (!answer.empty() && answer.back() == '\n') answer.pop_back();
      done = true;
    }
  }
  close(fd);
  return done;
}

}  // namespace runninggame
