#include "tools/fakegame/game_listener.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fakegame {

namespace {

constexpr int kRequestWaitMs = 1000;

void Answer(int connection, const std::string &text) {
  std::string packet = text + "\n";
  (void)!send(connection, packet.data(), packet.size(), MSG_NOSIGNAL);
}

}  // namespace

CGameListener::~CGameListener() {
  if (m_Fd < 0) return;
  close(m_Fd);
  struct stat info {};
  if (lstat(m_Path.c_str(), &info) == 0 && info.st_dev == m_Device && info.st_ino == m_Inode)
    unlink(m_Path.c_str());
}

bool CGameListener::Open(const std::string &path, std::string &error) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) {
    error = "the path '" + path + "' is too long for a socket";
    return false;
  }
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      error = "'" + path + "' is in the way and not a socket";
      return false;
    }
    unlink(path.c_str());
  }
  address.sun_family = AF_UNIX;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 ||
      listen(fd, 8) != 0 || lstat(path.c_str(), &info) != 0) {
    error = "cannot listen at '" + path + "': " + strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  m_Fd = fd;
  m_Path = path;
  m_Device = info.st_dev;
  m_Inode = info.st_ino;
  return true;
}

void CGameListener::ServeOne(const Handler &handle, std::string &problem) {
  problem.clear();
  int connection = accept4(m_Fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) return;
  ucred peer{};
  socklen_t size = sizeof(peer);
  if (getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != geteuid()) {
    problem = "a connection of another user was refused";
    Answer(connection, "refused not your game");
    close(connection);
    return;
  }
  char buffer[runninggame::kMaxPacket + 1];
  pollfd wait{connection, POLLIN, 0};
  ssize_t got = poll(&wait, 1, kRequestWaitMs) > 0 ? recv(connection, buffer, sizeof(buffer), MSG_TRUNC) : -1;
  runninggame::CRequest request;
  std::string error;
  if (got < 0) {
    problem = "a connection sent no request";
  } else if (static_cast<size_t>(got) > runninggame::kMaxPacket) {
    problem = "a request was too long";
  } else if (!runninggame::ParseRequest(std::string_view(buffer, static_cast<size_t>(got)), request, error)) {
    problem = "a request could not be read: '" +
              runninggame::EscapeForLog(std::string_view(buffer, static_cast<size_t>(got)), 80) + "'";
  } else {
    Answer(connection, handle(request));
    close(connection);
    return;
  }
  Answer(connection, "refused " + problem);
  close(connection);
}

}  // namespace fakegame
