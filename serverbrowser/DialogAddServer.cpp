// The add-server window. Sections: the result list's record source and the test pings' answer
// faces; construction; messages and commands; the typed address ("OK"); the test and its answers;
// adding a chosen result.
#include "serverbrowser/DialogAddServer.h"

#include <string>

#include "kgui_controls/Button.h"
#include "kgui_controls/ImageList.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/IGameList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerListCompare.h"
#include "serverbrowser/ServerRows.h"
#include "serverbrowser/serverbrowser.h"
#include "tier1/KeyValues.h"
#include "tier1/netadr.h"

BEGIN_MESSAGE_MAP(CDialogAddServer, kgui::Frame)
MESSAGE_ENTRY("TextChanged", OnTextChanged)
MESSAGE_ENTRY("ItemSelected", UpdateAddSelectedButton)
MESSAGE_ENTRY("ItemDeselected", UpdateAddSelectedButton)
MESSAGE_ENTRY("Close", Close)
END_MESSAGE_MAP()

namespace {

// The port a typed address without one is stored with.
constexpr uint16 kDefaultPort = 27015;

// Said instead of storing or pinging an IPv6 address: the services keep and query IPv4 only.
constexpr const char kIPv6NotUsable[] = "#ServerBrowser_AddServerIPv6";

// The result list's column widths; it finds no server by typing.
constexpr ServerColumnLayout kColumnLayout = {{16, 16, 16, 20, 60, 150, 60, 80, 60}, false};

// The typed address as a record of kind NA_IP (IPv6 when typed so); false when it does not parse.
// White space around it is dropped: a pasted address often brings some.
bool ParseAddress(const std::string &typed, netadr_t &address) {
  address.Clear();
  address.SetType(NA_IP);
  const size_t first = typed.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return false;
  const std::string text = typed.substr(first, typed.find_last_not_of(" \t\r\n") - first + 1);
  return address.SetFromString(text.c_str());
}

}  // namespace

// ---- the result list's record source and the test pings' answer faces

// Rows of the result list carry indices into the found servers; the sort functions ask here.
class CDialogAddServer::CFoundServers final : public IGameList {
 public:
  explicit CFoundServers(std::vector<ServerRecord> &servers) : m_Servers(servers) {}

  ServerRecord *GetServerRecord(int serverIndex) override {
    if (serverIndex < 0 || serverIndex >= static_cast<int>(m_Servers.size())) return nullptr;
    return &m_Servers[static_cast<size_t>(serverIndex)];
  }
  // The rest of a page's face means nothing for a list of answers.
  bool OffersItem(int) override { return false; }
  void BeginRefresh() override {}
  void GetNewServerList() override {}
  void CancelRefresh() override {}
  bool IsRefreshRunning() override { return false; }
  void ConnectToServer() override {}
  int NoRowID() override { return -1; }

 private:
  std::vector<ServerRecord> &m_Servers;
};

// One test ping: hands its answer to the dialog, then leaves the dialog's running pings.
class CDialogAddServer::CTestPing final : public IPlexaMatchmakingPingResponse {
 public:
  explicit CTestPing(CDialogAddServer &dialog) : m_Dialog(dialog) {}
  ServerQueryHandle m_hQuery = HSERVERQUERY_INVALID;

  // Both end the ping: nothing of this object may be touched after ForgetPing.
  void OnPingAnswered(const ServerRecord &server) override {
    m_Dialog.OnPingAnswered(server);
    m_Dialog.ForgetPing(this);
  }
  void OnPingSilent() override {
    m_Dialog.OnPingSilent();
    m_Dialog.ForgetPing(this);
  }

 private:
  CDialogAddServer &m_Dialog;
};

// ---- construction

