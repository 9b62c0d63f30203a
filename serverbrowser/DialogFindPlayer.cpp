// The find-a-player window. Sections: construction; the search and its rows; the status line;
// opening a result.
#include "serverbrowser/DialogFindPlayer.h"

#include <string>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/DialogGameInfo.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerRows.h"
#include "tier1/KeyValues.h"

BEGIN_MESSAGE_MAP(CDialogFindPlayer, kgui::Frame)
MESSAGE_ENTRY("TextChanged", OnTextChanged, "panel")
MESSAGE_ENTRY("ItemSelected", OnItemSelected)
MESSAGE_ENTRY("ItemDeselected", OnItemSelected)
END_MESSAGE_MAP()

namespace {

constexpr int kDefaultWide = 560;
constexpr int kDefaultTall = 380;
constexpr int kMinimumWide = 420;
constexpr int kMinimumTall = 260;
// Answers are drawn and the time limit checked this often.
constexpr int kTickMilliseconds = 100;
constexpr int kPingColumn = 4;

uint32 NowMs() {
  return kgui::system() ? static_cast<uint32>(kgui::system()->GetTimeMillis()) : 0;
}

// Lower latency first; the record's number, not its text.
int ComparePing(kgui::ListPanel *list, const kgui::ListPanelItem &a, const kgui::ListPanelItem &b) {
  (void)list;
  const int first = a.GetRecord() ? a.GetRecord()->GetInt("Ping") : 0;
  const int second = b.GetRecord() ? b.GetRecord()->GetInt("Ping") : 0;
  return first < second ? -1 : first > second ? 1 : 0;
}

}  // namespace

// ---- construction

CDialogFindPlayer::CDialogFindPlayer(kgui::Panel *parent)
    : BaseClass(parent, "DialogFindPlayer"),
      m_pSearch(std::make_unique<CPlayerSearch>(ClientMatchmakingServers())) {
  // The services call this from their callback: the rows wait for the next tick.
  m_pSearch->SetChangedCallback([this] { m_bAnswersWaiting = true; });
  SetBounds(0, 0, kDefaultWide, kDefaultTall);
  SetMinimumSize(kMinimumWide, kMinimumTall);
  SetDeleteSelfOnClose(true);
  SetTitle("#ServerBrowser_FindPlayerTitle", true);
  CreateControls();
  LoadControlSettings("servers/DialogFindPlayer.res");
  MoveToCenterOfScreen();
  if (kgui::IKGui *gui = kgui::ikgui()) gui->AddTickSignal(GetVPanel(), kTickMilliseconds);
  UpdateStatus();
}

CDialogFindPlayer::~CDialogFindPlayer() {
  if (kgui::IKGui *gui = kgui::ikgui()) gui->RemoveTickSignal(GetVPanel());
  m_pSearch.reset();
}

void CDialogFindPlayer::CreateControls() {
  new kgui::Label(this, "NameLabel", "#ServerBrowser_FindPlayerName");
  m_pNameEntry = new kgui::TextEntry(this, "NameText");
  m_pNameEntry->AddActionSignalTarget(this);
  m_pSearchButton =
      new kgui::Button(this, "SearchButton", "#ServerBrowser_FindPlayerSearchAgain", this, "Search");

  m_pResults = new kgui::ListPanel(this, "ResultList");
  m_pResults->AddColumnHeader(0, "Player", "#ServerBrowser_PlayerName", 120,
                              kgui::ListPanel::ColumnTypeAhead);
  m_pResults->AddColumnHeader(1, "Server", "#ServerBrowser_FindPlayerServer", 170);
  m_pResults->AddColumnHeader(2, "Game", "#ServerBrowser_Game", 90);
  m_pResults->AddColumnHeader(3, "Map", "#ServerBrowser_Map", 80);
  m_pResults->AddColumnHeader(kPingColumn, "Ping", "#ServerBrowser_Latency", 50);
  m_pResults->SetColumnSortFunc(kPingColumn, ComparePing);
  m_pResults->SetMultiselectEnabled(false);
  m_pResults->AddActionSignalTarget(this);

  m_pStatus = new kgui::Label(this, "StatusLabel", "");
  m_pOpenButton = new kgui::Button(this, "OpenButton", "#ServerBrowser_FindPlayerOpen", this, "Open");
  m_pOpenButton->SetEnabled(false);
  new kgui::Button(this, "CloseButton", "#ServerBrowser_Close", this, "Close");
}

