// Which application a server of a protocol family belongs to, as the caller's catalogue says.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plexa/plexatypes.h"

struct ProtocolApp_t {
  AppId_t m_nAppId = 0;
  std::string m_GameDir;  // the game directory of servers that do not name one
  std::string m_Name;     // the description of its servers
};

class CProtocolCatalogue {
 public:
  // Servers of `family` that answer with `gameName` and `protocol` belong to `app`. An empty game
  // name stands for servers that send none.
  void Add(std::string_view family, std::string_view gameName, int protocol, const ProtocolApp_t &app);
  // Servers of `family` that match no entry belong to `app`.
  void SetDefault(std::string_view family, const ProtocolApp_t &app);

  // The entry matching the server (game names ignore case), else the family's default, else null.
  const ProtocolApp_t *Find(std::string_view family, std::string_view gameName, int protocol) const;

 private:
  struct Entry {
    std::string m_Family;
    std::string m_GameName;
    int m_nProtocol = 0;
    bool m_bDefault = false;
    ProtocolApp_t m_App;
  };
  std::vector<Entry> m_Entries;
};
