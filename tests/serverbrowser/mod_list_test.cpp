// The game list: what it keeps of each application, how it looks games up, its lazy sort, the
// application-data notification and its listeners.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"
#include "plexa/client_api.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "support/browser_fixture.h"
#include "tier0/validator.h"
#include "tier1/KeyValues.h"

namespace {

// A panel that records the game ids of the "LoadModList" messages it receives.
class ModListener : public kgui::Panel {
  DECLARE_CLASS_SIMPLE(ModListener, kgui::Panel);

 public:
  ModListener() : kgui::Panel(nullptr, "ModListener") {}
  std::vector<uint64> m_Received;

 private:
  void OnLoadModList(uint64 gameID) { m_Received.push_back(gameID); }
};

BEGIN_MESSAGE_MAP(ModListener, kgui::Panel)
MESSAGE_ENTRY("LoadModList", OnLoadModList, "nAppID")
END_MESSAGE_MAP()

class ModListTest : public BrowserTest {
 protected:
  void SetApp(AppId_t appId, const char *gameDir, const char *name, const char *gameID) {
    if (gameDir) m_Services.SetAppValue(appId, "gamedir", gameDir);
    if (name) m_Services.SetAppValue(appId, "serverbrowsername", name);
    if (gameID) m_Services.SetAppValue(appId, "gameid", gameID);
  }
  void AnnounceAppChange(AppId_t appId) {
    AppInfoChanged_t change{};
    change.m_nAppID = appId;
    m_Services.QueueCallback(change);
    ClientAPI_RunCallbacks();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < ModList().ModCount(); ++i) names.emplace_back(ModList().GetModName(i));
    return names;
  }
};

TEST_F(ModListTest, KeepsTheGameDirectoryAsAShortLowerCaseName) {
  const std::string longDir(80, 'D');
  const std::string longDirStored(63, 'd');
  struct Case {
    const char *gameDir;
    const char *expectedDir;  // null: the application is skipped
  };
  const Case cases[] = {
      {"Ashfall", "ashfall"},
      {"/opt/games/Ashfall", "ashfall"},
      {"/opt/games/Ember Reach/", "ember reach"},
      {"C:\\Games\\Tidewater", "tidewater"},
      {"mods/Saltmarsh", "mods/saltmarsh"},  // relative paths are kept whole
      {longDir.c_str(), longDirStored.c_str()},
      {"/", nullptr},
      {"", nullptr},
  };
  AppId_t appId = 300;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.gameDir);
    ++appId;
    SetApp(appId, c.gameDir, "Some Game", std::to_string(appId).c_str());
    const int index = ModList().AddModFromAppID(appId);
    if (!c.expectedDir) {
      EXPECT_EQ(index, -1);
      EXPECT_EQ(ModList().GetIndex(appId), -1);
      continue;
    }
    ASSERT_GE(index, 0);
    EXPECT_STREQ(ModList().GetModDir(index), c.expectedDir);
    EXPECT_EQ(ModList().GetAppID(index), appId);
  }
}

TEST_F(ModListTest, SkipsApplicationsWithIncompleteValues) {
  struct Case {
    const char *gameDir;
    const char *name;
    const char *gameID;
  };
  const Case cases[] = {
      {nullptr, "Ashfall", "400"}, {"ashfall", nullptr, "401"}, {"ashfall", "Ashfall", nullptr},
      {"ashfall", "Ashfall", ""},  {"ashfall", "", "404"},
  };
  AppId_t appId = 400;
  for (const Case &c : cases) {
    SetApp(appId, c.gameDir, c.name, c.gameID);
    EXPECT_EQ(ModList().AddModFromAppID(appId), -1) << "app " << appId;
    ++appId;
  }
  EXPECT_EQ(ModList().ModCount(), 0);
  EXPECT_TRUE(m_Spew.Asserts().empty());
}

TEST_F(ModListTest, CutsTheDisplayNameAndReadsLargeGameIds) {
  SetApp(500, "ashfall", std::string(100, 'N').c_str(), "9223372036854775807");
  const int index = ModList().AddModFromAppID(500);
  ASSERT_GE(index, 0);
  EXPECT_EQ(std::string(ModList().GetModName(index)), std::string(63, 'N'));
  EXPECT_EQ(ModList().GetAppID(index), 9223372036854775807ull);
}

