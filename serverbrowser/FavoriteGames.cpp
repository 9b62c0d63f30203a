#include "serverbrowser/FavoriteGames.h"

#include <ctime>
#include <utility>

#include "common/filesystem_helpers.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientmatchmaking.h"
#include "serverbrowser/DialogAddServer.h"
#include "serverbrowser/DialogFavoritesFile.h"
#include "serverbrowser/FavoritesSnapshot.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerContextMenu.h"
#include "serverbrowser/ServerRows.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

BEGIN_MESSAGE_MAP(CFavoriteGames, CBaseGamesPage)
MESSAGE_ENTRY("OpenContextMenu", OnOpenContextMenu, "itemID")
MESSAGE_ENTRY("RemoveFromFavorites", OnRemoveFromFavorites)
MESSAGE_ENTRY("AddServerByName", OnAddServerByName)
MESSAGE_ENTRY("PasteAddress", OnPasteAddress)
MESSAGE_ENTRY("ExportFavorites", OnExportFavorites)
MESSAGE_ENTRY("ImportFavorites", OnImportFavorites)
MESSAGE_ENTRY("FavoritesFileChosen", OnFavoritesFileChosen, "path", "mode")
END_MESSAGE_MAP()

namespace {

// Lines a report lists at most; the rest are counted.
constexpr size_t kMaxReportedProblems = 12;

std::u16string Wide(const std::string &text) {
  return kgui::Utf8ToWide(text.c_str());
}

// What the user reads after an import or a paste: the counts, then the lines that were not
// addresses, each with its number, its text and why.
std::u16string ImportReport(const FavoritesTextReading &reading, int added, int already) {
  std::u16string text =
      LocalizedFormat("#ServerBrowser_ImportSummary", NumberText(added), NumberText(already));
  if (reading.problems.empty()) return text;
  text += u"\n\n" + LocalizedText("#ServerBrowser_ImportProblems");
  size_t listed = 0;
  for (const FavoritesTextProblem &problem : reading.problems) {
    if (++listed > kMaxReportedProblems) break;
    const std::u16string why = LocalizedText(problem.reason);
    text += u"\n" + (problem.line > 0
                         ? LocalizedFormat("#ServerBrowser_ImportProblemLine", NumberText(problem.line),
                                           Wide(problem.text), why)
                         : LocalizedFormat("#ServerBrowser_ImportProblemFile", Wide(problem.text), why));
  }
  if (reading.problems.size() > kMaxReportedProblems)
    text +=
        u"\n" + LocalizedFormat("#ServerBrowser_ImportMoreProblems",
                                NumberText(static_cast<int>(reading.problems.size() - kMaxReportedProblems)));
  return text;
}

}  // namespace

CFavoriteGames::CFavoriteGames(kgui::Panel *parent)
    : CBaseGamesPage(parent, "FavoriteGames", eFavoriteServer) {}

CFavoriteGames::~CFavoriteGames() = default;

bool CFavoriteGames::OffersItem(int item) {
  return item == eItemServerList || item == eItemAddServer;
}

void CFavoriteGames::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  (void)request;
  (void)outcome;
  ShowRefreshState(false);
  IClientMatchmaking *matchmaking = ClientMatchmaking();
  const bool anyStored = matchmaking && matchmaking->CountStoredServers() > 0;
  if (m_pGameList) {
    // An empty list with stored favourites means none of them answered.
    m_pGameList->SetEmptyText(anyStored ? "#ServerBrowser_NoInternetGamesResponded"
                                        : "#ServerBrowser_NoFavoriteServers");
    m_pGameList->SortList();
  }
}

void CFavoriteGames::SetConnectedToGame(bool connected) {
  if (m_pAddCurrentServer) m_pAddCurrentServer->SetEnabled(connected);
}

void CFavoriteGames::OnCommand(const char *command) {
  if (!V_stricmp(command, "AddServerByName"))
    OnAddServerByName();
  else if (!V_stricmp(command, "AddCurrentServer"))
    OnAddCurrentServer();
  else
    BaseClass::OnCommand(command);
}

// Favourites are few and the user's own: their refresh runs on behind other tabs. A dialog the
// page still holds goes with the page; dialogs already open stay.
void CFavoriteGames::OnPageHide() {
  if (!m_pAddServerDialog) return;
  m_pAddServerDialog->Close();
  m_pAddServerDialog = nullptr;
}

void CFavoriteGames::OnKeyCodeTyped(kgui::KeyCode code) {
  if (code == kgui::KEY_V && IsControlDown())
    OnPasteAddress();
  else
    BaseClass::OnKeyCodeTyped(code);
}

