// The host's configuration file (key/value text):
//   "HostConfig"
//   {
//     "Messages"  { "ActiveGameName" { "game" "..." "name" "..." "appid" "1002" } ... }
//     "Games"     { "1002" { "gamedir" "ironclad" "command" "fakegame -game ironclad" } ... }
//   }
// "Messages" are sent in order to the module's root panel when it starts. "Games" is the game
// launcher's catalogue: per application id, the command that starts its game (the module's command
// line is appended).
#pragma once

#include <string>
#include <vector>

#include "tier1/KeyValues.h"

class IFileSystem;

namespace kguihost {

struct CGameEntry {
  uint32 appID = 0;
  std::string gameDir;
  std::string command;
};

class CHostConfig {
 public:
  // An empty configuration: no messages, no game catalogue.
  CHostConfig() = default;

  // Reads the file; false with `error` set when it is missing or broken.
  bool Load(IFileSystem &fileSystem, const std::string &path, std::string &error);
  // Takes the sections of a parsed configuration.
  bool Apply(KeyValues *root, std::string &error);

  // Copies of the start messages, in file order (the caller owns them).
  std::vector<KeyValues *> MakeStartMessages() const;
  bool HasGameCatalogue() const { return m_HasCatalogue; }
  const std::vector<CGameEntry> &Games() const { return m_Games; }

 private:
  KeyValuesAD m_pMessages;
  bool m_HasCatalogue = false;
  std::vector<CGameEntry> m_Games;
};

}  // namespace kguihost
