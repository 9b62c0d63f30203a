// The browser in the real host with the services stand-in on a small world: runs of `kgui-host`
// driven by scripts, and readers of the panel dumps they write.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tier1/KeyValues.h"

class BrowserEndToEndTest : public ::testing::Test {
 protected:
  // The tab pages' panel names, in tab order.
  static constexpr const char *kInternet = "InternetGames";
  static constexpr const char *kFavorites = "FavoriteGames";
  static constexpr const char *kHistory = "HistoryGames";
  static constexpr const char *kSpectate = "SpectateGames";
  static constexpr const char *kLan = "LanGames";
  static constexpr const char *kFriends = "FriendsGames";

  // Writes the suite's world with the user folder of this test.
  BrowserEndToEndTest();

  // Runs the host with the browser and the services on `script` (and `options` before the module);
  // the exit status.
  int RunHost(const std::string &script, const std::vector<std::string> &options = {});
  // Replaces the world file with `world` ("@USERDIR@" stands for the user folder).
  void WriteWorld(std::string world);
  std::string File(const std::string &name) const { return m_Dir.File(name); }

  // ---- dumps (and other key/value files of the test folder), read once each
  KeyValues *Load(const std::string &name);
  static KeyValues *FindPanel(KeyValues *panels, const char *name);
  // A page's list block in a dump, or null.
  KeyValues *List(const std::string &dump, const char *page);
  // A page's shown rows in display order, each as its cells of `columns` joined by " ".
  std::vector<std::string> Rows(const std::string &dump, const char *page,
                                const std::vector<const char *> &columns = {"Name", "Ping"});
  // The "Name" of every selected row of a page's list.
  std::vector<std::string> Selected(const std::string &dump, const char *page);
  // The text of a named panel of a page ("<none>" when it has none).
  std::string TextOf(const std::string &dump, const char *page, const char *panelName);
  KeyValues *Column(const std::string &dump, const char *page, const char *columnName);
  // The list's empty text as the dump shows it ("" when rows show).
  std::string EmptyText(const std::string &dump, const char *page);
  // "X Y" of the middle of the name cell of row `row` of the lists, read from a dump of the
  // Internet page (every page places its list alike).
  std::string RowPoint(const std::string &dump, int row);
  // Script lines that select the tab of `page` and give it `frames` frames (the tabs are laid out
  // once the host has run a few frames: start a script with a wait).
  static std::string ShowTab(const char *page, int frames = 60);

  TempDir m_Dir;
  std::string m_Output;

 private:
  std::vector<KeyValuesAD> m_Files;
  std::vector<std::string> m_FileNames;
};