CDialogAddServer::CDialogAddServer(kgui::Panel *parent)
    : Frame(parent, "DialogAddServer"), m_pFoundServers(std::make_unique<CFoundServers>(m_vecFoundServers)) {
  SetDeleteSelfOnClose(true);
  SetSizeable(false);
  SetMinimizeButtonVisible(false);
  SetMaximizeButtonVisible(false);
  SetTitle("#ServerBrowser_AddServersTitle", true);

  m_pTestServers = new kgui::Button(this, "TestServersButton", "");
  m_pOK = new kgui::Button(this, "OKButton", "");
  m_pAddSelected = new kgui::Button(this, "SelectedOKButton", "", this, "addselected");
  m_pTabPanel = new kgui::PropertySheet(this, "GameTabs");
  m_pServerName = new kgui::TextEntry(this, "ServerNameText");
  m_pServerName->AddActionSignalTarget(this);
  CreateServerList();
  m_pTabPanel->AddPage(m_pServerList, "#ServerBrowser_Servers");

  LoadControlSettings("servers/DialogAddServer.res");

  m_pTestServers->SetEnabled(false);
  m_pOK->SetEnabled(false);
  m_pAddSelected->SetEnabled(false);
  m_pAddSelected->SetVisible(false);
  m_pTabPanel->SetVisible(false);
  m_pServerName->RequestFocus();

  // At first only the entry and the buttons show: the window ends where the results begin.
  int x = 0, y = 0, wide = 0, tall = 0;
  m_pTabPanel->GetBounds(x, y, wide, tall);
  m_nExpandedTall = y + tall + 50;
  SetTall(y);
}

CDialogAddServer::~CDialogAddServer() {
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  for (const auto &ping : m_vecPingQueries) {
    if (servers && ping->m_hQuery != HSERVERQUERY_INVALID) servers->AbortServerRequest(ping->m_hQuery);
  }
  m_vecPingQueries.clear();
}

void CDialogAddServer::CreateServerList() {
  m_pServerList = new CGameListPanel(m_pFoundServers.get(), nullptr, this, "Servers");
  // The sheet hears the list once it is a page; the selection matters here.
  m_pServerList->AddActionSignalTarget(this);
  // A server answering on several ports is listed once per port: the hidden address column
  // tells them apart, so the user may show it.
  m_pServerList->AllowColumnChoice(true);
  AddServerColumns(m_pServerList, kColumnLayout);
}

void CDialogAddServer::ApplySchemeSettings(kgui::IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  BuildImageList();
}

// The scheme's images are known once the scheme is applied.
void CDialogAddServer::BuildImageList() {
  AttachServerImages(m_pServerList);
}

// ---- messages and commands

void CDialogAddServer::OnTextChanged() {
  const bool typed = m_pServerName->GetTextLength() > 0;
  m_pOK->SetEnabled(typed);
  m_pTestServers->SetEnabled(typed);
}

void CDialogAddServer::UpdateAddSelectedButton() {
  m_pAddSelected->SetEnabled(m_pServerList->GetSelectionCount() > 0);
}

void CDialogAddServer::OnCommand(const char *command) {
  if (!V_stricmp(command, "OK")) {
    OnOK();
  } else if (!V_stricmp(command, "TestServers")) {
    SetTall(m_nExpandedTall);
    m_pTabPanel->SetVisible(true);
    m_pAddSelected->SetVisible(true);
    OnTestServers();
  } else if (!V_stricmp(command, "addselected")) {
    OnAddSelected();
  } else {
    BaseClass::OnCommand(command);
  }
}

// ---- the typed address

void CDialogAddServer::OnOK() {
  netadr_t address;
  const bool parsed = ParseAddress(m_pServerName->GetText(), address);
  if (address.GetPort() == 0) address.SetPort(kDefaultPort);

  kgui::MessageBox *refusal = nullptr;
  if (parsed && address.GetType() == NA_IPV6) {
    // Stored as IPv4 it would name another server.
    refusal = new kgui::MessageBox("#ServerBrowser_AddServerErrorTitle", kIPv6NotUsable);
  } else if (parsed && address.IsValid()) {
    ServerRecord server{};
    server.m_NetAdr.Init(address.GetIP(), address.GetPort(), address.GetPort());
    server.m_nAppId = 0;
    if (CServerBrowserDialog *mainWindow = ServerBrowserDialog()) mainWindow->AddServerToFavorites(server);
  } else {
    refusal = new kgui::MessageBox("#ServerBrowser_AddServerErrorTitle", "#ServerBrowser_AddServerError");
  }
  // The box has no parent: it outlives this window, which closes now.
  if (refusal) refusal->DoModal(this);
  PostMessage(this, new KeyValues("Close"));
}

// ---- the test and its answers

