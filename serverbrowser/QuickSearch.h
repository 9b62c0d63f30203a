// The quick search of a server-list page: a server's searchable texts folded once per answer, and
// the typed query matched against them as a plain substring.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ServerRecord;
struct serverdisplay_t;

// The server's name, map, game (description) and tags folded for the search, each ended by a
// separator that no folded query contains, so a query never spans two fields.
std::string QuickSearchHaystack(const ServerRecord &server);

// Whether a row's haystack holds the folded query; an empty query matches every row.
inline bool QuickSearchMatches(std::string_view haystack, std::string_view foldedQuery) {
  return foldedQuery.empty() || haystack.find(foldedQuery) != std::string_view::npos;
}

// The folded texts of a page's servers side by side in one block, with whether each holds the
// current query, so that a keystroke reads them in order instead of visiting every server's entry.
// A row is known by its entry (which keeps its slot here); entries must stay where they are while
// they are in the index, as a tree map's do.
class CQuickSearchIndex {
 public:
  // A row whose match changed with the query.
  struct Flip {
    serverdisplay_t *row;
    bool matches;
  };

  // The row's texts from `server`, replacing any it had; whether they hold the current query.
  bool Set(serverdisplay_t &row, const ServerRecord &server);
  void Remove(serverdisplay_t &row);
  void Clear();
  // Whether the row's texts hold the current query (false for a row never set).
  bool Matches(const serverdisplay_t &row) const;
  // Makes `foldedQuery` current and appends to `flips` every row whose match changed.
  void SetQuery(std::string_view foldedQuery, std::vector<Flip> &flips);
  const std::string &Query() const { return m_Query; }
  int Count() const { return static_cast<int>(m_Entries.size() - m_FreeSlots.size()); }

 private:
  struct Entry {
    serverdisplay_t *row = nullptr;  // null: a free slot
    uint32_t offset = 0;
    uint32_t length = 0;
    bool matches = false;
  };
  std::string_view TextOf(const Entry &entry) const { return {m_Texts.data() + entry.offset, entry.length}; }
  // Whether the row's slot is its own here.
  bool Owns(const serverdisplay_t &row) const;
  // Drops the texts replaced or removed once they outweigh the live ones.
  void CompactWhenWasteful();

  std::vector<Entry> m_Entries;
  std::vector<int> m_FreeSlots;
  std::string m_Texts;  // every entry's texts, one after another
  size_t m_WastedBytes = 0;
  std::string m_Query;
};