// Without a selection the menu still offers adding a server by its address.
void CFavoriteGames::OnOpenContextMenu(int itemID) {
  (void)itemID;  // the menu is for the first selected row, whichever row was clicked
  CServerContextMenu *menu = ShowServerContextMenu(false);
  if (!menu) return;
  if (m_pGameList->GetSelectionCount() > 0)
    menu->AddMenuItem("RemoveServer", "#ServerBrowser_RemoveServerFromFavorites",
                      new KeyValues("RemoveFromFavorites"), this);
  menu->AddMenuItem("AddServerByName", "#ServerBrowser_AddServerByIP", new KeyValues("AddServerByName"),
                    this);
}

void CFavoriteGames::OnRemoveFromFavorites() {
  if (IClientMatchmaking *matchmaking = ClientMatchmaking()) {
    ForEachSelectedServer(false, [matchmaking](const ServerRecord &server) {
      matchmaking->RemoveStoredServer(server.m_nAppId, server.m_NetAdr.GetIP(),
                                      server.m_NetAdr.GetConnectionPort(), server.m_NetAdr.GetQueryPort(),
                                      k_unFavoriteFlagFavorite);
    });
  }
  UpdateServerCount();
  InvalidateLayout();
  Repaint();
}

// Every request opens a dialog of its own, also while an earlier one is still on screen. Modal
// mode returns at once; the dialog then lives on its own and deletes itself when closed.
void CFavoriteGames::OnAddServerByName() {
  if (!m_pAddServerDialog) m_pAddServerDialog = new CDialogAddServer(GetParent());
  m_pAddServerDialog->MoveToCenterOfScreen();
  m_pAddServerDialog->DoModal();
  m_pAddServerDialog = nullptr;
}

// Nothing is stored while no game is connected: the record is zero then, and 0.0.0.0:0 is no server.
void CFavoriteGames::OnAddCurrentServer() {
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  IClientMatchmaking *matchmaking = ClientMatchmaking();
  const ServerRecord *current = mainWindow ? mainWindow->GetCurrentConnectedServer() : nullptr;
  if (!current || !matchmaking || current->m_NetAdr.GetIP() == 0) return;
  matchmaking->AddStoredServer(current->m_nAppId, current->m_NetAdr.GetIP(),
                               current->m_NetAdr.GetConnectionPort(), current->m_NetAdr.GetQueryPort(),
                               k_unFavoriteFlagFavorite, static_cast<uint32>(time(nullptr)));
}

// ---- pasted, imported and exported favourites

void CFavoriteGames::AddPageMenuItems(CServerContextMenu *menu) {
  menu->AddMenuItem("PasteAddress", "#ServerBrowser_PasteAddress", new KeyValues("PasteAddress"), this);
  menu->AddMenuItem("ExportFavorites", "#ServerBrowser_ExportFavorites", new KeyValues("ExportFavorites"),
                    this);
  menu->AddMenuItem("ImportFavorites", "#ServerBrowser_ImportFavorites", new KeyValues("ImportFavorites"),
                    this);
}

AppId_t CFavoriteGames::GetImportAppId() const {
  return static_cast<AppId_t>(m_LimitToGame & 0xFFFFFF);
}

void CFavoriteGames::OnPasteAddress() {
  Transfer paste;
  kgui::IHostSystem *host = kgui::system();
  const int count = host ? host->GetClipboardTextCount() : 0;
  if (count > 0) {
    std::u16string wide(static_cast<size_t>(count) + 1, u'\0');
    const int read = host->GetClipboardText(0, wide.data(), static_cast<int>(wide.size() * sizeof(char16_t)));
    wide.resize(static_cast<size_t>(read > 0 ? read : 0));
    paste.text = kgui::WideToUtf8(wide);
  }
  Queue(std::move(paste));
}

void CFavoriteGames::OnExportFavorites() {
  auto *dialog = new CDialogFavoritesFile(GetParent(), this, true);
  dialog->MoveToCenterOfScreen();
  dialog->DoModal();
}

void CFavoriteGames::OnImportFavorites() {
  auto *dialog = new CDialogFavoritesFile(GetParent(), this, false);
  dialog->MoveToCenterOfScreen();
  dialog->DoModal();
}

