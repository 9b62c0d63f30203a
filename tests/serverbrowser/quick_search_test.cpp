// The quick search of a server-list page: every searchable field, case folded and colour codes
// left out, combined with the map filter and the hide-empty check, the empty text showing every
// row, and the text kept in the saved filters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "serverbrowser/QuickSearch.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/games_page_fixture.h"

using sbtest::FakeServices;

namespace {

class CQuickSearchPage : public CTestGamesPage {
 public:
  explicit CQuickSearchPage(kgui::Panel *parent) : CTestGamesPage(parent) {}
  using CBaseGamesPage::m_pQuickSearch;
  using CBaseGamesPage::m_szQuickSearch;
};

ServerRecord Server(const char *name, int ip, const char *map, const char *desc, const char *tags,
                    int players = 4) {
  ServerRecord server = FakeServices::MakeServer(name, TestIP(ip), 27015, 30, 500, "ashfall", map, players);
  snprintf(server.m_szDescription, sizeof(server.m_szDescription), "%s", desc);
  snprintf(server.m_szTags, sizeof(server.m_szTags), "%s", tags);
  return server;
}

class QuickSearchTest : public GamesPageTest {
 protected:
  CQuickSearchPage *MakeSearchPage() {
    auto *page = new CQuickSearchPage(m_pHost);
    page->SetBounds(0, 0, 624, 278);
    return page;
  }
  // Four servers, each findable by one field only.
  void AnswerFour(CQuickSearchPage *page) {
    ListRequestHandle request = Refresh(page);
    m_Services.Answer(request, 1,
                      Server("^1Gro\xC3\x9F"
                             "e ^7Stra\xC3\x9F"
                             "e",
                             1, "harbor", "Ashfall", "hardcore"));
    m_Services.Answer(
        request, 2,
        Server("Plain", 2, "\xCE\xA3\xCE\xB9\xCF\x83\xCF\x8D\xCF\x86\xCE\xBF\xCF\x82", "Ashfall", ""));
    m_Services.Answer(request, 3, Server("Other", 3, "harbor", "Ember Rally", "", 0));
    m_Services.Answer(request, 4, Server("Last", 4, "cove", "Ashfall", "\xEF\xAC\x81rst,casual"));
  }
  std::vector<int> Shown(CQuickSearchPage *page) {
    std::vector<int> shown;
    for (int i = 1; i <= 4; ++i)
      if (IsRowShown(page, i)) shown.push_back(i);
    return shown;
  }
};

TEST(QuickSearchHaystack, HoldsEveryFieldFoldedAndApart) {
  const ServerRecord server = Server("^2Big ROOM", 1, "De_Dust", "Ember Rally", "fast,CTF");
  const std::string haystack = QuickSearchHaystack(server);
  EXPECT_EQ(haystack, "big room\nde_dust\nember rally\nfast,ctf\n");
  EXPECT_TRUE(QuickSearchMatches(haystack, ""));
  EXPECT_TRUE(QuickSearchMatches(haystack, "room"));
  EXPECT_FALSE(QuickSearchMatches(haystack, "roomde"));  // never across two fields
}

using Flips = std::vector<CQuickSearchIndex::Flip>;

// Which rows flipped, by their place in `rows`, with their new match.
std::vector<std::pair<int, bool>> Flipped(const Flips &flips, const serverdisplay_t *rows) {
  std::vector<std::pair<int, bool>> flipped;
  for (const CQuickSearchIndex::Flip &flip : flips)
    flipped.emplace_back(static_cast<int>(flip.row - rows), flip.matches);
  return flipped;
}

TEST(QuickSearchIndex, TracksEachRowsMatchAndReportsOnlyTheChanges) {
  CQuickSearchIndex index;
  serverdisplay_t rows[3];
  EXPECT_TRUE(index.Set(rows[0], Server("Harbor Nights", 1, "cove", "Ashfall", "")));  // no query: all
  EXPECT_TRUE(index.Set(rows[1], Server("Plain", 2, "harbor", "Ashfall", "")));
  EXPECT_TRUE(index.Set(rows[2], Server("Other", 3, "cove", "Ashfall", "")));
  EXPECT_EQ(index.Count(), 3);

  Flips flips;
  index.SetQuery("harbor", flips);
  EXPECT_EQ(Flipped(flips, rows), (std::vector<std::pair<int, bool>>{{2, false}}));
  flips.clear();
  index.SetQuery("harbor n", flips);
  EXPECT_EQ(Flipped(flips, rows), (std::vector<std::pair<int, bool>>{{1, false}}));
  flips.clear();
  index.SetQuery("harbor n", flips);
  EXPECT_TRUE(flips.empty());
  EXPECT_TRUE(index.Matches(rows[0]));
  EXPECT_FALSE(index.Matches(rows[1]));

  // A new answer replaces the texts and is judged by the query at once.
  EXPECT_FALSE(index.Set(rows[0], Server("Renamed", 1, "cove", "Ashfall", "")));
  EXPECT_TRUE(index.Set(rows[2], Server("Harbor Nights II", 3, "cove", "Ashfall", "")));
  // A removed row is never reported again; its slot goes to the next row.
  const int freed = rows[1].m_iSearchSlot;
  index.Remove(rows[1]);
  EXPECT_EQ(rows[1].m_iSearchSlot, -1);
  EXPECT_FALSE(index.Matches(rows[1]));
  flips.clear();
  index.SetQuery("", flips);
  EXPECT_EQ(Flipped(flips, rows), (std::vector<std::pair<int, bool>>{{0, true}}));
  serverdisplay_t later;
  index.Set(later, Server("Later", 4, "cove", "Ashfall", ""));
  EXPECT_EQ(later.m_iSearchSlot, freed);

  // A copy of a row shares its slot number but not its slot.
  serverdisplay_t copy = rows[2];
  EXPECT_FALSE(index.Matches(copy));
  index.Remove(copy);
  EXPECT_TRUE(index.Matches(rows[2]));
  index.Set(copy, Server("Copy", 5, "cove", "Ashfall", ""));
  EXPECT_NE(copy.m_iSearchSlot, rows[2].m_iSearchSlot);
  EXPECT_EQ(index.Count(), 4);

  index.Clear();
  EXPECT_EQ(index.Count(), 0);
  for (const serverdisplay_t &row : rows) EXPECT_EQ(row.m_iSearchSlot, -1);
  EXPECT_EQ(later.m_iSearchSlot, -1);
}

TEST(QuickSearchIndex, KeepsEveryRowsLatestTextsWhileDroppingReplacedOnes) {
  CQuickSearchIndex index;
  serverdisplay_t steady, busy;
  index.Set(steady, Server("Steady Harbor", 1, "cove", "Ashfall", "casual"));
  // Enough answers for the replaced texts to be dropped many times over.
  for (int i = 0; i < 2000; ++i) {
    const std::string name = "Busy " + std::to_string(i);
    index.Set(busy, Server(name.c_str(), 2, "cove", "Ashfall", ""));
  }
  Flips flips;
  index.SetQuery("busy 1999", flips);
  EXPECT_TRUE(index.Matches(busy));
  EXPECT_FALSE(index.Matches(steady));
  flips.clear();
  index.SetQuery("steady harbor\ncove\nashfall\ncasual", flips);  // every field, in order
  EXPECT_FALSE(index.Matches(busy));
  EXPECT_TRUE(index.Matches(steady));
  flips.clear();
  index.SetQuery("busy 1998", flips);
  EXPECT_FALSE(index.Matches(busy));
}

TEST_F(QuickSearchTest, EachFieldMatchesFoldedAndEmptyTextShowsAll) {
  CQuickSearchPage *page = MakeSearchPage();
  AnswerFour(page);
  struct Case {
    const char *typed;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {"STRASSE", {1}},      // name, sharp s, colour codes gone
      {"e stra", {1}},       // the colour code between words is gone
      {"^7", {1, 2, 3, 4}},  // a colour code alone is no text
      {"\xCE\xA3\xCE\x99\xCE\xA3\xCE\x8E\xCE\xA6\xCE\x9F\xCE\xA3", {2}},  // map, final sigma
      {"ember", {3}},                                                     // game
      {"FIRST", {4}},                                                     // tags, the ligature
      {"", {1, 2, 3, 4}},
  };
  for (const Case &c : cases) {
    page->m_pQuickSearch->SetText(c.typed);
    RunFrames();
    EXPECT_EQ(Shown(page), c.shown) << c.typed;
  }
}

TEST_F(QuickSearchTest, CombinesWithTheMapFilterAndHasPlayers) {
  CQuickSearchPage *page = MakeSearchPage();
  AnswerFour(page);
  page->m_pQuickSearch->SetText("ashfall");
  RunFrames();
  EXPECT_EQ(Shown(page), (std::vector<int>{1, 2, 4}));
  page->m_pMapFilter->SetText("har");
  RunFrames();
  EXPECT_EQ(Shown(page), (std::vector<int>{1}));
  page->m_pMapFilter->SetText("");
  page->m_pQuickSearch->SetText("harbor");
  page->m_pNoEmptyServersFilterCheck->SetSelected(true);
  RunFrames();
  EXPECT_EQ(Shown(page), (std::vector<int>{1}));  // server 3 has no players
  page->m_pNoEmptyServersFilterCheck->SetSelected(false);
  RunFrames();
  EXPECT_EQ(Shown(page), (std::vector<int>{1, 3}));

  // An answer that arrives while a search is typed is judged by it too.
  m_Services.Answer(page->GetListRequest(), 4, Server("Last", 4, "cove", "Ashfall", ""));
  EXPECT_FALSE(IsRowShown(page, 4));
  m_Services.Answer(page->GetListRequest(), 4, Server("Harbor Nights", 4, "cove", "Ashfall", ""));
  EXPECT_TRUE(IsRowShown(page, 4));
}

// Typing judges only the rows whose match changed; what it shows, in which order and with which
// marks, must be what judging every row with every filter shows.
TEST_F(QuickSearchTest, EachKeystrokeShowsWhatAFullRefilterShows) {
  CQuickSearchPage *page = MakeSearchPage();
  ListRequestHandle request = Refresh(page);
  static const char *const kWords[] = {"amber", "kestrel", "dune",
                                       "Stra\xC3\x9F"
                                       "e",
                                       "mesa"};
  auto answer = [&](int i, const char *suffix) {
    const std::string name =
        std::string(kWords[i % 5]) + " " + kWords[(i / 5) % 5] + suffix + std::to_string(i);
    const std::string map = std::string(kWords[(i / 3) % 5]) + "_" + std::to_string(i % 7);
    m_Services.Answer(request, i,
                      Server(name.c_str(), i, map.c_str(), "Ashfall", i % 4 ? "" : "hardcore", i % 3));
  };
  for (int i = 1; i <= 60; ++i) answer(i, " #");
  RunFrames();

  auto snapshot = [&] {
    std::vector<int> shown;
    for (int row = 0; row < page->GetGameList()->GetVisibleItemCount(); ++row)
      shown.push_back(
          static_cast<int>(page->GetGameList()->GetItemUserValue(page->GetGameList()->GetItemIDAtRow(row))));
    std::string marks;
    for (const auto &entry : page->GetServerMap()) marks += entry.second.m_bFilteredOut ? 'x' : '.';
    return std::make_pair(shown, marks);
  };
  struct Step {
    const char *search;
    const char *map;  // null: unchanged
    int hideEmpty;    // -1: unchanged
    int reanswer;     // a server answering again with another name first, 0: none
  };
  const Step steps[] = {
      {"k", nullptr, -1, 0},  {"ke", nullptr, -1, 0},     {"k", nullptr, -1, 0}, {"", nullptr, -1, 0},
      {"z", nullptr, -1, 0},  {"", nullptr, -1, 0},       {"1", "dune", -1, 0},  {"", nullptr, -1, 0},
      {"strasse", "", 1, 0},  {"stras", nullptr, -1, 12}, {"", nullptr, 0, 0},   {"mesa", nullptr, -1, 7},
      {"me", nullptr, -1, 0}, {"dune", nullptr, -1, 0},   {"", nullptr, -1, 0},
  };
  for (const Step &step : steps) {
    // An answer that fails a filter takes its row away unmarked, which a refilter marks: the
    // refilter here keeps that apart from what typing does.
    if (step.reanswer) {
      answer(step.reanswer, " renamed #");
      page->ReapplyFilters();
    }
    if (step.map) page->m_pMapFilter->SetText(step.map);
    if (step.hideEmpty >= 0) page->m_pNoEmptyServersFilterCheck->SetSelected(step.hideEmpty != 0);
    RunFrames();
    page->m_pQuickSearch->SetText(step.search);
    RunFrames();
    const auto typed = snapshot();
    page->ReapplyFilters();
    EXPECT_EQ(typed, snapshot()) << "after typing '" << step.search << "'";
  }
  // The search did narrow and widen along the way.
  page->m_pQuickSearch->SetText("ke");
  RunFrames();
  const int narrowed = page->GetGameList()->GetVisibleItemCount();
  EXPECT_GT(narrowed, 0);
  EXPECT_LT(narrowed, 60);
}

TEST_F(QuickSearchTest, TextIsSavedAndRestored) {
  MakeMainWindow();
  CQuickSearchPage *first = MakeSearchPage();
  first->m_pQuickSearch->SetText(
      "Stra\xC3\x9F"
      "e");
  RunFrames();
  EXPECT_STREQ(MakeMainWindow()->GetFilterSaveData("TestGames")->GetString("search"),
               "Stra\xC3\x9F"
               "e");

  DeleteMainWindow();
  MakeMainWindow();
  CQuickSearchPage *second = MakeSearchPage();
  EXPECT_EQ(second->m_pQuickSearch->GetText(),
            "Stra\xC3\x9F"
            "e");
  AnswerFour(second);
  EXPECT_EQ(Shown(second), (std::vector<int>{1}));

  // A saved text too long for the field is cut between characters.
  DeleteMainWindow();
  std::string accents;
  for (int i = 0; i < 35; ++i) accents += "\xC3\xA9";
  MakeMainWindow()->GetFilterSaveData("TestGames")->SetString("search", accents.c_str());
  CQuickSearchPage *third = MakeSearchPage();
  EXPECT_EQ(std::string(third->m_szQuickSearch), accents.substr(0, 62));
}

}  // namespace
