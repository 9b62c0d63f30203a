#include "serverbrowser/QuickSearch.h"

#include "plexa/matchmakingtypes.h"
#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/SearchFold.h"

namespace {

void AppendHaystack(std::string &out, const ServerRecord &server) {
  for (const char *field : {server.GetName(), server.GetMap(), server.GetDescription(), server.GetTags()}) {
    AppendFoldedForSearch(out, field);
    out.push_back('\n');
  }
}

}  // namespace

std::string QuickSearchHaystack(const ServerRecord &server) {
  std::string haystack;
  haystack.reserve(96);
  AppendHaystack(haystack, server);
  return haystack;
}

bool CQuickSearchIndex::Owns(const serverdisplay_t &row) const {
  return row.m_iSearchSlot >= 0 && row.m_iSearchSlot < static_cast<int>(m_Entries.size()) &&
         m_Entries[row.m_iSearchSlot].row == &row;
}

bool CQuickSearchIndex::Set(serverdisplay_t &row, const ServerRecord &server) {
  // A slot the row does not own (say, a copy's) is never written: the row gets its own.
  if (!Owns(row)) {
    if (m_FreeSlots.empty()) {
      row.m_iSearchSlot = static_cast<int32>(m_Entries.size());
      m_Entries.emplace_back();
    } else {
      row.m_iSearchSlot = m_FreeSlots.back();
      m_FreeSlots.pop_back();
    }
  }
  Entry &entry = m_Entries[row.m_iSearchSlot];
  m_WastedBytes += entry.length;
  entry.row = &row;
  entry.offset = static_cast<uint32_t>(m_Texts.size());
  AppendHaystack(m_Texts, server);
  entry.length = static_cast<uint32_t>(m_Texts.size() - entry.offset);
  entry.matches = QuickSearchMatches(TextOf(entry), m_Query);
  CompactWhenWasteful();
  return entry.matches;
}

void CQuickSearchIndex::Remove(serverdisplay_t &row) {
  if (!Owns(row)) return;
  Entry &entry = m_Entries[row.m_iSearchSlot];
  m_WastedBytes += entry.length;
  entry = Entry{};
  m_FreeSlots.push_back(row.m_iSearchSlot);
  row.m_iSearchSlot = -1;
  CompactWhenWasteful();
}

void CQuickSearchIndex::Clear() {
  for (Entry &entry : m_Entries) {
    if (entry.row) entry.row->m_iSearchSlot = -1;
  }
  m_Entries.clear();
  m_FreeSlots.clear();
  m_Texts.clear();
  m_WastedBytes = 0;
}

bool CQuickSearchIndex::Matches(const serverdisplay_t &row) const {
  return Owns(row) && m_Entries[row.m_iSearchSlot].matches;
}

void CQuickSearchIndex::SetQuery(std::string_view foldedQuery, std::vector<Flip> &flips) {
  if (foldedQuery == m_Query) return;
  // A longer query holding the old one can only lose rows, a shorter one held in it only gain
  // them: the rows that cannot change are not searched.
  const bool narrower = foldedQuery.find(m_Query) != std::string_view::npos;
  const bool wider = !narrower && m_Query.find(foldedQuery) != std::string::npos;
  m_Query.assign(foldedQuery);
  for (Entry &entry : m_Entries) {
    if (!entry.row || (narrower && !entry.matches) || (wider && entry.matches)) continue;
    const bool matches = QuickSearchMatches(TextOf(entry), m_Query);
    if (matches == entry.matches) continue;
    entry.matches = matches;
    flips.push_back(Flip{entry.row, matches});
  }
}

void CQuickSearchIndex::CompactWhenWasteful() {
  if (m_WastedBytes < 4096 || m_WastedBytes < m_Texts.size() / 2) return;
  std::string texts;
  texts.reserve(m_Texts.size() - m_WastedBytes);
  for (Entry &entry : m_Entries) {
    if (!entry.row) continue;
    const uint32_t offset = static_cast<uint32_t>(texts.size());
    texts.append(TextOf(entry));
    entry.offset = offset;
  }
  m_Texts.swap(texts);
  m_WastedBytes = 0;
}