void CFavoriteGames::OnFavoritesFileChosen(const char *path, int mode) {
  Transfer transfer;
  transfer.path = path ? path : "";
  transfer.plain = mode == CDialogFavoritesFile::kExportPlain;
  if (transfer.path.empty()) return;
  if (mode != CDialogFavoritesFile::kImport) {
    transfer.kind = Transfer::Kind::Export;
  } else {
    transfer.kind = Transfer::Kind::Import;
    CUtlBuffer buffer(0, 0, CUtlBuffer::TEXT_BUFFER);
    if (!LoadFileIntoBuffer(kgui::filesystem(), transfer.path.c_str(), buffer, true)) {
      ShowReport("#ServerBrowser_ImportFavoritesTitle",
                 LocalizedFormat("#ServerBrowser_ImportReadFailed", Wide(transfer.path)));
      return;
    }
    transfer.text.assign(static_cast<const char *>(buffer.Base()), static_cast<size_t>(buffer.TellPut()));
  }
  Queue(std::move(transfer));
}

// The stored favourites are fetched once for every transfer asked for meanwhile.
void CFavoriteGames::Queue(Transfer transfer) {
  m_vecTransfers.push_back(std::move(transfer));
  if (m_pSnapshot && m_pSnapshot->IsRunning()) return;
  m_pSnapshot = std::make_unique<CFavoritesSnapshot>(
      [this](const std::vector<FavoriteAddress> &stored) { OnStoredFavorites(stored); });
  if (!m_pSnapshot->Start()) {
    // Without services nothing can be stored or read.
    m_vecTransfers.clear();
  }
}

void CFavoriteGames::OnStoredFavorites(const std::vector<FavoriteAddress> &stored) {
  std::vector<FavoriteAddress> known = stored;
  std::vector<Transfer> transfers = std::move(m_vecTransfers);
  m_vecTransfers.clear();
  for (const Transfer &transfer : transfers) {
    if (transfer.kind == Transfer::Kind::Export)
      WriteExport(transfer, known);
    else
      AddAddresses(transfer, known);
  }
}

// Addresses already stored are left exactly as they are: adding one again would take over its
// application, query port and time.
void CFavoriteGames::AddAddresses(const Transfer &transfer, std::vector<FavoriteAddress> &stored) {
  const FavoritesTextReading reading = ReadFavoritesText(transfer.text, GetImportAppId());
  IClientMatchmaking *matchmaking = ClientMatchmaking();
  int added = 0, already = reading.repeated;
  for (const FavoriteAddress &server : reading.servers) {
    bool known = false;
    for (const FavoriteAddress &kept : stored) known = known || kept.SameServer(server);
    if (known || !matchmaking) {
      already += known;
      continue;
    }
    matchmaking->AddStoredServer(server.appId, server.ip, server.connPort, server.queryPort,
                                 k_unFavoriteFlagFavorite, static_cast<uint32>(time(nullptr)));
    stored.push_back(server);
    ++added;
  }
  const bool paste = transfer.kind == Transfer::Kind::Paste;
  // A paste that added its address shows in the list; anything else is told.
  if (paste && added > 0 && reading.problems.empty()) return;
  if (paste && reading.servers.empty() && reading.problems.empty()) {
    ShowReport("#ServerBrowser_PasteAddressTitle", LocalizedText("#ServerBrowser_PasteNothing"));
    return;
  }
  ShowReport(paste ? "#ServerBrowser_PasteAddressTitle" : "#ServerBrowser_ImportFavoritesTitle",
             ImportReport(reading, added, already));
}

void CFavoriteGames::WriteExport(const Transfer &transfer, const std::vector<FavoriteAddress> &stored) {
  const std::string text =
      WriteFavoritesText(stored, transfer.plain ? EFavoritesTextForm::Plain : EFavoritesTextForm::KeyValues);
  CUtlBuffer buffer(0, 0, CUtlBuffer::TEXT_BUFFER);
  buffer.Put(text.data(), static_cast<int>(text.size()));
  const bool saved = SaveBufferToFile(kgui::filesystem(), transfer.path.c_str(), buffer);
  ShowReport("#ServerBrowser_ExportFavoritesTitle",
             saved ? LocalizedFormat("#ServerBrowser_ExportDone", NumberText(static_cast<int>(stored.size())),
                                     Wide(transfer.path))
                   : LocalizedFormat("#ServerBrowser_ExportFailed", Wide(transfer.path)));
}

void CFavoriteGames::ShowReport(const char *title, const std::u16string &text) {
  auto *box = new kgui::MessageBox(LocalizedText(title).c_str(), text.c_str());
  box->SetName("FavoritesReport");
  box->DoModal();
}
