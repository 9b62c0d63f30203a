// The find-a-player window in process: Ctrl+F wherever the focus is in the main window and the
// button beside the status line open one window; typing asks the player lists of the current
// page's shown servers (not of hidden or silent ones), rows and the status line follow the answers,
// more typing filters without asking again, a result opens its server's details dialog, and
// closing the window (or the browser) aborts every query still open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "serverbrowser/DialogFindPlayer.h"
#include "serverbrowser/DialogGameInfo.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"

namespace {

using sbtest::FakePlayer;
using sbtest::FakeServices;

constexpr uint32 kBaseIP = 0x0A000000u;

class FindPlayerTest : public BrowserTest {
 protected:
  FindPlayerTest() {
    const std::pair<const char *, const char16_t *> tokens[] = {
        {"#ServerBrowser_FindPlayerTypeName", u"Type a name."},
        {"#ServerBrowser_FindPlayerNoServers", u"No servers."},
        {"#ServerBrowser_FindPlayerSearching", u"Searching %s1 of %s2 servers..."},
        {"#ServerBrowser_FindPlayerFoundOne", u"1 player found"},
        {"#ServerBrowser_FindPlayerFound", u"%s1 players found"},
        {"#ServerBrowser_FindPlayerNoMatch", u"No player matches"},
        {"#ServerBrowser_FindPlayerUnanswered", u"(%s1 of %s2 servers did not answer)"},
    };
    for (const auto &[name, text] : tokens) Runtime().AddToken(name, text);
    m_Services.SetAppValue(500, "gamedir", "ashfall");
    m_Services.SetAppValue(500, "serverbrowsername", "Ashfall");
    m_Services.SetAppValue(500, "gameid", "500");
    MakeMainWindow();
    m_pMainWindow->Open();
    RunFrames();
  }

