// The running game's end of the services' channel (plexaclient/running_game_channel.h): a socket
// it listens on while it runs, taking one request a connection.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "plexaclient/running_game_channel.h"

namespace fakegame {

class CGameListener {
 public:
  CGameListener() = default;
  // Closes the socket and removes its file unless another game has put its own there since.
  ~CGameListener();
  CGameListener(const CGameListener &) = delete;
  CGameListener &operator=(const CGameListener &) = delete;

  // Listens at `path`, taking the place of a socket left there (the newest game is the running
  // one). False with `error` set when something that is not a socket is in the way or the socket
  // cannot be made.
  bool Open(const std::string &path, std::string &error);
  // The listening socket (-1 when not open), to wait on.
  int Fd() const { return m_Fd; }

  // Takes one waiting connection, reads its request (waiting at most a second for it) and answers
  // with what `handle` returns for it ("ok" or "refused <reason>"). Connections of other users and
  // packets that are not requests are refused without calling `handle`; `problem` gets why.
  using Handler = std::function<std::string(const runninggame::CRequest &request)>;
  void ServeOne(const Handler &handle, std::string &problem);

 private:
  int m_Fd = -1;
  std::string m_Path;
  dev_t m_Device = 0;
  ino_t m_Inode = 0;
};

}  // namespace fakegame
