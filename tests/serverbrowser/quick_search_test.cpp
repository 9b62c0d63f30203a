// The quick search of a server-list page: every searchable field, case folded and colour codes
// left out, combined with the map filter and the hide-empty check, the empty text showing every
// row, and the text kept in the saved filters.
#include <gtest/gtest.h>

#include <cstring>

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
