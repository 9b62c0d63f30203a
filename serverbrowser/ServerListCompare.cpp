#include "serverbrowser/ServerListCompare.h"

#include "kstdlib/strtools.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/IGameList.h"
#include "tier0/dbg.h"

namespace {

// The two rows' records from the list's own source: a list sorted while another page is shown, or
// a dialog's result list, must not read another request's records under the same indices.
struct RecordPair {
  const ServerRecord *first = nullptr;
  const ServerRecord *second = nullptr;
};

RecordPair FetchRecords(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  RecordPair records;
  IGameList *source = CGameListPanel::RecordSourceOf(list);
  if (!source) return records;
  records.first = source->GetServerRecord(static_cast<int>(p1.m_unUserData));
  records.second = source->GetServerRecord(static_cast<int>(p2.m_unUserData));
  return records;
}

// Rows without a record gather at the start of an ascending list. True when that decided the
// order; `result` then holds it.
bool CompareMissing(const RecordPair &records, int &result) {
  if (records.first && records.second) return false;
  if (!records.first && !records.second)
    result = 0;
  else
    result = records.first ? 1 : -1;
  return true;
}

// The greater value first (more players, password set).
template <class T>
int GreaterFirst(T a, T b) {
  if (a > b) return -1;
  if (a < b) return 1;
  return 0;
}

// The lower value first (ping, address).
template <class T>
int LowerFirst(T a, T b) {
  return -GreaterFirst(a, b);
}

// Fetches both records and, when both exist, compares them with `compare`.
template <class Compare>
int CompareRecords(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2,
                   Compare compare) {
  const RecordPair records = FetchRecords(list, p1, p2);
  int result = 0;
  if (CompareMissing(records, result)) return result;
  return compare(*records.first, *records.second);
}

}  // namespace

int ComparePassword(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return GreaterFirst<int>(s1.m_bHasPassword, s2.m_bHasPassword);
  });
}

int CompareBots(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return GreaterFirst(s1.m_nBotCount, s2.m_nBotCount);
  });
}

int CompareSecure(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return GreaterFirst<int>(s1.m_bIsSecure, s2.m_bIsSecure);
  });
}

// By the text the row shows: the name, or the address of a server without one.
int CompareName(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return V_stricmp(s1.GetName(), s2.GetName());
  });
}

// Numerically, so 9.x sorts before 10.x; the query port splits servers sharing an address.
int CompareIPAddr(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    const int byAddress = LowerFirst(s1.m_NetAdr.GetIP(), s2.m_NetAdr.GetIP());
    return byAddress ? byAddress : LowerFirst(s1.m_NetAdr.GetQueryPort(), s2.m_NetAdr.GetQueryPort());
  });
}

int CompareGameDesc(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  // Two rows for one server index break the one-row-per-server rule of the pages.
  Assert(p1.m_unUserData != p2.m_unUserData);
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return V_stricmp(s1.GetDescription(), s2.GetDescription());
  });
}

// More players first; for equal counts the larger server first.
int ComparePlayers(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    const int byCount = GreaterFirst(s1.m_nPlayerCount, s2.m_nPlayerCount);
    return byCount ? byCount : GreaterFirst(s1.m_nPlayerLimit, s2.m_nPlayerLimit);
  });
}

int CompareMap(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return V_stricmp(s1.GetMap(), s2.GetMap());
  });
}

int ComparePing(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return LowerFirst(s1.m_nPingMs, s2.m_nPingMs);
  });
}

// The most recently played first.
int CompareLastPlayed(kgui::ListPanel *list, const kgui::ListPanelItem &p1, const kgui::ListPanelItem &p2) {
  return CompareRecords(list, p1, p2, [](const ServerRecord &s1, const ServerRecord &s2) {
    return GreaterFirst(s1.m_nLastPlayedTime, s2.m_nLastPlayedTime);
  });
}
