// The filters of a server-list page: the controls, the checks on a server's record, the pairs sent
// with a request, the saved record, the description line and the game box that follows the game
// list. Sections: controls; checks; saved record and controls into fields; description; game box;
// filter edits.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "kgui_controls/CheckButton.h"
#include "kgui_controls/ComboBox.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/ToggleButton.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/QuickSearch.h"
#include "serverbrowser/SearchFold.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/ServerRows.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace {

// Servers of this application run any game directory.
constexpr uint32 kAnyGameDirApp = 1002;
// Every request leaves out this application's servers.
constexpr int kExcludedApp = 500;
// Bounds the description line; its parts are never measured against anything else.
constexpr size_t kMaxDescriptionUnits = 2047;

uint32 AppIdOf(uint64 gameID) {
  return static_cast<uint32>(gameID & 0xFFFFFF);
}

// Applications that share one set of servers with each other.
bool IsSharedApp(uint32 appID) {
  return (appID >= 200 && appID <= 999) || appID == 243730 || appID == 243750;
}

// Leading decimal digits of `text`, 0 when there are none; capped rather than overflowing.
int LeadingNumber(const char *text) {
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

// Copies at most size - 1 bytes of UTF-8 text, never ending inside a character.
void CopyWholeCharacters(char *dest, const char *src, size_t size) {
  V_strncpy(dest, src, size);
  size_t length = strlen(dest);
  if (length == strlen(src)) return;
  size_t start = length;
  while (start > 0 && (static_cast<unsigned char>(dest[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  const unsigned char lead = static_cast<unsigned char>(dest[start - 1]);
  const size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length - (start - 1) < needed) dest[start - 1] = 0;
}

}  // namespace

// ---- controls

void CBaseGamesPage::CreateFilterControls() {
  m_pFilter = new kgui::ToggleButton(this, "Filter", "#ServerBrowser_Filter");
  m_pFilterString = new kgui::Label(this, "FilterString", "");

  m_pGameFilter = new kgui::ComboBox(this, "GameFilter", 6, false);
  KeyValues *all = new KeyValues("mod");
  all->SetString("gamedir", "");
  all->SetString("appid", "");
  m_pGameFilter->AddItem("#ServerBrowser_All", all);
  all->Destroy();
  // "All" starts chosen, so that filling the box the first time changes no choice and fetches no
  // new list.
  m_pGameFilter->ActivateItemByRow(0);

  m_pMapFilter = new kgui::TextEntry(this, "MapFilter");
  m_pQuickSearch = new kgui::TextEntry(this, "QuickSearch");

  m_pPingFilter = new kgui::ComboBox(this, "PingFilter", 6, false);
  for (const char *entry : {"#ServerBrowser_All", "#ServerBrowser_LessThan50", "#ServerBrowser_LessThan100",
                            "#ServerBrowser_LessThan150", "#ServerBrowser_LessThan250",
                            "#ServerBrowser_LessThan350", "#ServerBrowser_LessThan600"})
    m_pPingFilter->AddItem(entry, nullptr);

  m_pSecureFilter = new kgui::ComboBox(this, "SecureFilter", 3, false);
  for (const char *entry : {"#ServerBrowser_All", "#ServerBrowser_SecureOnly", "#ServerBrowser_InsecureOnly"})
    m_pSecureFilter->AddItem(entry, nullptr);

  m_pNoEmptyServersFilterCheck = new kgui::CheckButton(this, "ServerEmptyFilterCheck", "");
  m_pNoFullServersFilterCheck = new kgui::CheckButton(this, "ServerFullFilterCheck", "");
  m_pNoPasswordFilterCheck = new kgui::CheckButton(this, "NoPasswordFilterCheck", "");
  m_bFilterPanelShown = false;
}

// ---- checks

bool CBaseGamesPage::IsUsableGameLimit(uint64 gameID) {
  const uint32 appID = AppIdOf(gameID);
  const bool topBit = (gameID >> 63) != 0;
  switch ((gameID >> 24) & 0xFF) {
    case 0:
      return appID != 0;
    case 1:
      return appID != 0 && topBit;
    case 2:
      return topBit;
    case 3:
      return appID == 0 && topBit;
    default:
      return false;
  }
}

bool CBaseGamesPage::PassesPrimaryFilters(const ServerRecord &server) {
  // A server that has not answered yet (no directory, no ping) is not judged by directory.
  if (m_szGameDirFilter[0] && (server.GetGameDir()[0] || server.m_nPingMs != 0)) {
    if (V_stricmp(m_szGameDirFilter, server.GetGameDir()) != 0 && server.m_nAppId != kAnyGameDirApp)
      return false;
  }

  switch (m_eMatchMakingType) {
    case eInternetServer:
    case eHistoryServer:
    case eSpectateServer:
      if (!ModList().HasApp(server.m_nAppId)) return false;
      break;
    default:
      break;
  }

  if (!IsUsableGameLimit(m_LimitToGame)) return true;
  if (server.m_nAppId == 0 && server.m_nPingMs == 0) return true;
  const uint32 limit = AppIdOf(m_LimitToGame);
  const uint32 app = server.m_nAppId;
  if (IsSharedApp(limit)) return IsSharedApp(app);
  if (limit < 200) return app < 200;
  return app == limit;
}

bool CBaseGamesPage::PassesSecondaryFilters(const ServerRecord &server) {
  if (m_bHideEmpty && server.m_nPlayerCount < 1) return false;
  if (m_bHideFull && server.m_nPlayerCount >= server.m_nPlayerLimit) return false;
  if (m_nMaxPing != 0 && server.m_nPingMs > m_nMaxPing) return false;
  if (m_bHidePassworded && server.m_bHasPassword) return false;
  if ((m_eSecureFilter == 1 && !server.m_bIsSecure) || (m_eSecureFilter == 2 && server.m_bIsSecure))
    return false;
  const size_t mapLength = strlen(m_szMapFilter);
  if (mapLength && V_strnicmp(server.GetMap(), m_szMapFilter, mapLength) != 0) return false;
  return true;
}

bool CBaseGamesPage::PassesQuickSearch(serverdisplay_t &display, const ServerRecord &server) {
  if (m_QuickSearch.Query().empty()) return true;
  if (display.m_iSearchSlot < 0) return m_QuickSearch.Set(display, server);
  return m_QuickSearch.Matches(display);
}

// What ReapplyFilters does, for the rows whose quick search match changed alone: the other filters
// judged the others when they last changed or the server last answered.
void CBaseGamesPage::ApplyQuickSearchFlips(const std::vector<CQuickSearchIndex::Flip> &flips) {
  // The entries lie apart in memory: each is asked for a few rows ahead of its turn.
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < flips.size(); ++i) {
    if (i + kAhead < flips.size()) __builtin_prefetch(flips[i + kAhead].row);
    const CQuickSearchIndex::Flip &flip = flips[i];
    serverdisplay_t &display = *flip.row;
    if (!flip.matches) {
      display.m_bFilteredOut = true;
      if (IsRowValid(display.m_iRowID)) m_pGameList->ShowItem(display.m_iRowID, false);
      continue;
    }
    const ServerRecord *server = GetServerRecord(display.m_iServerIndex);
    if (!server) continue;
    if (!PassesPrimaryFilters(*server) || !PassesSecondaryFilters(*server)) {
      display.m_bFilteredOut = true;
      if (IsRowValid(display.m_iRowID)) m_pGameList->ShowItem(display.m_iRowID, false);
    } else if (!IsRowValid(display.m_iRowID)) {
      display.m_bFilteredOut = false;
      ShowFilteredInRow(display, *server);
    } else if (display.m_bFilteredOut) {
      // Its data changes only with an answer, which replaces the row: its sort keys still hold.
      display.m_bFilteredOut = false;
      m_pGameList->ShowUnchangedItem(display.m_iRowID);
    }
  }
}

// ---- saved record and controls into fields

KeyValues *CBaseGamesPage::FilterSaveData() {
  CServerBrowserDialog *dialog = ServerBrowserDialog();
  return dialog ? dialog->GetFilterSaveData(GetName()) : nullptr;
}

void CBaseGamesPage::RestoreFilterSettings() {
  KeyValues *filter = FilterSaveData();
  // Without a main window there is nothing saved: the defaults come from an empty record.
  KeyValues *empty = filter ? nullptr : new KeyValues("Filter");
  KeyValues *record = filter ? filter : empty;

  CServerBrowserDialog *dialog = ServerBrowserDialog();
  if (dialog && dialog->GetActiveGameDirectory()) {
    V_strncpy(m_szGameDirFilter, dialog->GetActiveGameDirectory(), sizeof(m_szGameDirFilter));
    m_LimitToGame = dialog->GetActiveAppId();
  } else {
    V_strncpy(m_szGameDirFilter, record->GetString("game"), sizeof(m_szGameDirFilter));
    m_LimitToGame = record->GetUint64("appid");
  }
  V_strncpy(m_szMapFilter, record->GetString("map"), sizeof(m_szMapFilter));
  m_nMaxPing = record->GetInt("ping");
  m_bHideFull = record->GetBool("NoFull");
  m_bHideEmpty = record->GetBool("NoEmpty");
  m_bHidePassworded = record->GetBool("NoPassword");

  m_pSecureFilter->ActivateItemByRow(record->GetInt("Secure"));
  SelectGameInFilter();
  m_pMapFilter->SetText(m_szMapFilter);
  CopyWholeCharacters(m_szQuickSearch, record->GetString("search"), sizeof(m_szQuickSearch));
  m_pQuickSearch->SetText(m_szQuickSearch);
  if (m_nMaxPing != 0) {
    char ping[32];
    V_snprintf(ping, sizeof(ping), "< %d", m_nMaxPing);
    m_pPingFilter->SetText(ping);
  }
  m_pNoFullServersFilterCheck->SetSelected(m_bHideFull);
  m_pNoEmptyServersFilterCheck->SetSelected(m_bHideEmpty);
  m_pNoPasswordFilterCheck->SetSelected(m_bHidePassworded);
  LoadExtraFilterSettings(record);
  if (empty) empty->Destroy();

  UpdateFilterSettings();
}

void CBaseGamesPage::UpdateFilterSettings() {
  CServerBrowserDialog *dialog = ServerBrowserDialog();
  if (dialog && dialog->GetActiveGameDirectory()) {
    // The running game decides the game filter; the box only shows it.
    V_strncpy(m_szGameDirFilter, dialog->GetActiveGameDirectory(), sizeof(m_szGameDirFilter));
    m_LimitToGame = dialog->GetActiveAppId();
    UpdateFilterDescription();
    SelectGameInFilter();
  } else if (m_bGameBoxFilled) {
    ReadGameFilterFromBox();
  }
  V_strlower(m_szGameDirFilter);

  char map[31];
  CopyWholeCharacters(map, m_pMapFilter->GetText().c_str(), sizeof(map));
  V_strncpy(m_szMapFilter, map, sizeof(m_szMapFilter));
  V_strlower(m_szMapFilter);
  CopyWholeCharacters(m_szQuickSearch, m_pQuickSearch->GetText().c_str(), sizeof(m_szQuickSearch));

  m_nMaxPing = ReadPingLimit();
  m_bHideFull = m_pNoFullServersFilterCheck->IsSelected();
  m_bHideEmpty = m_pNoEmptyServersFilterCheck->IsSelected();
  m_bHidePassworded = m_pNoPasswordFilterCheck->IsSelected();
  m_eSecureFilter = SelectedSecureRow();

  RebuildFilterPairs();
  WriteFilterRecord();
  UpdateFilterDescription();

  // Last, so that a row the search brings back is judged by the other filters as they are now.
  std::vector<CQuickSearchIndex::Flip> flips;
  m_QuickSearch.SetQuery(FoldForSearch(std::string_view(m_szQuickSearch)), flips);
  ApplyQuickSearchFlips(flips);
}

void CBaseGamesPage::ReadGameFilterFromBox() {
  KeyValues *game = m_pGameFilter->GetActiveItemUserData();
  if (game && game->GetString("gamedir")[0]) {
    V_strncpy(m_szGameDirFilter, game->GetString("gamedir"), sizeof(m_szGameDirFilter));
    m_LimitToGame = game->GetUint64("appid");
  } else {
    m_LimitToGame = 0;
    m_szGameDirFilter[0] = 0;
  }
  m_pGameFilter->SetEnabled(true);
}

// The ping entries read "< 50" and so on: the limit starts at the third character. A shorter text
// (an emptied box, or anything typed into it) is no limit.
int CBaseGamesPage::ReadPingLimit() {
  char ping[256];
  V_strncpy(ping, m_pPingFilter->GetText().c_str(), sizeof(ping));
  if (strlen(ping) < 3) return 0;
  return LeadingNumber(ping + 2);
}

int CBaseGamesPage::SelectedSecureRow() {
  const int active = m_pSecureFilter->GetActiveItem();
  for (int row = 0; row < m_pSecureFilter->GetItemCount(); ++row) {
    if (m_pSecureFilter->GetItemIDFromRow(row) == active) return row;
  }
  return 0;
}

void CBaseGamesPage::AddFilterPair(const char *key, const char *value) {
  MatchMakingKeyValuePair_t pair{};
  V_strncpy(pair.m_szKey, key, sizeof(pair.m_szKey));
  V_strncpy(pair.m_szValue, value, sizeof(pair.m_szValue));
  m_vecServerFilters.push_back(pair);
}

// Only these filters travel with a request; the others act in the page alone.
void CBaseGamesPage::RebuildFilterPairs() {
  m_vecServerFilters.clear();
  if (m_szGameDirFilter[0] && AppIdOf(m_LimitToGame) != kAnyGameDirApp)
    AddFilterPair("gamedir", m_szGameDirFilter);
  if (m_bHideEmpty) AddFilterPair("empty", "1");
  if (m_bHideFull) AddFilterPair("full", "1");
  if (m_eSecureFilter == 1) AddFilterPair("secure", "1");
  char excluded[16];
  V_snprintf(excluded, sizeof(excluded), "%d", kExcludedApp);
  AddFilterPair("napp", excluded);
}

void CBaseGamesPage::WriteFilterRecord() {
  KeyValues *filter = FilterSaveData();
  if (!filter) return;
  CServerBrowserDialog *dialog = ServerBrowserDialog();
  // The running game's filter is not the user's choice: it is not saved.
  if (!dialog || !dialog->GetActiveGameDirectory()) {
    filter->SetString("game", m_szGameDirFilter);
    filter->SetUint64("appid", m_LimitToGame);
  }
  filter->SetString("map", m_szMapFilter);
  filter->SetInt("ping", m_nMaxPing);
  filter->SetInt("NoFull", m_bHideFull ? 1 : 0);
  filter->SetInt("NoEmpty", m_bHideEmpty ? 1 : 0);
  filter->SetInt("NoPassword", m_bHidePassworded ? 1 : 0);
  filter->SetInt("Secure", m_eSecureFilter);
  filter->SetString("search", m_szQuickSearch);
  SaveExtraFilterSettings(filter);
}

// ---- description

void CBaseGamesPage::UpdateFilterDescription() {
  static const char16_t kSeparator[] = u"; ";
  std::u16string text;
  if (m_szGameDirFilter[0]) {
    const char *gameName = ModList().GetModNameForGameID(m_LimitToGame);
    text += kgui::Utf8ToWide(gameName ? gameName : "");
    text += kSeparator;
  }
  if (m_eSecureFilter == 1) {
    text += LocalizedText("#ServerBrowser_FilterDescSecureOnly");
    text += kSeparator;
  } else if (m_eSecureFilter == 2) {
    text += LocalizedText("#ServerBrowser_FilterDescInsecureOnly");
    text += kSeparator;
  }
  if (m_nMaxPing != 0) {
    char limit[16];
    V_snprintf(limit, sizeof(limit), "%d", m_nMaxPing);
    text += LocalizedText("#ServerBrowser_FilterDescLatency");
    text += u" < ";
    text += kgui::Utf8ToWide(limit);
    text += kSeparator;
  }
  if (m_bHideFull) text += LocalizedText("#ServerBrowser_FilterDescNotFull") + kSeparator;
  if (m_bHideEmpty) text += LocalizedText("#ServerBrowser_FilterDescNotEmpty") + kSeparator;
  if (m_bHidePassworded) text += LocalizedText("#ServerBrowser_FilterDescNoPassword") + kSeparator;
  if (m_szMapFilter[0]) text += kgui::Utf8ToWide(m_szMapFilter);
  // Long game names and texts must not grow the line without bound.
  if (text.size() > kMaxDescriptionUnits) text.resize(kMaxDescriptionUnits);
  m_pFilterString->SetText(text.c_str());
  // The line may be cut where the row has no room for it: the tooltip tells it whole.
  m_pFilterString->GetTooltip()->SetText(kgui::WideToUtf8(text).c_str());
}

// ---- game box

void CBaseGamesPage::FillGameFilter() {
  if (m_bGameBoxFilled) return;
  CModList &mods = ModList();
  if (!mods.IsSorted()) mods.SortMods();
  for (int i = 0; i < mods.ModCount(); ++i) {
    KeyValues *game = new KeyValues("mod");
    game->SetString("gamedir", mods.GetModDir(i));
    game->SetUint64("appid", mods.GetAppID(i));
    const int itemID = m_pGameFilter->AddItem(mods.GetModName(i), game);
    game->Destroy();
    if (!V_stricmp(mods.GetModDir(i), m_szGameDirFilter)) m_pGameFilter->ActivateItem(itemID);
    m_mapGamesFilterItem[mods.GetAppID(i)] = itemID;
  }
  m_bGameBoxFilled = true;
  mods.AddKGUIListener(GetVPanel());
}

void CBaseGamesPage::SelectGameInFilter() {
  if (!m_bGameBoxFilled) return;
  const size_t filterLength = strlen(m_szGameDirFilter);
  bool found = false;
  for (int row = 0; row < m_pGameFilter->GetItemCount() && !found; ++row) {
    const int itemID = m_pGameFilter->GetItemIDFromRow(row);
    KeyValues *game = m_pGameFilter->GetItemUserData(itemID);
    if (!game) continue;
    const uint64 gameID = game->GetUint64("appID");
    const char *gameDir = game->GetString("gamedir");
    const bool gameMatches = gameID == m_LimitToGame || AppIdOf(m_LimitToGame) == 0;
    const size_t dirLength = strlen(gameDir);
    const bool dirMatches =
        filterLength == 0 || (dirLength > 0 && !strncmp(m_szGameDirFilter, gameDir, dirLength));
    if (!gameMatches || !dirMatches) continue;
    found = true;
    if (itemID != m_pGameFilter->GetActiveItem()) m_pGameFilter->ActivateItem(itemID);
  }
  if (!found && m_pGameFilter->GetActiveItem() != m_pGameFilter->GetItemIDFromRow(0))
    m_pGameFilter->ActivateItemByRow(0);

  CServerBrowserDialog *dialog = ServerBrowserDialog();
  if (dialog && dialog->GetActiveGameName()) {
    m_pGameFilter->SetEnabled(false);
    m_pGameFilter->SetText(dialog->GetActiveGameName());
  }
}

void CBaseGamesPage::OnLoadModList(uint64 nAppID) {
  if (!m_bGameBoxFilled) return;
  CModList &mods = ModList();
  const int iModIndex = mods.GetIndex(nAppID);
  Assert(iModIndex != -1);
  if (iModIndex == -1) return;

  KeyValues *game = new KeyValues("mod");
  game->SetString("gamedir", mods.GetModDir(iModIndex));
  game->SetUint64("appid", mods.GetAppID(iModIndex));
  auto known = m_mapGamesFilterItem.find(nAppID);
  if (known != m_mapGamesFilterItem.end()) {
    m_pGameFilter->UpdateItem(known->second, mods.GetModName(iModIndex), game);
  } else {
    const int itemID = m_pGameFilter->AddItem(mods.GetModName(iModIndex), game);
    m_mapGamesFilterItem[nAppID] = itemID;
    if (!V_stricmp(mods.GetModDir(iModIndex), m_szGameDirFilter)) m_pGameFilter->ActivateItem(itemID);
  }
  game->Destroy();

  SelectGameInFilter();
  UpdateFilterSettings();
}

// ---- filter edits

void CBaseGamesPage::OnButtonToggled(kgui::Panel *panel, int state) {
  if (panel == m_pFilter) {
    if (state) FillGameFilter();
    LoadLayoutFile();
  } else if (panel == m_pNoFullServersFilterCheck || panel == m_pNoEmptyServersFilterCheck ||
             panel == m_pNoPasswordFilterCheck) {
    OnTextChanged(panel, "");
  }
}

void CBaseGamesPage::OnTextChanged(kgui::Panel *panel, const char *text) {
  // Only our own boxes are compared: the pointer of a message is never dereferenced unchecked.
  kgui::ComboBox *box = nullptr;
  if (panel == m_pGameFilter || panel == m_pPingFilter || panel == m_pSecureFilter)
    box = static_cast<kgui::ComboBox *>(panel);
  if (box && text && !V_stricmp(text, m_szAllText)) box->SetText("");

  UpdateFilterSettings();
  // Only the quick search changed: UpdateFilterSettings showed and hid the rows it decides.
  if (panel == m_pQuickSearch)
    ShowFilteredRows();
  else
    ReapplyFilters();

  CServerBrowserDialog *dialog = ServerBrowserDialog();
  if (m_bFilterPanelShown && panel == m_pGameFilter && dialog && dialog->IsVisible()) {
    // A new game means a new list.
    CancelRefresh();
    GetNewServerList();
  }
}