void CDialogAddServer::OnTestServers() {
  m_pServerList->SetEmptyText("");
  m_pServerList->ClearItems();
  m_vecFoundServers.clear();

  const std::string typed = m_pServerName->GetText();
  netadr_t address;
  const bool parsed = ParseAddress(typed, address);

  // The result list comes back as the sheet's only page, titled with what was typed.
  for (int page = m_pTabPanel->GetNumPages() - 1; page >= 0; --page)
    m_pTabPanel->RemovePage(m_pTabPanel->GetPage(page));
  char16_t title[512];
  title[0] = 0;
  if (typed.empty()) {
    V_wcsncpy(title, LocalizedText("#ServerBrowser_ServersRespondingLocal").c_str(), sizeof(title));
  } else if (kgui::localize()) {
    const std::u16string typedWide = kgui::Utf8ToWide(typed.c_str());
    kgui::localize()->ConstructString(title, static_cast<int>(sizeof(title)),
                                      LocalizedText("#ServerBrowser_ServersResponding").c_str(), 1,
                                      typedWide.c_str());
  }
  char titleText[512];
  V_UTF16ToUTF8(title, titleText, sizeof(titleText));
  m_pTabPanel->AddPage(m_pServerList, titleText);
  m_pTabPanel->InvalidateLayout();

  // Nothing is pinged for an address that names no IPv4 server: the unspecified address would
  // reach whatever listens on this machine.
  if (parsed && address.GetType() == NA_IPV6) {
    m_pServerList->SetEmptyText(kIPv6NotUsable);
    return;
  }
  if (!parsed || address.GetIP() == 0) {
    m_pServerList->SetEmptyText("#ServerBrowser_AddServerError");
    return;
  }
  if (address.GetPort() != 0) {
    PingAddress(address.GetIP(), address.GetPort());
    return;
  }
  std::vector<uint16> ports;
  CServerBrowserDialog::GetCommonQueryPorts(ports);
  for (uint16 port : ports) PingAddress(address.GetIP(), port);
}

// Earlier tests' pings run on: their late answers still add rows.
void CDialogAddServer::PingAddress(uint32 ip, uint16 queryPort) {
  IClientMatchmakingServers *servers = ClientMatchmakingServers();
  if (!servers) return;
  m_vecPingQueries.push_back(std::make_unique<CTestPing>(*this));
  CTestPing *ping = m_vecPingQueries.back().get();
  const ServerQueryHandle query = servers->RequestPing(ip, queryPort, ping);
  // The services may have answered inside the request already, and then the ping is gone.
  for (auto it = m_vecPingQueries.begin(); it != m_vecPingQueries.end(); ++it) {
    if (it->get() != ping) continue;
    if (query == HSERVERQUERY_INVALID)
      m_vecPingQueries.erase(it);  // refused: no answer will come
    else
      ping->m_hQuery = query;
    break;
  }
}

void CDialogAddServer::ForgetPing(CTestPing *ping) {
  for (auto it = m_vecPingQueries.begin(); it != m_vecPingQueries.end(); ++it) {
    if (it->get() == ping) {
      m_vecPingQueries.erase(it);
      return;
    }
  }
}

void CDialogAddServer::OnPingAnswered(const ServerRecord &server) {
  m_vecFoundServers.push_back(server);
  KeyValues *row = new KeyValues("Server");
  WriteServerRowKeys(row, server);
  const int itemID =
      m_pServerList->AddItem(row, static_cast<unsigned int>(m_vecFoundServers.size() - 1), false, false);
  row->Destroy();
  // A single answer is chosen already, so that adding it needs no click.
  if (m_pServerList->GetItemCount() == 1) m_pServerList->SelectOnly(itemID);
  m_pServerList->InvalidateLayout();
}

// Rows already found stay; the text shows only while none did.
void CDialogAddServer::OnPingSilent() {
  m_pServerList->SetEmptyText("#ServerBrowser_ServerNotResponding");
}

// ---- adding a chosen result

void CDialogAddServer::OnAddSelected() {
  if (m_pServerList->GetSelectionCount() <= 0) return;
  const int itemID = m_pServerList->GetSelectedItemID(0);
  const unsigned int index = m_pServerList->GetItemUserValue(itemID);
  if (index < m_vecFoundServers.size()) {
    if (CServerBrowserDialog *mainWindow = ServerBrowserDialog())
      mainWindow->AddServerToFavorites(m_vecFoundServers[index]);
  }
  m_pServerList->RemoveItem(itemID);
  m_pServerList->SetEmptyText("");
  UpdateAddSelectedButton();
}
