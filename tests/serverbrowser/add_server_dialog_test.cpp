// The add-server dialog: its collapsed start, the ports a test pings, the rows of the servers that
// answer, adding a chosen one or the typed address, refusing addresses that name no IPv4 server,
// and aborting the pings still running when it goes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/PHandle.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/DialogAddServer.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"
#include "tier1/netadr.h"

namespace {

using sbtest::FakeServices;

constexpr uint32 kTypedIP = 0x0A000005u;     // 10.0.0.5
constexpr uint32 kResolvedIP = 0x0A010203u;  // what "alpha.test" resolves to

const std::vector<uint16> kCommonPorts = {27015, 26900, 27016, 26901, 27017, 26902, 27018,
                                          26903, 27019, 26904, 27020, 26905, 4242,  27215};

// Host names the tests may type; nothing else resolves, and no real resolver is asked.
bool ResolveTestName(const char *hostName, uint32 *ipHostOrder) {
  if (std::string(hostName) != "alpha.test") return false;
  *ipHostOrder = kResolvedIP;
  return true;
}

class AddServerDialogTest : public BrowserTest {
 protected:
  AddServerDialogTest() {
    m_PreviousResolver = SetHostNameResolver(&ResolveTestName);
    FlushHostNameCache();
    Runtime().AddToken("#ServerBrowser_ServersResponding", u"Servers at %s1");
    Runtime().AddToken("#ServerBrowser_ServersRespondingLocal", u"Servers responding");
    Runtime().AddToken("#ServerBrowser_ServerNotResponding", u"No server answered.");
    Runtime().AddToken("#ServerBrowser_AddServerError", u"Not a server address.");
    Runtime().AddToken("#ServerBrowser_AddServerErrorTitle", u"Invalid address");
    Runtime().AddToken("#ServerBrowser_AddServerIPv6", u"IPv6 addresses cannot be used here.");
    MakeMainWindow();
    m_pDialog = new CDialogAddServer(m_pMainWindow);
    m_hDialog = m_pDialog;
  }
  ~AddServerDialogTest() override {
    delete m_hDialog.Get();
    // Message boxes the dialog left open have no parent.
    if (kgui::Panel *box = ModalBox()) delete box;
    Runtime().RunFrame();
    FlushHostNameCache();
    SetHostNameResolver(m_PreviousResolver);
  }

  kgui::Button *Button(const char *name) {
    auto *button = dynamic_cast<kgui::Button *>(m_pDialog->FindChildByName(name, true));
    EXPECT_NE(button, nullptr) << name;
    return button;
  }
  kgui::Panel *Tabs() { return m_pDialog->FindChildByName("GameTabs", true); }
  CGameListPanel *List() { return m_pDialog->GetServerList(); }

  // Types `text` into the address entry (replacing what it held) and lets its signal arrive.
  void Type(const char *text) {
    auto *entry = dynamic_cast<kgui::TextEntry *>(m_pDialog->FindChildByName("ServerNameText", true));
    ASSERT_NE(entry, nullptr);
    entry->SetText(text);
    RunFrames();
  }
  void Command(const char *command) {
    KeyValuesAD message(new KeyValues("Command", "command", command));
    kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), message.get(), kgui::NULL_PANEL);
  }
  // Types `text` and runs a test with it.
  void Test(const char *text) {
    Type(text);
    Command("TestServers");
  }

  // A server answering ping `ping` (in the order the dialog asked).
  void Answer(size_t ping, const ServerRecord &server) {
    ASSERT_LT(ping, m_Services.m_PingResponses.size());
    m_Services.m_PingResponses[ping]->OnPingAnswered(server);
  }
  static ServerRecord Server(const char *name, uint16 port, int latency) {
    ServerRecord server = FakeServices::MakeServer(name, kTypedIP, port, latency);
    server.m_nLastPlayedTime = 1700000000u;  // a stored server's; no column of the dialog shows it
    return server;
  }

  // The "name" of every shown row in display order, with the row's user value.
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (int row = 0; row < List()->GetVisibleItemCount(); ++row) {
      const int itemID = List()->GetItemIDAtRow(row);
      rows.push_back(std::string(List()->GetItemData(itemID)->GetString("name")) + " #" +
                     std::to_string(List()->GetItemUserValue(itemID)));
    }
    return rows;
  }
  static kgui::Panel *ModalBox() { return kgui::PanelFromVPanel(kgui::input()->GetAppModalSurface()); }

  CDialogAddServer *m_pDialog = nullptr;
  kgui::PHandle m_hDialog;
  HostNameResolverFn m_PreviousResolver = nullptr;
};

