#include "serverbrowser/SpectateGames.h"

#include <vector>

#include "kstdlib/strtools.h"

DEFINE_EMPTY_MESSAGE_MAP(CSpectateGames, CInternetGames)

CSpectateGames::CSpectateGames(kgui::Panel *parent)
    : CInternetGames(parent, "SpectateGames", eSpectateServer) {}

// Every path to a new list (F5, showing the page, the refresh buttons, GetNewServerList) comes
// through here, so each request carries exactly one "proxy" pair, however often it is refreshed.
void CSpectateGames::BeginRefresh() {
  std::erase_if(m_vecServerFilters,
                [](const MatchMakingKeyValuePair_t &pair) { return V_stricmp(pair.m_szKey, "proxy") == 0; });
  MatchMakingKeyValuePair_t proxy{};
  V_strncpy(proxy.m_szKey, "proxy", sizeof(proxy.m_szKey));
  V_strncpy(proxy.m_szValue, "1", sizeof(proxy.m_szValue));
  m_vecServerFilters.push_back(proxy);
  BaseClass::BeginRefresh();
}
