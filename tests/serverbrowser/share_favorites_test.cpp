// Sharing servers in process: "Copy address" puts a row's connection address on the clipboard;
// pasting onto the Favorites page and importing a file add only addresses not yet stored (for the
// application the page is limited to) and report the lines that were not addresses; exporting
// writes every stored favourite, whatever the page shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kgui_controls/MenuItem.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/DialogFavoritesFile.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/FavoritesTransfer.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "support/browser_fixture.h"
#include "support/temp_dir.h"
#include "tier1/KeyValues.h"

namespace {

using sbtest::FakeListRequest;
using sbtest::FakeServices;

class ShareFavoritesTest : public BrowserTest {
 protected:
  ShareFavoritesTest() {
    Runtime().AddToken("#ServerBrowser_ImportSummary", u"Added: %s1. Already there: %s2.");
    Runtime().AddToken("#ServerBrowser_ImportProblems", u"Not addresses:");
    Runtime().AddToken("#ServerBrowser_ImportProblemLine", u"Line %s1: %s2 (%s3)");
    Runtime().AddToken("#ServerBrowser_ImportNotAnAddress", u"not an address");
    Runtime().AddToken("#ServerBrowser_ExportDone", u"%s1 written to %s2.");
    m_Services.SetAppValue(500, "gamedir", "ashfall");
    m_Services.SetAppValue(500, "serverbrowsername", "Ashfall");
    m_Services.SetAppValue(500, "gameid", "500");
    MakeMainWindow();
  }
  ~ShareFavoritesTest() override {
    if (kgui::Panel *box = ModalBox()) delete box;
  }

  static ServerRecord Server(uint32 lastOctet, uint16 port, AppId_t appId = 500) {
    return FakeServices::MakeServer("S", 0x0A000000u | lastOctet, port, 30, appId);
  }
  static void Send(kgui::Panel *panel, KeyValues *message) {
    KeyValuesAD owned(message);
    kgui::ipanel()->SendMessage(panel->GetVPanel(), owned.get(), kgui::NULL_PANEL);
  }
  static void SetClipboard(const std::u16string &text) {
    kgui::system()->SetClipboardText(text.c_str(), static_cast<int>(text.size()));
  }
  static std::string Clipboard() {
    char16_t text[128] = {};
    const int length = kgui::system()->GetClipboardText(0, text, sizeof(text));
    return kgui::WideToUtf8(std::u16string(text, static_cast<size_t>(length > 0 ? length : 0)));
  }
  static kgui::Panel *ModalBox() { return kgui::PanelFromVPanel(kgui::input()->GetAppModalSurface()); }
  static std::string Report() {
    auto *box = dynamic_cast<kgui::MessageBox *>(ModalBox());
    return box ? box->GetMessageText() : "<no report>";
  }
  // Chooses the current context menu's item named `name`.
  void Choose(const char *name) {
    CServerContextMenu *menu = m_pMainWindow->GetCurrentContextMenu();
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < menu->GetItemCount(); ++i) {
      if (!V_stricmp(menu->GetMenuItem(menu->GetMenuID(i))->GetName(), name)) {
        menu->ActivateItem(menu->GetMenuID(i));
        RunFrames();
        return;
      }
    }
    ADD_FAILURE() << "no item " << name;
  }
  // The favourites request a paste, import or export makes: every stored server, no filter.
  FakeListRequest *StoredFavoritesRequest() {
    FakeListRequest *request = m_Services.LastRequest();
    EXPECT_NE(request, nullptr);
    if (!request) return nullptr;
    EXPECT_EQ(request->source, eFavoriteServer);
    EXPECT_EQ(request->appId, 0u);
    EXPECT_TRUE(request->filters.empty());
    return request;
  }
  std::vector<std::string> Added() {
    std::vector<std::string> added;
    for (const sbtest::StoredServerCall &call : m_Services.m_Added)
      added.push_back(FavoriteAddressText(call.ip, call.connPort) + " q" + std::to_string(call.queryPort) +
                      " app" + std::to_string(call.appId) + " flags" + std::to_string(call.flags));
    return added;
  }
};

TEST_F(ShareFavoritesTest, CopyAddressPutsTheRowsConnectionAddressOnTheClipboard) {
  CInternetGames *internet = m_pMainWindow->GetInternetGames();
  internet->BeginRefresh();
  ServerRecord server = Server(3, 27016);
  server.m_NetAdr.Init(0x0A000003u, 27020, 27016);  // a query port of its own
  m_Services.Answer(internet->GetListRequest(), 3, server);
  CGameListPanel *list = internet->GetGameList();
  list->SelectOnly(list->FindItemByUserValue(3));
  Send(internet, new KeyValues("OpenContextMenu", "itemID", list->FindItemByUserValue(3)));
  SetClipboard(u"old text");
  Choose("CopyAddress");
  EXPECT_EQ(Clipboard(), "10.0.0.3:27016");
}