TEST_F(ModListTest, ModIdsWithTheTopBitSetKeepTheirValueWrittenEitherWay) {
  // Two mods of application 640: their ids differ only above the signed range.
  SetApp(501, "redtide", "Red Tide", "10535140501739274880");    // 0x9234567801000280
  SetApp(502, "bluetide", "Blue Tide", "10535140506034242176");  // 0x9234567901000280
  SetApp(503, "greytide", "Grey Tide", "-7911603571970276736");  // 0x9234567801000280 signed
  const int red = ModList().AddModFromAppID(501);
  const int blue = ModList().AddModFromAppID(502);
  ASSERT_GE(red, 0);
  ASSERT_GE(blue, 0);
  EXPECT_NE(red, blue) << "distinct mods are distinct entries";
  EXPECT_EQ(ModList().GetAppID(red), 0x9234567801000280ull);
  EXPECT_EQ(ModList().GetAppID(blue), 0x9234567901000280ull);
  EXPECT_TRUE(ModList().HasApp(640));

  // The same id written signed is the same game.
  EXPECT_EQ(ModList().AddModFromAppID(503), red);
  EXPECT_STREQ(ModList().GetModName(red), "Grey Tide");
  EXPECT_EQ(ModList().ModCount(), 2);
}

TEST_F(ModListTest, IsBuiltFromEveryListedApplicationOnFirstUse) {
  SetApp(220, "Ember", "Ember Reach", "220");
  SetApp(240, "ashfall", "Ashfall", "240");
  SetApp(260, "ashfall", nullptr, "260");  // incomplete: left out
  EXPECT_EQ(Names(), (std::vector<std::string>{"Ember Reach", "Ashfall"}));
  EXPECT_STREQ(ModList().GetModDir(0), "ember");
  EXPECT_FALSE(ModList().IsSorted());
}

TEST_F(ModListTest, StaysEmptyWithoutServicesUntilApplicationDataArrives) {
  SetApp(240, "ashfall", "Ashfall", "240");
  m_Services.Unbind();
  EXPECT_EQ(ModList().ModCount(), 0);
  m_Services.Bind();
  AnnounceAppChange(240);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Ashfall"}));
}

TEST_F(ModListTest, ApplicationsSharingAGameIdMakeOneEntryWithTheLaterValues) {
  SetApp(700, "ashfall", "Ashfall", "700");
  SetApp(701, "ashfall_beta", "Ashfall Beta", "700");
  EXPECT_EQ(ModList().ModCount(), 1);
  EXPECT_STREQ(ModList().GetModName(0), "Ashfall Beta");
  EXPECT_STREQ(ModList().GetModDir(0), "ashfall_beta");
  EXPECT_EQ(ModList().GetAppID(0), 700u);
}

TEST_F(ModListTest, LooksGamesUpByGameIdAndByApplication) {
  const uint64 modGameID = (uint64{0x8000ABCD} << 32) | (uint64{1} << 24) | 500;
  SetApp(500, "ashfall", "Ashfall", std::to_string(static_cast<int64>(modGameID)).c_str());
  SetApp(510, "ember", "Ember Reach", "510");
  CModList &mods = ModList();
  EXPECT_EQ(mods.GetIndex(modGameID), 0);
  EXPECT_EQ(mods.GetIndex(510), 1);
  EXPECT_EQ(mods.GetIndex(500), -1);  // the whole 64 bits must match
  EXPECT_EQ(mods.GetIndex(999), -1);
  EXPECT_TRUE(mods.HasApp(500));  // only the low 24 bits count
  EXPECT_TRUE(mods.HasApp(510));
  EXPECT_FALSE(mods.HasApp(501));
  EXPECT_FALSE(mods.HasApp((1u << 24) | 500));
  EXPECT_STREQ(mods.GetModNameForGameID(modGameID), "Ashfall");
  // Indices outside the list read as nothing.
  EXPECT_STREQ(mods.GetModName(2), "");
  EXPECT_STREQ(mods.GetModDir(-1), "");
  EXPECT_EQ(mods.GetAppID(7), 0u);
}