TEST_F(AddServerDialogTest, StartsCollapsedWithTheEntryAndDisabledButtons) {
  EXPECT_STREQ(m_pDialog->GetName(), "DialogAddServer");
  EXPECT_EQ(m_pDialog->GetTitle(), "#ServerBrowser_AddServersTitle");
  EXPECT_TRUE(m_pDialog->GetDeleteSelfOnClose());
  EXPECT_FALSE(m_pDialog->IsSizeable());
  for (const char *name : {"TestServersButton", "OKButton", "SelectedOKButton"})
    EXPECT_FALSE(Button(name)->IsEnabled()) << name;
  EXPECT_FALSE(Button("SelectedOKButton")->IsVisible());
  EXPECT_EQ(Button("SelectedOKButton")->GetCommand()->GetString("command"), std::string("addselected"));
  EXPECT_EQ(Button("OKButton")->GetCommand()->GetString("command"), std::string("OK"));
  EXPECT_EQ(Button("TestServersButton")->GetCommand()->GetString("command"), std::string("TestServers"));
  ASSERT_NE(Tabs(), nullptr);
  EXPECT_FALSE(Tabs()->IsVisible());

  // The window ends where the results begin; expanded, it holds them and the button below.
  int x = 0, y = 0, wide = 0, tall = 0;
  Tabs()->GetBounds(x, y, wide, tall);
  EXPECT_EQ(m_pDialog->GetTall(), y);
  EXPECT_EQ(m_pDialog->GetExpandedTall(), y + tall + 50);
  int buttonX = 0, buttonY = 0;
  Button("SelectedOKButton")->GetPos(buttonX, buttonY);
  EXPECT_GT(buttonY, y + tall);
  EXPECT_LE(buttonY + Button("SelectedOKButton")->GetTall(), m_pDialog->GetExpandedTall());
  for (const char *name : {"ServerNameText", "TestServersButton", "OKButton"}) {
    kgui::Panel *control = m_pDialog->FindChildByName(name, true);
    int controlX = 0, controlY = 0;
    control->GetPos(controlX, controlY);
    EXPECT_LE(controlY + control->GetTall(), y) << name;
  }
}

TEST_F(AddServerDialogTest, ListsResultsInColumnsSortedByPing) {
  struct Column {
    const char *name;
    bool shown;
  };
  const Column columns[] = {{"Password", true}, {"Bots", false},   {"Secure", true},
                            {"Name", true},     {"IPAddr", false}, {"GameDesc", true},
                            {"Players", true},  {"Map", true},     {"Ping", true}};
  ASSERT_EQ(List()->GetColumnCount(), 9);
  for (int col = 0; col < 9; ++col) {
    EXPECT_STREQ(List()->GetColumnName(col), columns[col].name);
    EXPECT_EQ(List()->IsColumnShown(col), columns[col].shown) << columns[col].name;
  }
  EXPECT_STREQ(List()->GetName(), "Servers");
  EXPECT_EQ(List()->GetSortColumn(), 8);

  Test("10.0.0.5");
  Answer(0, Server("Slow Lane", 27015, 90));
  Answer(1, Server("Fast Lane", 26900, 15));
  Answer(2, Server("Middle Lane", 27016, 40));
  List()->SortList();
  // The sort reads the answers' records through the list's own source.
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Fast Lane #1", "Middle Lane #2", "Slow Lane #0"}));
}

TEST_F(AddServerDialogTest, TypingEnablesAddingAndTesting) {
  Type("10.0.0.5");
  EXPECT_TRUE(Button("OKButton")->IsEnabled());
  EXPECT_TRUE(Button("TestServersButton")->IsEnabled());
  Type("");
  EXPECT_FALSE(Button("OKButton")->IsEnabled());
  EXPECT_FALSE(Button("TestServersButton")->IsEnabled());
}

