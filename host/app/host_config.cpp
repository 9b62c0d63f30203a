#include "host/app/host_config.h"

#include "kstdlib/strtools.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace kguihost {

bool CHostConfig::Load(IFileSystem &fileSystem, const std::string &path, std::string &error) {
  KeyValuesAD root(new KeyValues("HostConfig"));
  std::string errors;
  if (!LoadKeyValuesFileWithPlaces(root.get(), &fileSystem, path.c_str(), nullptr, &errors)) {
    error = "cannot read the configuration '" + path + "'" + (errors.empty() ? "" : ": " + errors);
    return false;
  }
  return Apply(root.get(), error);
}

bool CHostConfig::Apply(KeyValues *root, std::string &error) {
  if (KeyValues *messages = root->FindKey("Messages")) {
    m_pMessages.reset(messages->MakeCopy());
  }
  KeyValues *games = root->FindKey("Games");
  m_HasCatalogue = games != nullptr;
  m_Games.clear();
  if (!games) return true;
  for (KeyValues *game = games->GetFirstSubKey(); game; game = game->GetNextKey()) {
    const char *end = nullptr;
    bool overflow = false;
    uint64 appID = V_StringToUint64(game->GetName(), &end, &overflow);
    if (end == game->GetName() || *end != '\0' || overflow || appID == 0 || appID > 0xFFFFFFFFull) {
      error = std::string("\"Games\": '") + game->GetName() + "' is not an application id";
      return false;
    }
    m_Games.push_back(CGameEntry{static_cast<uint32>(appID), game->GetString("gamedir", ""),
                                 game->GetString("command", "")});
  }
  return true;
}

std::vector<KeyValues *> CHostConfig::MakeStartMessages() const {
  std::vector<KeyValues *> messages;
  if (!m_pMessages) return messages;
  for (KeyValues *message = m_pMessages->GetFirstSubKey(); message; message = message->GetNextKey()) {
    KeyValues *copy = new KeyValues(message->GetName());
    message->CopySubkeys(copy);
    messages.push_back(copy);
  }
  return messages;
}

}  // namespace kguihost
