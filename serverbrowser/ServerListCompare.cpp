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

using SortKey = kgui::ListPanel::SortKey;

// A signed number as an unsigned one of the same order.
uint32 Unsigned(int32 value) {
  return static_cast<uint32>(value) ^ 0x80000000u;
}

// The key of a row: 0 and undecided without a record (such rows come first, and only the sort
// function tells them from a present row keyed 0); `make` keys a present record. A list without a
// record source ties every row.
template <class MakeKey>
SortKey RecordKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part, MakeKey make) {
  IGameList *source = CGameListPanel::RecordSourceOf(list);
  if (!source) return SortKey{0, SortKey::kLast};
  const ServerRecord *record = source->GetServerRecord(static_cast<int>(item.m_unUserData));
  if (!record) return SortKey{0, SortKey::kUnknown};
  return make(*record, part);
}

// A number key above the missing rows' 0.
SortKey NumberKey(uint64 value) {
  if (value >= ~uint64{0} - 1) return SortKey{~uint64{0}, SortKey::kUnknown};
  return SortKey{value + 1, SortKey::kLast};
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

// ---- keys in the order of the functions above

SortKey PasswordKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part,
                   [](const ServerRecord &s, int) { return NumberKey(s.m_bHasPassword ? 0 : 1); });
}

SortKey BotsKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part,
                   [](const ServerRecord &s, int) { return NumberKey(~Unsigned(s.m_nBotCount)); });
}

SortKey SecureKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part,
                   [](const ServerRecord &s, int) { return NumberKey(s.m_bIsSecure ? 0 : 1); });
}

SortKey NameKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part, [](const ServerRecord &s, int p) {
    return kgui::ListPanel::FoldedTextKey(s.GetName(), p);
  });
}

SortKey IPAddrKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part, [](const ServerRecord &s, int) {
    return NumberKey(static_cast<uint64>(s.m_NetAdr.GetIP()) << 16 | s.m_NetAdr.GetQueryPort());
  });
}

SortKey GameDescKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part, [](const ServerRecord &s, int p) {
    return kgui::ListPanel::FoldedTextKey(s.GetDescription(), p);
  });
}

SortKey PlayersKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part, [](const ServerRecord &s, int) {
    return NumberKey(static_cast<uint64>(~Unsigned(s.m_nPlayerCount)) << 32 | ~Unsigned(s.m_nPlayerLimit));
  });
}

SortKey MapKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part, [](const ServerRecord &s, int p) {
    return kgui::ListPanel::FoldedTextKey(s.GetMap(), p);
  });
}

SortKey PingKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part,
                   [](const ServerRecord &s, int) { return NumberKey(Unsigned(s.m_nPingMs)); });
}

SortKey LastPlayedKey(kgui::ListPanel *list, const kgui::ListPanelItem &item, int part) {
  return RecordKey(list, item, part,
                   [](const ServerRecord &s, int) { return NumberKey(~s.m_nLastPlayedTime); });
}