TEST_F(ShareFavoritesTest, PastingAddsTheNewAddressesOnlyAndReportsTheRest) {
  CFavoriteGames *favorites = m_pMainWindow->GetFavoriteGames();
  const int requestsBefore = m_Services.RequestCount();
  SetClipboard(u"10.0.0.1:27015\r\n10.0.0.2:27016\n# a note\nnonsense here\n10.0.0.2:27016\n");
  // Control-V as the host delivers it to the list; the list passes it to its page.
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, true);
  Send(favorites->GetGameList(), new KeyValues("KeyCodeTyped", "code", kgui::KEY_V));
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, false);
  RunFrames();
  ASSERT_EQ(m_Services.RequestCount(), requestsBefore + 1);
  EXPECT_EQ(favorites->CountWaitingTransfers(), 1);
  EXPECT_TRUE(m_Services.m_Added.empty()) << "nothing is added before the stored ones are known";

  // 10.0.0.1:27015 is stored already, for another application: it stays as it is.
  FakeListRequest *stored = StoredFavoritesRequest();
  m_Services.Silent(stored, 0, Server(1, 27015, 1200));
  m_Services.Done(stored);
  EXPECT_EQ(Added(), (std::vector<std::string>{"10.0.0.2:27016 q27016 app0 flags1"}));
  EXPECT_EQ(favorites->CountWaitingTransfers(), 0);
  EXPECT_EQ(Report(),
            "Added: 1. Already there: 2.\n\nNot addresses:\nLine 4: nonsense here (not an address)");
}

TEST_F(ShareFavoritesTest, APasteThatAddsItsAddressSaysNothingAndUsesThePagesGame) {
  CFavoriteGames *favorites = m_pMainWindow->GetFavoriteGames();
  favorites->BeginRefresh();  // the page is limited to no game: application 0
  EXPECT_EQ(favorites->GetImportAppId(), 0u);
  SetClipboard(u"198.51.100.2");
  Send(favorites, new KeyValues("PasteAddress"));
  FakeListRequest *stored = StoredFavoritesRequest();
  m_Services.Done(stored);
  EXPECT_EQ(Added(), (std::vector<std::string>{"198.51.100.2:27015 q27015 app0 flags1"}));
  EXPECT_EQ(ModalBox(), nullptr);

  // An empty clipboard is told.
  SetClipboard(u"");
  Send(favorites, new KeyValues("PasteAddress"));
  m_Services.Done(StoredFavoritesRequest());
  EXPECT_EQ(Report(), "#ServerBrowser_PasteNothing");
}

TEST_F(ShareFavoritesTest, ExportWritesEveryStoredFavoriteAndImportBringsThemBack) {
  CFavoriteGames *favorites = m_pMainWindow->GetFavoriteGames();
  // The file window hands over the typed path.
  Send(favorites, new KeyValues("ExportFavorites"));
  auto *window = dynamic_cast<CDialogFavoritesFile *>(ModalBox());
  ASSERT_NE(window, nullptr);
  auto *path = dynamic_cast<kgui::TextEntry *>(window->FindChildByName("PathText"));
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->GetText(), m_Dir.File("favorites.vdf")) << "in the configuration folder";
  path->SetText("moved.vdf");
  Send(window, new KeyValues("Command", "command", "OK"));
  RunFrames();
  FakeListRequest *stored = StoredFavoritesRequest();
  ServerRecord own = Server(7, 27016, 1200);
  own.m_NetAdr.Init(0x0A000007u, 27020, 27016);
  m_Services.Answer(stored, 0, own);
  m_Services.Silent(stored, 1, Server(8, 27015, 0));
  m_Services.Done(stored);
  EXPECT_EQ(Report(), "2 written to moved.vdf.");
  delete ModalBox();

  const std::string text = ReadWholeFile(m_Dir.File("moved.vdf"));
  EXPECT_NE(text.find("\"address\" \"10.0.0.7:27016\" \"queryport\" \"27020\" \"appid\" \"1200\""),
            std::string::npos)
      << text;

  // Read back into a user who has one of them: the other comes back whole.
  Send(favorites, new KeyValues("FavoritesFileChosen", "path", "moved.vdf"));
  stored = StoredFavoritesRequest();
  m_Services.Silent(stored, 0, Server(8, 27015, 0));
  m_Services.Done(stored);
  EXPECT_EQ(Added(), (std::vector<std::string>{"10.0.0.7:27016 q27020 app1200 flags1"}));
  EXPECT_EQ(Report(), "Added: 1. Already there: 1.");
}

TEST_F(ShareFavoritesTest, AFileThatCannotBeReadIsToldAndNothingIsAsked) {
  CFavoriteGames *favorites = m_pMainWindow->GetFavoriteGames();
  const int requestsBefore = m_Services.RequestCount();
  Send(favorites, new KeyValues("FavoritesFileChosen", "path", "no/such/file.txt"));
  EXPECT_EQ(m_Services.RequestCount(), requestsBefore);
  EXPECT_EQ(Report(), "#ServerBrowser_ImportReadFailed");
}

}  // namespace
