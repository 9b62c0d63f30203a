// The host's game launcher: status codes, the command it starts, and whether the game runs.
#include "host/app/game_launcher.h"
#include "tests/host/host_fixture.h"

#include <chrono>
#include <thread>

namespace kguihost {
namespace {

CHostConfig ConfigFrom(const char *text) {
  CHostConfig config;
  KeyValuesAD root(new KeyValues("HostConfig"));
  EXPECT_TRUE(root->LoadFromBuffer("config", text));
  std::string error;
  EXPECT_TRUE(config.Apply(root.get(), error)) << error;
  return config;
}

TEST(SplitCommandLine, SplitsAtSpacesAndKeepsQuotedWords) {
  struct Case {
    const char *text;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"fakegame -game ironclad", {"fakegame", "-game", "ironclad"}},
      {"  a   b\t", {"a", "b"}},
      {"\"two words\" x", {"two words", "x"}},
      {"a\\ b \"\"", {"a b", ""}},
      {"+connect 10.0.0.1:27015 +password \"p w\"", {"+connect", "10.0.0.1:27015", "+password", "p w"}},
      {"$(rm -rf x);`y`", {"$(rm", "-rf", "x);`y`"}},
      {"", {}},
  };
  for (const Case &c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.words) << c.text;
}

TEST(GameLauncher, StatusCodesFollowTheCatalogue) {
  CHostConfig none;
  CGameLauncher uninitialised(none, "");
  EXPECT_EQ(uninitialised.LaunchGame(1002, "ironclad", "+connect 1.2.3.4:27015"), k_ELaunchGameNotInitialised);

  CHostConfig config = ConfigFrom(R"("HostConfig" { "Games" {
      "1002" { "gamedir" "ironclad" "command" "" }
      "1200" { "gamedir" "missing" "command" "/no/such/program --flag" } } })");
  CGameLauncher launcher(config, "");
  EXPECT_EQ(launcher.LaunchGame(1002, "ironclad", ""), k_ELaunchGameModNotInstalled);
  EXPECT_EQ(launcher.LaunchGame(1200, "missing", ""), k_ELaunchGameModNotInstalled);
  EXPECT_EQ(launcher.LaunchGame(999, "other", ""), k_ELaunchGameAppNotFound);
  EXPECT_FALSE(launcher.IsGameRunning(1002, "ironclad"));
}

TEST(GameLauncher, StartsTheConfiguredGameWithTheModulesCommandLine) {
  TempDir dir;
  std::string record = dir.File("args.txt");
  std::string text = "\"HostConfig\" { \"Games\" { \"1002\" { \"gamedir\" \"ironclad\" \"command\" \"fakegame --record " +
                     record + " -game ironclad\" } } }";
  CHostConfig config = ConfigFrom(text.c_str());
  CGameLauncher launcher(config, BinPath(""));
  EXPECT_EQ(launcher.BuildArguments(config.Games()[0], "+connect 1.2.3.4:27015")[0], BinPath("") + "/fakegame");

  ASSERT_EQ(launcher.LaunchGame(1002, "ironclad", "+connect 1.2.3.4:27015 +password \"a b\""), k_ELaunchGameStarted);
  EXPECT_TRUE(launcher.IsGameRunning(1002, "ironclad"));
  EXPECT_FALSE(launcher.IsGameRunning(1200, "other"));
  std::string recorded;
  for (int i = 0; i < 500 && recorded.empty(); ++i) {
    recorded = ReadWholeFile(record);
    if (recorded.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));  // another process
  }
  EXPECT_EQ(recorded, "-game ironclad +connect 1.2.3.4:27015 +password a b\n");

  launcher.CloseGames();
  EXPECT_FALSE(launcher.IsGameRunning(1002, "ironclad"));
}

TEST(HostConfig, RejectsApplicationIdsThatAreNotNumbers) {
  for (const char *id : {"abc", "0", "4294967296", "12x"}) {
    CHostConfig config;
    KeyValuesAD root(new KeyValues("HostConfig"));
    std::string text = std::string("\"HostConfig\" { \"Games\" { \"") + id + "\" { \"command\" \"x\" } } }";
    ASSERT_TRUE(root->LoadFromBuffer("config", text.c_str()));
    std::string error;
    EXPECT_FALSE(config.Apply(root.get(), error)) << id;
    EXPECT_NE(error.find("application id"), std::string::npos);
  }
}

TEST(HostConfig, StartMessagesAreCopiesInFileOrder) {
  CHostConfig config = ConfigFrom(R"("HostConfig" { "Messages" {
      "ActiveGameName" { "game" "Ironclad Skies" "name" "ironclad" "appid" "1002" }
      "ConnectedToGame" { "ip" "16777343" "connectionport" "27015" "queryport" "27015" } } })");
  std::vector<KeyValues *> first = config.MakeStartMessages();
  std::vector<KeyValues *> second = config.MakeStartMessages();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_STREQ(first[0]->GetName(), "ActiveGameName");
  EXPECT_STREQ(first[0]->GetString("game"), "Ironclad Skies");
  EXPECT_EQ(first[1]->GetInt("ip"), 16777343);
  EXPECT_NE(first[0], second[0]);
  for (KeyValues *message : first) message->Destroy();
  for (KeyValues *message : second) message->Destroy();
  EXPECT_TRUE(CHostConfig().MakeStartMessages().empty());
}

}  // namespace
}  // namespace kguihost