TEST_F(AddServerDialogTest, TestPingsTheTypedPortOrEveryCommonPort) {
  struct Case {
    const char *typed;
    uint32 ip;
    std::vector<uint16> ports;
  };
  const Case cases[] = {
      {"10.0.0.5", kTypedIP, kCommonPorts},
      {"10.0.0.5:27020", kTypedIP, {27020}},
      {"alpha.test", kResolvedIP, kCommonPorts},
      {"alpha.test:4242", kResolvedIP, {4242}},
  };
  for (const Case &c : cases) {
    m_Services.m_Pings.clear();
    Test(c.typed);
    std::vector<uint16> ports;
    for (const auto &[ip, port] : m_Services.m_Pings) {
      EXPECT_EQ(ip, c.ip) << c.typed;
      ports.push_back(port);
    }
    EXPECT_EQ(ports, c.ports) << c.typed;
  }
  // Pings of earlier tests are left running.
  EXPECT_TRUE(m_Services.m_Aborted.empty());
  EXPECT_EQ(m_pDialog->CountRunningPings(), 30);
}

TEST_F(AddServerDialogTest, TestShowsTheResultsTitledWithTheTypedAddress) {
  Test("10.0.0.5:27020");
  EXPECT_EQ(m_pDialog->GetTall(), m_pDialog->GetExpandedTall());
  EXPECT_TRUE(Tabs()->IsVisible());
  EXPECT_TRUE(Button("SelectedOKButton")->IsVisible());
  auto *sheet = static_cast<kgui::PropertySheet *>(Tabs());
  ASSERT_EQ(sheet->GetNumPages(), 1);
  EXPECT_EQ(sheet->GetPage(0), List());
  EXPECT_EQ(sheet->GetTab(List())->GetText(), "Servers at 10.0.0.5:27020");

  // A second test starts over: the earlier rows go, the list stays the only page.
  Answer(0, Server("Harbor Light", 27020, 30));
  ASSERT_EQ(List()->GetItemCount(), 1);
  Test("alpha.test");
  EXPECT_EQ(List()->GetItemCount(), 0);
  EXPECT_TRUE(m_pDialog->GetFoundServers().empty());
  ASSERT_EQ(sheet->GetNumPages(), 1);
  EXPECT_EQ(sheet->GetTab(List())->GetText(), "Servers at alpha.test");
}

TEST_F(AddServerDialogTest, AnsweringServersBecomeRowsWithThePagesKeys) {
  m_Services.m_BannedApps.insert(700);
  Test("10.0.0.5");
  ServerRecord plain = Server("Harbor Light", 27015, 30);
  ServerRecord marked = Server("", 26900, 55);
  marked.m_bHasPassword = true;
  marked.m_nBotCount = 3;
  marked.m_bIsSecure = true;
  marked.m_nAppId = 700;
  V_strncpy(marked.m_szTags, "coop,night", sizeof(marked.m_szTags));
  ServerRecord secure = Server("Watchtower", 27016, 70);
  secure.m_bIsSecure = true;
  Answer(0, plain);
  Answer(1, marked);
  Answer(2, secure);

  struct Expected {
    std::map<std::string, std::string> keys;
  };
  const Expected expected[] = {
      {{{"name", "Harbor Light"},
        {"map", "harbor"},
        {"GameDir", "ashfall"},
        {"GameDesc", plain.m_szDescription},
        {"GameTags", ""},
        {"password", "0"},
        {"bots", "0"},
        {"secure", "0"},
        {"IPAddr", "10.0.0.5:27015"},
        {"Players", "4 / 16"},
        {"Ping", "30"}}},
      // No name: the connection address stands in.
      {{{"name", "10.0.0.5:26900"},
        {"GameTags", "coop,night"},
        {"password", "1"},
        {"bots", "2"},
        {"secure", "4"},
        {"IPAddr", "10.0.0.5:26900"},
        {"Ping", "55"}}},
      {{{"secure", "3"}}},
  };
  ASSERT_EQ(List()->GetItemCount(), 3);
  for (unsigned int index = 0; index < 3; ++index) {
    const int itemID = List()->FindItemByUserValue(index);
    ASSERT_NE(itemID, -1) << index;
    KeyValues *row = List()->GetItemData(itemID);
    EXPECT_STREQ(row->GetName(), "Server");
    for (const auto &[key, value] : expected[index].keys)
      EXPECT_EQ(row->GetString(key.c_str()), value) << key;
    EXPECT_EQ(row->FindKey("LastPlayed"), nullptr);
  }
  // The first answer is chosen at once; later ones leave the choice alone.
  ASSERT_EQ(List()->GetSelectionCount(), 1);
  EXPECT_EQ(List()->GetItemUserValue(List()->GetSelectedItemID(0)), 0u);
  RunFrames();
  EXPECT_TRUE(Button("SelectedOKButton")->IsEnabled());
}

