#include "plexaclient/list_filter.h"

#include <cstring>

#include "kstdlib/strtools.h"

namespace {

// A pair's text up to its field's end, even when the caller left out the NUL.
std::string FieldText(const char (&field)[256]) {
  return std::string(field, strnlen(field, sizeof(field)));
}

}  // namespace

CListFilter::CListFilter(const MatchMakingKeyValuePair_t *pairs, uint32 count) {
  for (uint32 i = 0; pairs && i < count; ++i) {
    const std::string key = FieldText(pairs[i].m_szKey);
    const std::string value = FieldText(pairs[i].m_szValue);
    const bool on = value == "1";
    if (!V_stricmp(key.c_str(), "gamedir"))
      m_GameDir = value;
    else if (!V_stricmp(key.c_str(), "empty"))
      m_bHideEmpty = on;
    else if (!V_stricmp(key.c_str(), "full"))
      m_bHideFull = on;
    else if (!V_stricmp(key.c_str(), "secure"))
      m_bSecureOnly = on;
    else if (!V_stricmp(key.c_str(), "proxy"))
      m_bProxyOnly = on;
    else if (!V_stricmp(key.c_str(), "napp"))
      AddExcludedApp(value);
  }
}

void CListFilter::AddExcludedApp(const std::string &value) {
  const char *end = nullptr;
  bool overflow = false;
  const uint64 appId = V_StringToUint64(value.c_str(), &end, &overflow);
  if (end != value.c_str() && *end == '\0' && !overflow && appId <= 0xFFFFFFFFu)
    m_ExcludedApps.push_back(static_cast<AppId_t>(appId));
}

bool CListFilter::Passes(const ServerRecord &record, bool relay) const {
  if (!m_GameDir.empty() && V_stricmp(m_GameDir.c_str(), record.GetGameDir()) != 0) return false;
  if (m_bHideEmpty && record.m_nPlayerCount <= 0) return false;
  if (m_bHideFull && record.m_nPlayerLimit > 0 && record.m_nPlayerCount >= record.m_nPlayerLimit)
    return false;
  if (m_bSecureOnly && !record.m_bIsSecure) return false;
  if (m_bProxyOnly && !relay) return false;
  for (AppId_t excluded : m_ExcludedApps) {
    if (record.m_nAppId == excluded) return false;
  }
  return true;
}
