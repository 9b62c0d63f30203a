// The filter pairs a list request honours: "gamedir" (ignoring case), "empty" "1" (servers with
// players), "full" "1" (servers not full), "secure" "1", "proxy" "1" (spectator relays only),
// "napp" N (leave out application N). Unknown keys are ignored.
#pragma once

#include <string>
#include <vector>

#include "plexa/matchmakingtypes.h"

class CListFilter {
 public:
  CListFilter(const MatchMakingKeyValuePair_t *pairs, uint32 count);

  // Whether a server that answered with `record` (`relay`: a spectator relay) is listed.
  bool Passes(const ServerRecord &record, bool relay) const;
  void RequireRelay() { m_bProxyOnly = true; }

 private:
  void AddExcludedApp(const std::string &value);

  std::string m_GameDir;
  bool m_bHideEmpty = false;
  bool m_bHideFull = false;
  bool m_bSecureOnly = false;
  bool m_bProxyOnly = false;
  std::vector<AppId_t> m_ExcludedApps;
};