TEST_F(AddServerDialogTest, SilentPingsSayNoServerAnsweredAndKeepTheRows) {
  Test("10.0.0.5");
  EXPECT_EQ(List()->GetEmptyText(), "");
  m_Services.m_PingResponses[0]->OnPingSilent();
  EXPECT_EQ(List()->GetEmptyText(), "No server answered.");
  Answer(1, Server("Harbor Light", 26900, 30));
  m_Services.m_PingResponses[2]->OnPingSilent();
  EXPECT_EQ(Rows(), std::vector<std::string>{"Harbor Light #0"});
  // A late answer of an earlier test still adds a row to the new results.
  Test("10.0.0.5:27020");
  Answer(3, Server("Late Harbor", 27016, 80));
  EXPECT_EQ(Rows(), std::vector<std::string>{"Late Harbor #0"});
}

TEST_F(AddServerDialogTest, AddSelectedStoresTheFirstSelectedServerAndDropsItsRow) {
  Test("10.0.0.5");
  ServerRecord first = Server("Harbor Light", 27015, 30);
  ServerRecord second = Server("Watchtower", 26900, 20);
  second.m_NetAdr.Init(kTypedIP, 26900, 27100);  // query and connection ports differ
  second.m_nAppId = 610;
  ServerRecord third = Server("Old Pier", 27016, 10);
  Answer(0, first);
  Answer(1, second);
  Answer(2, third);
  List()->ClearSelection();
  List()->AddToSelection(List()->FindItemByUserValue(1));
  List()->AddToSelection(List()->FindItemByUserValue(2));

  Command("addselected");
  ASSERT_EQ(m_Services.m_Added.size(), 1u);
  const sbtest::StoredServerCall &call = m_Services.m_Added[0];
  EXPECT_EQ(call.appId, 610u);
  EXPECT_EQ(call.ip, kTypedIP);
  EXPECT_EQ(call.connPort, 27100);
  EXPECT_EQ(call.queryPort, 26900);
  EXPECT_EQ(call.flags, 1u);
  EXPECT_NE(call.time, 0u);
  // The other rows keep their indices into the answers.
  List()->SortList();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Old Pier #2", "Harbor Light #0"}));
  EXPECT_EQ(List()->GetEmptyText(), "");

  // The dialog stays; the next command adds the next selected server.
  RunFrames(0.5);
  EXPECT_TRUE(m_hDialog.Get());
  Command("addselected");
  ASSERT_EQ(m_Services.m_Added.size(), 2u);
  EXPECT_EQ(m_Services.m_Added[1].connPort, 27016);
  EXPECT_EQ(Rows(), std::vector<std::string>{"Harbor Light #0"});
  // Nothing selected: nothing added.
  Command("addselected");
  EXPECT_EQ(m_Services.m_Added.size(), 2u);
  RunFrames();
  EXPECT_FALSE(Button("SelectedOKButton")->IsEnabled());
}

