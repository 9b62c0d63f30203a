#include "plexaclient/net/protocol_catalogue.h"

#include "plexaclient/net/server_text.h"

void CProtocolCatalogue::Add(std::string_view family, std::string_view gameName, int protocol,
                             const ProtocolApp_t &app) {
  m_Entries.push_back({std::string(family), std::string(gameName), protocol, false, app});
}

void CProtocolCatalogue::SetDefault(std::string_view family, const ProtocolApp_t &app) {
  for (Entry &entry : m_Entries) {
    if (entry.m_bDefault && EqualsIgnoringCase(entry.m_Family, family)) {
      entry.m_App = app;
      return;
    }
  }
  m_Entries.push_back({std::string(family), std::string(), 0, true, app});
}

const ProtocolApp_t *CProtocolCatalogue::Find(std::string_view family, std::string_view gameName,
                                              int protocol) const {
  const ProtocolApp_t *fallback = nullptr;
  for (const Entry &entry : m_Entries) {
    if (!EqualsIgnoringCase(entry.m_Family, family)) continue;
    if (entry.m_bDefault) {
      fallback = &entry.m_App;
    } else if (entry.m_nProtocol == protocol && EqualsIgnoringCase(entry.m_GameName, gameName)) {
      return &entry.m_App;
    }
  }
  return fallback;
}
