// Shared pieces of the suites that bind the services: scratch configuration, the module's control
// face, and recording response objects and notification handlers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "plexa/ccallback.h"
#include "plexa/iplexaclientcontrol.h"
#include "plexa/matchmakingresponses.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

// Folder of the build's binaries.
std::string BinDir();
// Writes the stand-in's configuration file ($PLEXA_CLIENT_CONFIG).
void WriteServicesConfig(const std::string &text);
std::string ServicesConfigPath();
// The file the bound engine lives in, or "".
std::string BoundModulePath();
// The stand-in's control face, or null when no stand-in is bound.
IPlexaClientControl *ServicesControl();
// A process id that no longer runs.
int DeadPid();

// Records list answers as text ("answered 3", "silent 1", "done 0"), with the record's name at
// the time of the answer.
class CListRecorder final : public IPlexaMatchmakingServerListResponse {
 public:
  void OnServerAnswered(ListRequestHandle request, int index) override;
  void OnServerSilent(ListRequestHandle request, int index) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

  std::vector<std::string> m_Events;
  std::vector<std::string> m_Names;  // per answer, the name accessor's text
  std::vector<ListRequestHandle> m_Requests;
  bool Done() const { return !m_Events.empty() && m_Events.back().rfind("done", 0) == 0; }
  // Called after each event, for responses that act during delivery.
  std::function<void()> m_Action;
};

class CPingRecorder final : public IPlexaMatchmakingPingResponse {
 public:
  void OnPingAnswered(const ServerRecord &server) override;
  void OnPingSilent() override { m_Events.push_back("silent"); }
  std::vector<std::string> m_Events;
  ServerRecord m_Last{};
};

class CPlayersRecorder final : public IPlexaMatchmakingPlayersResponse {
 public:
  void OnPlayer(const char *name, int score, float timePlayed) override;
  void OnPlayersSilent() override { m_Events.push_back("silent"); }
  void OnPlayersDone() override { m_Events.push_back("done"); }
  std::vector<std::string> m_Events;
  std::function<void()> m_Action;
};

// Every notification the browser handles, as text ("502 add 10.0.0.5:27015/27016 flags 1").
class CNotificationRecorder {
 public:
  CNotificationRecorder();
  std::vector<std::string> m_Events;

 private:
  void OnFavorites(FavoritesListChanged_t *change);
  void OnPersona(PersonaStateChange_t *change);
  void OnPresence(FriendRichPresenceUpdate_t *change);
  void OnAppInfo(AppInfoChanged_t *change);
  CCallback<CNotificationRecorder, FavoritesListChanged_t> m_Favorites;
  CCallback<CNotificationRecorder, PersonaStateChange_t> m_Persona;
  CCallback<CNotificationRecorder, FriendRichPresenceUpdate_t> m_Presence;
  CCallback<CNotificationRecorder, AppInfoChanged_t> m_AppInfo;
};

// Binds the stand-in on a world given as text, on the test clock; unbinds afterwards.
class PlexaWorldTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes the world (its user's configuration folder is m_UserDir, more user keys in `userBody`)
  // and binds.
  void Bind(const std::string &worldBody, const std::string &userBody = "");
  // Advances the test clock, then runs one frame of the pump.
  void Frame(double seconds = 0.0);
  // Runs frames `step` seconds apart until `done` holds (at most `limit` frames).
  template <class Pred>
  void FramesUntil(Pred done, double step = 0.01, int limit = 2000) {
    for (int i = 0; i < limit && !done(); ++i) Frame(step);
  }

  TempDir m_Scratch;
  std::string m_UserDir;
};