TEST_F(AddServerDialogTest, OKStoresTheTypedAddressAndCloses) {
  struct Case {
    const char *typed;
    uint32 ip;
    uint16 port;
  };
  const Case cases[] = {
      {"10.0.0.5", kTypedIP, 27015},
      {"10.0.0.5:27020", kTypedIP, 27020},
      {"alpha.test", kResolvedIP, 27015},
      {"alpha.test:26901", kResolvedIP, 26901},
  };
  for (const Case &c : cases) {
    if (!m_hDialog.Get()) {
      m_pDialog = new CDialogAddServer(m_pMainWindow);
      m_hDialog = m_pDialog;
    }
    m_pDialog->Activate();
    m_Services.m_Added.clear();
    Type(c.typed);
    Command("OK");
    ASSERT_EQ(m_Services.m_Added.size(), 1u) << c.typed;
    const sbtest::StoredServerCall &call = m_Services.m_Added[0];
    EXPECT_EQ(call.appId, 0u);
    EXPECT_EQ(call.ip, c.ip) << c.typed;
    EXPECT_EQ(call.connPort, c.port) << c.typed;
    EXPECT_EQ(call.queryPort, c.port) << c.typed;
    EXPECT_EQ(call.flags, 1u);
    EXPECT_NE(call.time, 0u);
    EXPECT_EQ(ModalBox(), nullptr) << c.typed;
    RunFrames(0.5);
    EXPECT_FALSE(m_hDialog.Get()) << c.typed << ": the dialog closes and deletes itself";
  }
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(AddServerDialogTest, OKRefusesAddressesThatNameNoIPv4Server) {
  const std::string ipv6 = "#ServerBrowser_AddServerIPv6";
  struct Case {
    const char *typed;
    std::string message;
  };
  const Case cases[] = {
      {"2001:db8::7", ipv6},
      {"[2001:db8::7]:27015", ipv6},
      {"::1", ipv6},
      {"no-such-host.test", "#ServerBrowser_AddServerError"},
      {"10.0.0.5:99999", "#ServerBrowser_AddServerError"},
      {"0.0.0.0:27015", "#ServerBrowser_AddServerError"},
  };
  for (const Case &c : cases) {
    if (!m_hDialog.Get()) {
      m_pDialog = new CDialogAddServer(m_pMainWindow);
      m_hDialog = m_pDialog;
    }
    m_pDialog->Activate();
    Type(c.typed);
    Command("OK");
    EXPECT_TRUE(m_Services.m_Added.empty()) << c.typed;
    auto *box = dynamic_cast<kgui::MessageBox *>(ModalBox());
    ASSERT_NE(box, nullptr) << c.typed;
    EXPECT_EQ(box->GetTitle(), "Invalid address");
    EXPECT_EQ(box->GetMessageText(), c.message) << c.typed;
    // The dialog closes; the box stays until the user answers it.
    RunFrames(0.5);
    EXPECT_FALSE(m_hDialog.Get()) << c.typed;
    EXPECT_TRUE(box->IsVisible());
    delete box;
  }
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(AddServerDialogTest, TestPingsNothingForAddressesThatNameNoIPv4Server) {
  struct Case {
    const char *typed;
    std::string emptyText;
  };
  const Case cases[] = {
      {"2001:db8::7", "IPv6 addresses cannot be used here."},
      {"[2001:db8::7]:27015", "IPv6 addresses cannot be used here."},
      {"no-such-host.test", "Not a server address."},
      {"0.0.0.0", "Not a server address."},
  };
  for (const Case &c : cases) {
    Test(c.typed);
    EXPECT_TRUE(m_Services.m_Pings.empty()) << c.typed;
    EXPECT_EQ(List()->GetEmptyText().substr(0, c.emptyText.size()), c.emptyText) << c.typed;
    EXPECT_TRUE(Tabs()->IsVisible());
  }
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(AddServerDialogTest, ClosingAbortsOnlyThePingsStillRunning) {
  Test("10.0.0.5");
  ASSERT_EQ(m_Services.m_Pings.size(), 14u);
  Answer(0, Server("Harbor Light", 27015, 30));
  m_Services.m_PingResponses[1]->OnPingSilent();
  EXPECT_EQ(m_pDialog->CountRunningPings(), 12);

  m_pDialog->Activate();
  Command("Close");
  RunFrames(0.5);
  ASSERT_FALSE(m_hDialog.Get()) << "a closed dialog deletes itself";
  // Handles are numbered from 1 in request order: the first two finished and are never aborted.
  std::vector<ServerQueryHandle> expected;
  for (ServerQueryHandle handle = 3; handle <= 14; ++handle) expected.push_back(handle);
  EXPECT_EQ(m_Services.m_Aborted, expected);
}

TEST_F(AddServerDialogTest, APastedAddressIsAddedLikeATypedOne) {
  const std::u16string copied = u"  203.0.113.7:27016 \n";  // as copied from a web page
  kgui::system()->SetClipboardText(copied.c_str(), static_cast<int>(copied.size()));
  m_pDialog->Activate();
  auto *entry = dynamic_cast<kgui::TextEntry *>(m_pDialog->FindChildByName("ServerNameText", true));
  ASSERT_NE(entry, nullptr);
  // Control-V as the host delivers it to the entry (the fixture's windows are not on screen, so
  // nothing holds the focus).
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, true);
  KeyValuesAD paste(new KeyValues("KeyCodeTyped", "code", kgui::KEY_V));
  kgui::ipanel()->SendMessage(entry->GetVPanel(), paste.get(), kgui::NULL_PANEL);
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, false);
  RunFrames();
  EXPECT_EQ(entry->GetText(), "  203.0.113.7:27016 ") << "one line is pasted";
  EXPECT_TRUE(Button("OKButton")->IsEnabled());
  Command("OK");
  ASSERT_EQ(m_Services.m_Added.size(), 1u);
  EXPECT_EQ(m_Services.m_Added[0].ip, 0xCB007107u);
  EXPECT_EQ(m_Services.m_Added[0].connPort, 27016);
  EXPECT_EQ(ModalBox(), nullptr);
}

}  // namespace
