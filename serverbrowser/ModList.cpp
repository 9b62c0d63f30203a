#include "serverbrowser/ModList.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientapps.h"
#include "plexa/iclientuser.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "tier0/dbg.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"

namespace {

// Freed by its destructor when the library unloads.
std::unique_ptr<CModList> g_pModList;

bool IsPathSeparator(char c) {
  return c == '/' || c == '\\';
}

// "/", "\" and drive-letter paths ("C:\...") count as absolute: the catalogue may carry either form.
bool IsAbsolutePath(const char *path) {
  if (IsPathSeparator(path[0])) return true;
  const bool driveLetter = (path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z');
  return driveLetter && path[1] == ':';
}

// The last component of an absolute path, ignoring trailing separators; other values unchanged.
void CopyGameDir(const char *value, char *dir, size_t dirSize) {
  if (!IsAbsolutePath(value)) {
    V_strncpy(dir, value, dirSize);
    return;
  }
  size_t end = strlen(value);
  while (end > 0 && IsPathSeparator(value[end - 1])) --end;
  size_t start = end;
  while (start > 0 && !IsPathSeparator(value[start - 1]) && value[start - 1] != ':') --start;
  const size_t length = std::min(end - start, dirSize - 1);
  memcpy(dir, value + start, length);
  dir[length] = '\0';
}

// The game id of a "gameid" text. Signed decimal as a rule; a text beyond the signed range (a mod's
// id with its top bit set, written unsigned) is read unsigned rather than clamped, so that two such
// games never collapse into one entry.
uint64 ParseGameID(const char *text) {
  bool overflow = false;
  const int64 value = V_StringToInt64(text, nullptr, &overflow);
  return overflow ? V_StringToUint64(text, nullptr, nullptr) : static_cast<uint64>(value);
}

// True when the application has a value for `key`; the catalogue answers 0 (or less) for none.
bool ReadAppValue(IClientApps *apps, uint32 appID, const char *key, char *buffer, int32 size) {
  buffer[0] = '\0';
  return apps->ReadAppValue(appID, key, buffer, size) > 0;
}

}  // namespace

CModList &ModList() {
  if (!g_pModList) g_pModList = std::make_unique<CModList>();
  return *g_pModList;
}

void ModList_Reset() {
  g_pModList.reset();
}

CModList::CModList() {
  IClientApps *apps = ClientApps();
  if (!apps) return;
  AppId_t vecApps[1024];
  const uint32 nNumApps = apps->ListAppIds(vecApps, static_cast<uint32>(std::size(vecApps)));
  Assert(nNumApps <= std::size(vecApps));
  const uint32 count = std::min<uint32>(nNumApps, static_cast<uint32>(std::size(vecApps)));
  for (uint32 i = 0; i < count; ++i) {
    const int index = AddModFromAppID(vecApps[i]);
    if (index >= 0) SendLoadModList(m_ModList[static_cast<size_t>(index)].m_GameID);
  }
}

CModList::~CModList() = default;

const char *CModList::GetModName(int index) const {
  return (index >= 0 && index < ModCount()) ? m_ModList[static_cast<size_t>(index)].description : "";
}

const char *CModList::GetModDir(int index) const {
  return (index >= 0 && index < ModCount()) ? m_ModList[static_cast<size_t>(index)].gamedir : "";
}

uint64 CModList::GetAppID(int index) const {
  return (index >= 0 && index < ModCount()) ? m_ModList[static_cast<size_t>(index)].m_GameID : 0;
}

int CModList::GetIndex(uint64 gameID) const {
  for (size_t i = 0; i < m_ModList.size(); ++i) {
    if (m_ModList[i].m_GameID == gameID) return static_cast<int>(i);
  }
  return -1;
}

const char *CModList::GetModNameForGameID(uint64 gameID) const {
  const int index = GetIndex(gameID);
  if (index >= 0) return GetModName(index);
  // A game the catalogue does not describe is named as the host named the running game.
  CServerBrowserDialog *mainWindow = ServerBrowserDialog();
  if (mainWindow && mainWindow->GetActiveGameDirectory()) {
    const char *name = mainWindow->GetActiveGameName();
    return name ? name : "";
  }
  return "";
}

bool CModList::HasApp(uint32 appID) const {
  return std::any_of(m_ModList.begin(), m_ModList.end(),
                     [appID](const mod_t &mod) { return (mod.m_GameID & 0xFFFFFFu) == appID; });
}

void CModList::AddKGUIListener(kgui::VPANEL panel) {
  kgui::IKGui *gui = kgui::ikgui();
  if (gui) m_KGUIListeners.push_back(gui->PanelToHandle(panel));
}

void CModList::SortMods() {
  if (m_bSorted) return;
  std::sort(m_ModList.begin(), m_ModList.end(),
            [](const mod_t &a, const mod_t &b) { return V_stricmp(a.description, b.description) < 0; });
  m_bSorted = true;
}

int CModList::AddModFromAppID(uint32 appID) {
  IClientApps *apps = ClientApps();
  if (!apps) return -1;
  char gameDir[255];
  char name[255];
  char gameIDText[128];
  if (!ReadAppValue(apps, appID, "gamedir", gameDir, sizeof(gameDir)) ||
      !ReadAppValue(apps, appID, "serverbrowsername", name, sizeof(name)) ||
      !ReadAppValue(apps, appID, "gameid", gameIDText, sizeof(gameIDText)) || !gameIDText[0])
    return -1;
  const uint64 gameID = ParseGameID(gameIDText);
  char storedDir[sizeof(mod_t::gamedir)];
  CopyGameDir(gameDir, storedDir, sizeof(storedDir));
  // A path of separators only names no directory: as incomplete as an empty value.
  if (!storedDir[0] || !name[0]) return -1;

  int index = GetIndex(gameID);
  if (index < 0) {
    // An appended game may break the name order.
    m_bSorted = false;
    m_ModList.push_back(mod_t{});
    index = ModCount() - 1;
  }
  mod_t &mod = m_ModList[static_cast<size_t>(index)];
  V_strncpy(mod.gamedir, storedDir, sizeof(mod.gamedir));
  V_strlower(mod.gamedir);
  V_strncpy(mod.description, name, sizeof(mod.description));
  mod.m_GameID = gameID;
  mod.m_nAppID = appID;
  return index;
}

void CModList::OnAppDataChanged(AppInfoChanged_t *pParam) {
  IClientUser *user = ClientUser();
  if (!pParam || !user || !user->IsAppAvailable(pParam->m_nAppID)) return;
  const int index = AddModFromAppID(pParam->m_nAppID);
  if (index < 0) return;
  SendLoadModList(m_ModList[static_cast<size_t>(index)].m_GameID);
}

void CModList::SendLoadModList(uint64 gameID) {
  kgui::IKGui *gui = kgui::ikgui();
  kgui::IPanel *panels = kgui::ipanel();
  if (!gui || !panels || m_KGUIListeners.empty()) return;
  KeyValuesAD message(new KeyValues("LoadModList", "nAppID", gameID));
  // By index: a listener's handler may register another listener.
  for (size_t i = 0; i < m_KGUIListeners.size(); ++i) {
    const kgui::VPANEL target = gui->HandleToPanel(m_KGUIListeners[i]);
    if (target) panels->SendMessage(target, message.get(), kgui::NULL_PANEL);
  }
}

void CModList::Validate(CValidator &validator) {
  validator.Push("CModList", this, "ModList");
  validator.Push("CUtlVector<mod_t>", &m_ModList, "m_ModList");
  if (m_ModList.data()) validator.ClaimArrayMemory(m_ModList.data());
  validator.Pop();
  validator.Push("CUtlVector<VPANEL>", &m_KGUIListeners, "m_KGUIListeners");
  if (m_KGUIListeners.data()) validator.ClaimArrayMemory(m_KGUIListeners.data());
  validator.Pop();
  validator.Pop();
}
