// The quick search in the real host: typing into the Internet page's box narrows the list at each
// keystroke (by game here, in capitals), the map filter narrows it further, and the text comes
// back with the list after a restart.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "browser_e2e_fixture.h"

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

}  // namespace