TEST_F(ModListTest, SortsByNameIgnoringCaseOnceUntilAGameIsAppended) {
  SetApp(1, "c", "cinder Vale", "1");
  SetApp(2, "a", "Ashfall", "2");
  SetApp(3, "b", "BRACKEN", "3");
  CModList &mods = ModList();
  mods.SortMods();
  EXPECT_TRUE(mods.IsSorted());
  EXPECT_EQ(Names(), (std::vector<std::string>{"Ashfall", "BRACKEN", "cinder Vale"}));

  // A refreshed game keeps its place and the sorted flag, even when its name changes.
  SetApp(2, "a", "Zephyr", "2");
  AnnounceAppChange(2);
  EXPECT_TRUE(mods.IsSorted());
  mods.SortMods();
  EXPECT_EQ(Names(), (std::vector<std::string>{"Zephyr", "BRACKEN", "cinder Vale"}));

  SetApp(4, "d", "amber Coast", "4");
  AnnounceAppChange(4);
  EXPECT_FALSE(mods.IsSorted());
  EXPECT_EQ(Names().back(), "amber Coast");
  mods.SortMods();
  EXPECT_EQ(Names(), (std::vector<std::string>{"amber Coast", "BRACKEN", "cinder Vale", "Zephyr"}));
}

TEST_F(ModListTest, NamesAnUnknownGameAfterTheActiveGameOnlyWhenItHasADirectory) {
  EXPECT_STREQ(ModList().GetModNameForGameID(4242), "");  // no main window at all
  CServerBrowserDialog *mainWindow = MakeMainWindow();
  struct Case {
    const char *directory;
    const char *game;
    const char *expected;
  };
  const Case cases[] = {
      {"saltmarsh", "Saltmarsh Siege", "Saltmarsh Siege"},
      {"", "Saltmarsh Siege", ""},  // a name without a directory is not an active game
      {"saltmarsh", "", ""},        // the directory alone has no name to give
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.directory);
    KeyValuesAD message(new KeyValues("ActiveGameName"));
    message->SetString("name", c.directory);
    message->SetString("game", c.game);
    kgui::ipanel()->SendMessage(mainWindow->GetVPanel(), message.get(), kgui::NULL_PANEL);
    EXPECT_STREQ(ModList().GetModNameForGameID(4242), c.expected);
  }
}

TEST_F(ModListTest, TellsEveryLiveListenerAboutAddedAndChangedGames) {
  auto *first = new ModListener;
  auto *second = new ModListener;
  auto *gone = new ModListener;
  ModList().AddKGUIListener(first->GetVPanel());
  ModList().AddKGUIListener(gone->GetVPanel());
  ModList().AddKGUIListener(second->GetVPanel());
  delete gone;

  SetApp(240, "ashfall", "Ashfall", "240");
  AnnounceAppChange(240);
  SetApp(240, "ashfall", "Ashfall Remade", "240");
  AnnounceAppChange(240);
  EXPECT_EQ(first->m_Received, (std::vector<uint64>{240, 240}));
  EXPECT_EQ(second->m_Received, first->m_Received);
  EXPECT_STREQ(ModList().GetModName(0), "Ashfall Remade");

  // Unavailable or incomplete applications change nothing and tell nobody.
  SetApp(250, "ember", "Ember Reach", "250");
  m_Services.m_UnavailableApps.insert(250);
  AnnounceAppChange(250);
  SetApp(260, "cinder", nullptr, "260");
  AnnounceAppChange(260);
  EXPECT_EQ(ModList().ModCount(), 1);
  EXPECT_EQ(first->m_Received.size(), 2u);
  delete first;
  delete second;
}

TEST_F(ModListTest, UsesOnlyTheFirst1024ListedApplications) {
  for (AppId_t appId = 1; appId <= 1030; ++appId) {
    const std::string text = std::to_string(appId);
    SetApp(appId, ("dir" + text).c_str(), ("Game " + text).c_str(), text.c_str());
  }
  EXPECT_EQ(ModList().ModCount(), 1024);
  EXPECT_EQ(ModList().GetIndex(1024), 1023);
  EXPECT_EQ(ModList().GetIndex(1025), -1);
  EXPECT_TRUE(m_Spew.Contains("nNumApps"));
}

TEST_F(ModListTest, ValidationReportsBothArrays) {
  SetApp(240, "ashfall", "Ashfall", "240");
  CValidator validator;
  ModList().Validate(validator);
  std::string scopes;
  for (const std::string &scope : validator.Scopes()) scopes += scope + "\n";
  EXPECT_NE(scopes.find("m_ModList"), std::string::npos) << scopes;
  EXPECT_NE(scopes.find("m_KGUIListeners"), std::string::npos) << scopes;
  EXPECT_EQ(validator.Depth(), 0);
}

}  // namespace