  static ServerRecord Server(const char *name, uint32 lastOctet, int ping = 30, const char *map = "harbor") {
    return FakeServices::MakeServer(name, kBaseIP | lastOctet, static_cast<uint16>(27000 + lastOctet), ping,
                                    500, "ashfall", map);
  }
  // The Internet page with `count` answering servers at .1 to .count (server index = octet).
  CInternetGames *InternetWith(int count) {
    CInternetGames *internet = m_pMainWindow->GetInternetGames();
    internet->BeginRefresh();
    for (int i = 1; i <= count; ++i)
      m_Services.Answer(internet->GetListRequest(), i, Server(("Server " + std::to_string(i)).c_str(), i));
    RunFrames();
    return internet;
  }
  CDialogFindPlayer *PressControlF(kgui::Panel *focus) {
    focus->RequestFocus();
    RunFrames();
    Runtime().PressKey(kgui::KEY_F, true);
    RunFrames();
    return m_pMainWindow->GetFindPlayerDialog();
  }
  void Type(CDialogFindPlayer *dialog, const char *text) {
    dialog->FindChildByName("NameText")->RequestFocus();
    RunFrames();
    Runtime().TypeText(text);
    RunFrames();
  }
  void Tick(CDialogFindPlayer *dialog) {
    KeyValuesAD tick(new KeyValues("Tick"));
    kgui::ipanel()->SendMessage(dialog->GetVPanel(), tick.get(), kgui::NULL_PANEL);
  }
  // Answers the open player list to `lastOctet`'s server.
  void AnswerPlayers(uint32 lastOctet, const std::vector<FakePlayer> &players) {
    const std::vector<ServerQueryHandle> open = m_Services.OpenQueries(true);
    for (size_t i = 0; i < open.size(); ++i) {
      if (m_Services.m_PlayerRequests[static_cast<size_t>(open[i] - 1000)].first == (kBaseIP | lastOctet)) {
        m_Services.AnswerPlayers(open[i], players);
        return;
      }
    }
    ADD_FAILURE() << "no open player list to ." << lastOctet;
  }
  // "Player|Server|Game|Map|Ping" of every shown row, in display order.
  static std::vector<std::string> Rows(CDialogFindPlayer *dialog) {
    std::vector<std::string> rows;
    kgui::ListPanel *list = dialog->GetResultList();
    for (int row = 0; row < list->GetVisibleItemCount(); ++row) {
      KeyValues *data = list->GetItemData(list->GetItemIDAtRow(row));
      rows.push_back(std::string(data->GetString("Player")) + "|" + data->GetString("Server") + "|" +
                     data->GetString("Game") + "|" + data->GetString("Map") + "|" + data->GetString("Ping"));
    }
    return rows;
  }
  std::vector<uint32> AskedOctets() const {
    std::vector<uint32> octets;
    for (const auto &[ip, port] : m_Services.m_PlayerRequests) octets.push_back(ip & 0xFF);
    return octets;
  }
};

TEST_F(FindPlayerTest, ControlFAnywhereAndTheStatusLineButtonOpenOneWindow) {
  CInternetGames *internet = InternetWith(1);
  auto *button = dynamic_cast<kgui::Button *>(m_pMainWindow->FindChildByName("FindPlayerButton"));
  auto *status = m_pMainWindow->FindChildByName("StatusLabel");
  ASSERT_NE(button, nullptr);
  // Beside the status line, on its row, and not over it.
  int bx = 0, by = 0, bw = 0, bh = 0, sx = 0, sy = 0, sw = 0, sh = 0;
  button->GetBounds(bx, by, bw, bh);
  status->GetBounds(sx, sy, sw, sh);
  EXPECT_GE(bx, sx + sw);
  EXPECT_LT(by, sy + sh);
  EXPECT_GT(by + bh, sy);
  int windowWide = 0, windowTall = 0;
  m_pMainWindow->GetSize(windowWide, windowTall);
  EXPECT_LE(bx + bw, windowWide);

  EXPECT_EQ(m_pMainWindow->GetFindPlayerDialog(), nullptr);
  CDialogFindPlayer *dialog = PressControlF(internet->GetGameList());
  ASSERT_NE(dialog, nullptr) << "Ctrl+F in the server list";
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_EQ(PressControlF(internet->FindChildByName("QuickSearch")), dialog)
      << "Ctrl+F in a text entry of the page reaches the window too, and raises the same dialog";
  Runtime().PressKey(kgui::KEY_F);
  RunFrames();
  EXPECT_EQ(m_pMainWindow->GetFindPlayerDialog(), dialog);

  const kgui::VPANEL first = dialog->GetVPanel();
  dialog->Close();
  EXPECT_EQ(m_pMainWindow->GetFindPlayerDialog(), nullptr) << "a closing window is not offered again";
  RunFrames(0.5);
  EXPECT_EQ(kgui::PanelFromVPanel(first), nullptr) << "a closed window deletes itself";
  Runtime().Click(button);
  RunFrames();
  ASSERT_NE(m_pMainWindow->GetFindPlayerDialog(), nullptr) << "the button opens it";
  EXPECT_EQ(kgui::input()->GetFocus(),
            m_pMainWindow->GetFindPlayerDialog()->FindChildByName("NameText")->GetVPanel())
      << "the caret waits in the name";
}

TEST_F(FindPlayerTest, TypingSearchesTheShownServersOfTheCurrentPageAsAnswersCome) {
  CInternetGames *internet = InternetWith(3);
  // A silent server and one the page's filters hide are not asked.
  ServerRecord silent = Server("Server silent", 4);
  silent.m_bResponded = false;
  m_Services.Silent(internet->GetListRequest(), 4, silent);
  m_Services.Answer(internet->GetListRequest(), 5, Server("Elsewhere", 5, 40, "cove"));
  internet->FindChildByName("QuickSearch")->RequestFocus();
  RunFrames();
  Runtime().TypeText("server");
  RunFrames();
  ASSERT_GE(ShownNames(internet).size(), 3u);

  CDialogFindPlayer *dialog = PressControlF(internet->FindChildByName("QuickSearch"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->GetStatusText(), "Type a name.");
  EXPECT_GT(Runtime().TickInterval(dialog->GetVPanel()), 0) << "answers are drawn on ticks";
  EXPECT_TRUE(m_Services.m_PlayerRequests.empty()) << "nobody is asked before a name is typed";

  Type(dialog, "WR");
  EXPECT_EQ(AskedOctets(), (std::vector<uint32>{1, 2, 3}));
  EXPECT_EQ(dialog->GetStatusText(), "Searching 3 of 3 servers...");
  AnswerPlayers(2, {{"^1Wr^7en", 5, 60.0f}, {"Tamsin", 1, 10.0f}});
  Tick(dialog);
  EXPECT_EQ(Rows(dialog), std::vector<std::string>{"^1Wr^7en|Server 2|Ashfall Arena|harbor|30"})
      << "a row as soon as its server answers";
  AnswerPlayers(1, {{"wrenna", 0, 5.0f}});
  AnswerPlayers(3, {});
  Tick(dialog);
  EXPECT_EQ(Rows(dialog).size(), 2u);
  EXPECT_EQ(dialog->GetStatusText(), "2 players found");

  // More typing filters what came; nobody is asked again.
  Type(dialog, "enn");
  EXPECT_EQ(Rows(dialog), std::vector<std::string>{"wrenna|Server 1|Ashfall Arena|harbor|30"});
  EXPECT_EQ(dialog->GetStatusText(), "1 player found");
  dialog->SetSearchText("nobody");
  EXPECT_TRUE(Rows(dialog).empty());
  EXPECT_EQ(dialog->GetStatusText(), "No player matches");
  dialog->SetSearchText("tam");
  EXPECT_EQ(m_Services.m_PlayerRequests.size(), 3u);

  // "Search again" asks every server anew.
  Runtime().Click(dynamic_cast<kgui::Button *>(dialog->FindChildByName("SearchButton")));
  RunFrames();
  EXPECT_EQ(AskedOctets(), (std::vector<uint32>{1, 2, 3, 1, 2, 3}));
  EXPECT_TRUE(Rows(dialog).empty()) << "the old answers go with the new search";
}

TEST_F(FindPlayerTest, AResultOpensItsServersDetailsDialog) {
  InternetWith(2);
  CDialogFindPlayer *dialog = m_pMainWindow->OpenFindPlayer();
  dialog->SetSearchText("quill");
  AnswerPlayers(1, {{"Quill", 1, 1.0f}});
  AnswerPlayers(2, {{"Quillon", 1, 1.0f}});
  Tick(dialog);
  ASSERT_EQ(Rows(dialog).size(), 2u);
  kgui::ListPanel *list = dialog->GetResultList();

  // Double-click on the second row, as the host delivers it.
  int x = 0, y = 0;
  list->LocalToScreen(x, y);
  Runtime().ClickAt(x + 40, y + kgui::ListPanel::kHeaderTall + list->GetRowHeight() * 3 / 2);
  KeyValuesAD doubleClick(new KeyValues("MouseDoublePressed", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(list->GetVPanel(), doubleClick.get(), kgui::NULL_PANEL);
  RunFrames();
  ASSERT_EQ(list->GetSelectedItemID(0), list->GetItemIDAtRow(1));
  std::vector<kgui::Panel *> opened = m_pMainWindow->GetGameInfoDialogs();
  ASSERT_EQ(opened.size(), 1u);
  const ServerRecord &shown = dynamic_cast<CDialogGameInfo *>(opened[0])->GetShownServer();
  const uint32 clicked = static_cast<uint32>(list->GetItemData(list->GetSelectedItemID(0))->GetUint64("ip"));
  EXPECT_EQ(shown.m_NetAdr.GetIP(), clicked);
  EXPECT_EQ(shown.m_NetAdr.GetQueryPort(), 27000 + (clicked & 0xFF));
  EXPECT_EQ(shown.m_NetAdr.GetConnectionPort(), 27000 + (clicked & 0xFF));

  // Enter in the name opens the selected row too, and so does the button.
  Type(dialog, "");
  Runtime().PressKey(kgui::KEY_ENTER);
  RunFrames();
  EXPECT_EQ(m_pMainWindow->GetGameInfoDialogs().size(), 2u);
  // (The details dialogs now cover the button's place: it is pressed without the mouse.)
  dynamic_cast<kgui::Button *>(dialog->FindChildByName("OpenButton"))->DoClick();
  RunFrames();
  EXPECT_EQ(m_pMainWindow->GetGameInfoDialogs().size(), 3u);
}

TEST_F(FindPlayerTest, ClosingTheWindowOrTheBrowserAbortsEveryOpenQuery) {
  InternetWith(12);
  CDialogFindPlayer *dialog = m_pMainWindow->OpenFindPlayer();
  dialog->SetSearchText("a");
  ASSERT_EQ(m_Services.OpenQueryCount(), 8) << "a bounded number in flight";
  AnswerPlayers(1, {{"Ada", 1, 1.0f}});
  EXPECT_EQ(m_Services.OpenQueryCount(), 8) << "an answer asks the next server";
  EXPECT_EQ(m_Services.m_PlayerRequests.size(), 9u);

  dialog->Close();
  EXPECT_EQ(m_Services.OpenQueryCount(), 0);
  EXPECT_EQ(m_Services.m_nStaleAborts, 0);
  RunFrames(0.5);
  EXPECT_EQ(m_Services.m_PlayerRequests.size(), 9u) << "nothing more is asked for a closed window";

  // The browser going with its window open: the window goes with it, and so do its queries.
  dialog = m_pMainWindow->OpenFindPlayer();
  dialog->SetSearchText("a");
  ASSERT_EQ(m_Services.OpenQueryCount(), 8);
  const kgui::VPANEL window = dialog->GetVPanel();
  DeleteMainWindow();
  EXPECT_EQ(kgui::PanelFromVPanel(window), nullptr);
  EXPECT_EQ(m_Services.OpenQueryCount(), 0);
  EXPECT_EQ(m_Services.m_nStaleAborts, 0);
}

TEST_F(FindPlayerTest, AnEmptyPageAsksNobodyUntilItsListChanges) {
  CDialogFindPlayer *dialog = m_pMainWindow->OpenFindPlayer();
  dialog->SetSearchText("wren");
  EXPECT_EQ(dialog->GetStatusText(), "No servers.");
  EXPECT_TRUE(m_Services.m_PlayerRequests.empty());

  // Servers arrive on the page: the next change of the text asks them, the one after does not.
  InternetWith(2);
  dialog->SetSearchText("wre");
  EXPECT_EQ(AskedOctets(), (std::vector<uint32>{1, 2}));
  dialog->SetSearchText("wr");
  EXPECT_EQ(m_Services.m_PlayerRequests.size(), 2u);
  AnswerPlayers(1, {{"Wren", 1, 1.0f}});
  AnswerPlayers(2, {});
  Tick(dialog);
  EXPECT_EQ(dialog->GetStatusText(), "1 player found");

  // Another tab is the current page now: its (empty) list is searched.
  m_pMainWindow->GetTabSheet()->SetActivePage(m_pMainWindow->GetFavoriteGames());
  RunFrames();
  dialog->SetSearchText("w");
  EXPECT_TRUE(Rows(dialog).empty());
  EXPECT_EQ(dialog->GetStatusText(), "No servers.");
}

}  // namespace
