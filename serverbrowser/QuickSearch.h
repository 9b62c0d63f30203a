// The quick search of a server-list page: a server's searchable texts folded once per answer, and
// the typed query matched against them as a plain substring.
#pragma once

#include <string>
#include <string_view>

struct ServerRecord;

// The server's name, map, game (description) and tags folded for the search, each ended by a
// separator that no folded query contains, so a query never spans two fields.
std::string QuickSearchHaystack(const ServerRecord &server);

// Whether a row's haystack holds the folded query; an empty query matches every row.
inline bool QuickSearchMatches(std::string_view haystack, std::string_view foldedQuery) {
  return foldedQuery.empty() || haystack.find(foldedQuery) != std::string_view::npos;
}
