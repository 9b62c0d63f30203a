// The games that have servers: display name, game directory and game id of each application the
// services describe, kept current through the application-data notification. Pages that show a
// game filter listen for "LoadModList".
#pragma once

#include <vector>

#include "kgui/kgui.h"
#include "plexa/callbacktypes.h"
#include "plexa/ccallback.h"
#include "tier0/platform.h"

class CValidator;

struct mod_t {
  char description[64];  // "serverbrowsername"
  char gamedir[64];      // "gamedir", last path component, lower case
  uint64 m_GameID;       // "gameid"
  uint32 m_nAppID;
};

class CModList {
 public:
  CModList();
  ~CModList();
  CModList(const CModList &) = delete;
  CModList &operator=(const CModList &) = delete;

  int ModCount() const { return static_cast<int>(m_ModList.size()); }
  const char *GetModName(int index) const;
  const char *GetModDir(int index) const;
  uint64 GetAppID(int index) const;
  // Index of the game with exactly that game id, or -1.
  int GetIndex(uint64 gameID) const;
  // That game's display name; else the main window's active game name when it knows an active
  // game directory; else "".
  const char *GetModNameForGameID(uint64 gameID) const;
  // True when a game's id carries that application id in its low 24 bits.
  bool HasApp(uint32 appID) const;
  // Listeners receive "LoadModList" with "nAppID" for every added or changed game. Held weakly: a
  // deleted listener is skipped.
  void AddKGUIListener(kgui::VPANEL panel);
  // By display name ignoring case; once until a new game is appended.
  void SortMods();
  bool IsSorted() const { return m_bSorted; }

  // Reads the application's values; the entry's index, or -1 when they are incomplete.
  int AddModFromAppID(uint32 appID);

  void Validate(CValidator &validator);

 private:
  PLEXA_CALLBACK(CModList, OnAppDataChanged, AppInfoChanged_t, m_CallbackAppDataChanged);
  void SendLoadModList(uint64 gameID);

  bool m_bSorted = false;
  std::vector<mod_t> m_ModList;
  std::vector<kgui::HPanel> m_KGUIListeners;
};

// The one list, built on first use, freed when the library unloads.
CModList &ModList();
// Test seam: frees the list so the next ModList() builds it afresh.
void ModList_Reset();