void CDialogFindPlayer::ActivateAndFocus() {
  // The status says at once whether the page has servers to search.
  UpdateSearch();
  UpdateStatus();
  Activate();
  m_pNameEntry->RequestFocus();
}

void CDialogFindPlayer::OnClose() {
  // Nothing may arrive while the window fades and waits to be deleted.
  m_pSearch->Abort();
  m_bClosing = true;
  BaseClass::OnClose();
}

void CDialogFindPlayer::OnCommand(const char *command) {
  if (!V_stricmp(command, "Open"))
    OpenSelectedResult();
  else if (!V_stricmp(command, "Search"))
    SearchAgain();
  else
    BaseClass::OnCommand(command);
}

// ---- the search and its rows

void CDialogFindPlayer::SetSearchText(const char *text) {
  m_pNameEntry->SetText(text ? text : "");
  // The entry tells of the change by a posted message; the search follows at once instead.
  OnTextChanged(m_pNameEntry);
}

void CDialogFindPlayer::OnTextChanged(kgui::Panel *panel) {
  // The entry tells of a set text later too; rebuilding the rows then would lose the selection.
  if (panel != m_pNameEntry || m_pNameEntry->GetText() == m_sSearchedText) return;
  m_sSearchedText = m_pNameEntry->GetText();
  m_pSearch->SetText(m_sSearchedText);
  UpdateSearch();
  RebuildRows();
  UpdateStatus();
}

void CDialogFindPlayer::SearchAgain() {
  m_pSearch->SetServers(CurrentPageServers());
  m_pSearch->Restart(NowMs());
  RebuildRows();
  UpdateStatus();
}

void CDialogFindPlayer::UpdateSearch() {
  const bool changed = m_pSearch->SetServers(CurrentPageServers());
  // Nothing is asked before there is a name to look for; a typed change alone asks nobody again.
  if (m_pSearch->HasText() && (changed || !m_pSearch->IsStarted())) m_pSearch->Start(NowMs());
}

void CDialogFindPlayer::OnTick() {
  BaseClass::OnTick();
  m_pSearch->Tick(NowMs());
  if (!m_bAnswersWaiting) return;
  m_bAnswersWaiting = false;
  AddRows(m_pSearch->TakeNewMatches());
  UpdateStatus();
}

void CDialogFindPlayer::RebuildRows() {
  m_pResults->ClearItems();
  m_pSearch->TakeNewMatches();  // what Matches returns holds them
  AddRows(m_pSearch->Matches());
}

void CDialogFindPlayer::AddRows(const std::vector<PlayerSearchMatch> &matches) {
  for (const PlayerSearchMatch &match : matches) {
    const PlayerSearchServer &server = *match.m_pServer;
    KeyValuesAD row(new KeyValues("result"));
    row->SetString("Player", match.m_sPlayer.c_str());
    row->SetString("Server", server.m_sName.c_str());
    row->SetString("Game", server.m_sGame.c_str());
    row->SetString("Map", server.m_sMap.c_str());
    row->SetInt("Ping", server.m_nPingMs);
    // Where the details dialog goes: the row outlives the search's record of the server.
    row->SetUint64("ip", server.m_nIP);
    row->SetInt("queryport", server.m_nQueryPort);
    row->SetInt("connectionport", server.m_nConnectionPort);
    m_pResults->AddItem(row.get(), 0, false, false);
  }
}

