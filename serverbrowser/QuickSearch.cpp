#include "serverbrowser/QuickSearch.h"

#include "plexa/matchmakingtypes.h"
#include "serverbrowser/SearchFold.h"

std::string QuickSearchHaystack(const ServerRecord &server) {
  std::string haystack;
  haystack.reserve(96);
  for (const char *field : {server.GetName(), server.GetMap(), server.GetDescription(), server.GetTags()}) {
    AppendFoldedForSearch(haystack, field);
    haystack.push_back('\n');
  }
  return haystack;
}
