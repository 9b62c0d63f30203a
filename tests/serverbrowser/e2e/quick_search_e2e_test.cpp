// The quick search in the real host: typing into the Internet page's box narrows the list at each
// keystroke (by game here, in capitals), the map filter narrows it further, and the text comes
// back with the list after a restart. Against the farm on loopback, the names the servers send
// (colour codes, Latin-1 bytes) are found by their folded text.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "browser_e2e_fixture.h"
#include "farm_browser_fixture.h"

namespace {

constexpr char kPage[] = "CServerBrowserDialog/GameTabs/InternetGames";

TEST_F(BrowserEndToEndTest, QuickSearchNarrowsTheInternetListAsTypedAndIsRestored) {
  const std::string first =
      std::string("wait 120frames\n") + "click " + kPage + "/QuickSearch\n" + "type Q\n" + "wait 5frames\n" +
      "dump " + File("q.kv") + "\n" + "type UARRY\n" + "wait 5frames\n" + "dump " + File("quarry.kv") + "\n" +
      "shot " + File("quick_search.png") + "\n" + "click " + kPage + "/Filter\n" + "wait 10frames\n" +
      "click " + kPage + "/MapFilter\n" + "type high\n" + "wait 5frames\n" + "dump " + File("mapped.kv") +
      "\n" + "click " + kPage + "/MapFilter\n" + "key END\nkey BACKSPACE\nkey BACKSPACE\nkey BACKSPACE\n" +
      "key BACKSPACE\nwait 5frames\nquit\n";
  ASSERT_EQ(RunHost(first), 0) << m_Output;

  // "Q" alone already narrows: only the Quarry Kings servers hold a q in any field.
  EXPECT_EQ(Rows("q.kv", kInternet),
            (std::vector<std::string>{"Lantern Yard 45", "Old Quarry 130", "Ridge Watch 160"}));
  EXPECT_EQ(Rows("quarry.kv", kInternet),
            (std::vector<std::string>{"Lantern Yard 45", "Old Quarry 130", "Ridge Watch 160"}));
  EXPECT_EQ(TextOf("quarry.kv", kInternet, "QuickSearch"), "QUARRY");
  EXPECT_EQ(Rows("mapped.kv", kInternet), (std::vector<std::string>{"Ridge Watch 160"}));

  KeyValues *saved = Load("user/serverbrowser_ui.vdf");
  EXPECT_STREQ(saved->GetString("Filters/InternetGames/search"), "QUARRY");

  const std::string second = std::string("wait 30frames\n") + ShowTab("InternetGames", 120) + "dump " +
                             File("restarted.kv") + "\nquit\n";
  ASSERT_EQ(RunHost(second), 0) << m_Output;
  EXPECT_EQ(TextOf("restarted.kv", kInternet, "QuickSearch"), "QUARRY");
  EXPECT_EQ(Rows("restarted.kv", kInternet),
            (std::vector<std::string>{"Lantern Yard 45", "Old Quarry 130", "Ridge Watch 160"}));

  // The picture the README shows, when asked for: SB_QUICK_SEARCH_SHOT=docs/quick_search.png.
  if (const char *shot = getenv("SB_QUICK_SEARCH_SHOT")) {
    std::error_code error;
    std::filesystem::copy_file(File("quick_search.png"), shot,
                               std::filesystem::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << error.message();
  }
}

using QuickSearchFarmTest = FarmBrowserTest;

TEST_F(QuickSearchFarmTest, FindsWhatTheServersSendByItsFoldedText) {
  // The farm sends names as Latin-1 with their colour codes; the services show them as UTF-8
  // without the codes.
  ASSERT_NO_FATAL_FAILURE(StartFarm({{"^1Gro\xC3\x9F^7e Stra\xC3\x9F\x65", "rl_saddle", {"Ada", "Bo"}},
                                     {"Gorse Hill", "rl_saddle", {"Cy", "Di"}},
                                     {"Strait Watch", "rl_saddle", {"Ed", "Flo"}}},
                                    80));
  WriteFavoritesWorld();
  constexpr char kFavoritesPage[] = "CServerBrowserDialog/GameTabs/FavoriteGames";
  const std::string erase = "key BACKSPACE\nkey BACKSPACE\nkey BACKSPACE\nkey BACKSPACE\n";
  const std::string script = "wait 30frames\n" + ShowTab(kFavorites) + "wait 2s\ndump " + File("all.kv") +
                             "\nclick " + kFavoritesPage + "/QuickSearch\ntype STRASSE\nwait 5frames\ndump " +
                             File("strasse.kv") + "\nshot " + File("strasse.png") + "\n" + erase +
                             "key BACKSPACE\nkey BACKSPACE\nkey BACKSPACE\n" +
                             "type 1GRO\nwait 5frames\ndump " + File("code.kv") + "\n" + erase +
                             "type STR\nwait 5frames\ndump " + File("str.kv") + "\nquit\n";
  ASSERT_EQ(RunHost(script, {"--realtime"}), 0) << m_Output;

  auto names = [&](const char *dump) {
    std::vector<std::string> rows = Rows(dump, kFavorites, {"Name"});
    std::sort(rows.begin(), rows.end());  // the order is the latencies'
    return rows;
  };
  const std::string grosseStrasse = "Gro\xC3\x9F\x65 Stra\xC3\x9F\x65";
  EXPECT_EQ(names("all.kv"), (std::vector<std::string>{"Gorse Hill", grosseStrasse, "Strait Watch"}));
  EXPECT_EQ(names("strasse.kv"), std::vector<std::string>{grosseStrasse}) << "STRASSE folds as the name does";
  EXPECT_TRUE(names("code.kv").empty()) << "colour codes are not part of the name";
  EXPECT_EQ(names("str.kv"), (std::vector<std::string>{grosseStrasse, "Strait Watch"}));

  // The picture the README shows, when asked for: SB_QUICK_SEARCH_FARM_SHOT=docs/quick_search_farm.png.
  if (const char *shot = getenv("SB_QUICK_SEARCH_FARM_SHOT")) {
    std::error_code error;
    std::filesystem::copy_file(File("strasse.png"), shot, std::filesystem::copy_options::overwrite_existing,
                               error);
    EXPECT_FALSE(error) << error.message();
  }
}

}  // namespace