std::vector<PlayerSearchServer> CDialogFindPlayer::CurrentPageServers() {
  std::vector<PlayerSearchServer> servers;
  CServerBrowserDialog *browser = ServerBrowserDialog();
  auto *page = browser ? dynamic_cast<CBaseGamesPage *>(browser->GetActiveGameList()) : nullptr;
  if (!page) return servers;
  for (const auto &[index, display] : page->GetServerMap()) {
    if (display.m_bFilteredOut || display.m_iRowID < 0) continue;
    const ServerRecord *record = page->GetServerRecord(index);
    // A server that does not answer its list's query would only hold a query for its whole time.
    if (!record || !record->m_bResponded || record->m_NetAdr.GetQueryPort() == 0) continue;
    PlayerSearchServer server;
    server.m_nIP = record->m_NetAdr.GetIP();
    server.m_nQueryPort = record->m_NetAdr.GetQueryPort();
    server.m_nConnectionPort = record->m_NetAdr.GetConnectionPort();
    server.m_nPingMs = record->m_nPingMs;
    server.m_sName = record->GetName();
    server.m_sGame = record->GetDescription()[0] ? record->GetDescription() : record->GetGameDir();
    server.m_sMap = record->GetMap();
    servers.push_back(std::move(server));
  }
  return servers;
}

// ---- the status line

void CDialogFindPlayer::UpdateStatus() {
  const CPlayerSearch &search = *m_pSearch;
  std::u16string text;
  const int found = m_pResults->GetItemCount();
  if (search.ServerCount() == 0)
    text = LocalizedText("#ServerBrowser_FindPlayerNoServers");
  else if (!search.HasText())
    text = LocalizedText("#ServerBrowser_FindPlayerTypeName");
  else if (search.IsRunning())
    text = LocalizedFormat("#ServerBrowser_FindPlayerSearching", NumberText(search.AskedCount()),
                           NumberText(search.ServerCount()));
  else if (found == 0)
    text = LocalizedText("#ServerBrowser_FindPlayerNoMatch");
  else if (found == 1)
    text = LocalizedText("#ServerBrowser_FindPlayerFoundOne");
  else
    text = LocalizedFormat("#ServerBrowser_FindPlayerFound", NumberText(found));

  // A finished search says how much of the page it could not see.
  if (search.ServerCount() > 0 && search.HasText() && !search.IsRunning() && search.UnansweredCount() > 0)
    text += u"  " + LocalizedFormat("#ServerBrowser_FindPlayerUnanswered",
                                    NumberText(search.UnansweredCount()), NumberText(search.ServerCount()));
  m_pStatus->SetText(text.c_str());
  OnItemSelected();
  m_pResults->SetEmptyText(search.HasText() && !search.IsRunning() && search.ServerCount() > 0
                               ? "#ServerBrowser_FindPlayerNoMatch"
                               : "");
}

std::string CDialogFindPlayer::GetStatusText() const {
  return m_pStatus->GetText();
}

// ---- opening a result

// Without a selection the first row opens, so any row enables the button.
void CDialogFindPlayer::OnItemSelected() {
  m_pOpenButton->SetEnabled(m_pResults->GetItemCount() > 0);
}

CDialogGameInfo *CDialogFindPlayer::OpenSelectedResult() {
  int itemID = m_pResults->GetSelectedItemID(0);
  if (itemID < 0) itemID = m_pResults->GetItemIDAtRow(0);
  KeyValues *row = itemID >= 0 ? m_pResults->GetItemData(itemID) : nullptr;
  CServerBrowserDialog *browser = ServerBrowserDialog();
  if (!row || !browser) return nullptr;
  return browser->OpenServerGameInfo(
      static_cast<uint32>(row->GetUint64("ip")), static_cast<uint16>(row->GetInt("queryport")),
      static_cast<uint16>(row->GetInt("connectionport")), row->GetString("Server"));
}
