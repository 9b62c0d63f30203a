#include "plexa_fixture.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "plexa/client_api.h"
#include "plexa/iclientmatchmakingservers.h"
#include "tier1/interface.h"

std::string BinDir() {
  const char *dir = getenv("SB_BIN_DIR");
  return dir ? dir : ".";
}

std::string ServicesConfigPath() {
  const char *path = getenv("PLEXA_CLIENT_CONFIG");
  return path ? path : "plexaclient.vdf";
}

void WriteServicesConfig(const std::string &text) {
  WriteWholeFile(ServicesConfigPath(), text);
}

std::string BoundModulePath() {
  Dl_info info{};
  if (!ClientEngine() || !dladdr(static_cast<void *>(ClientEngine()), &info) || !info.dli_fname) return "";
  return info.dli_fname;
}

IPlexaClientControl *ServicesControl() {
  CreateInterfaceFn factory = Sys_GetFactory(ClientModule());
  return factory ? static_cast<IPlexaClientControl *>(factory(PLEXACLIENTCONTROL_INTERFACE_VERSION, nullptr))
                 : nullptr;
}

int DeadPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

void CListRecorder::OnServerAnswered(ListRequestHandle request, int index) {
  m_Requests.push_back(request);
  m_Events.push_back("answered " + std::to_string(index));
  const ServerRecord *record = ClientMatchmakingServers()->GetListServerRecord(request, index);
  m_Names.push_back(record ? record->GetName() : "(no record)");
  if (m_Action) m_Action();
}

void CListRecorder::OnServerSilent(ListRequestHandle request, int index) {
  m_Requests.push_back(request);
  m_Events.push_back("silent " + std::to_string(index));
  const ServerRecord *record = ClientMatchmakingServers()->GetListServerRecord(request, index);
  m_Names.push_back(record ? record->GetName() : "(no record)");
  if (m_Action) m_Action();
}

void CListRecorder::OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) {
  m_Requests.push_back(request);
  m_Events.push_back("done " + std::to_string(outcome));
  if (m_Action) m_Action();
}

void CPingRecorder::OnPingAnswered(const ServerRecord &server) {
  m_Events.push_back(std::string("answered ") + server.GetName() + " " + std::to_string(server.m_nPingMs));
  m_Last = server;
}

void CPlayersRecorder::OnPlayer(const char *name, int score, float timePlayed) {
  m_Events.push_back(std::string(name) + " " + std::to_string(score) + " " +
                     std::to_string(static_cast<int>(timePlayed)));
  if (m_Action) m_Action();
}

CNotificationRecorder::CNotificationRecorder()
    : m_Favorites(this, &CNotificationRecorder::OnFavorites),
      m_Persona(this, &CNotificationRecorder::OnPersona),
      m_Presence(this, &CNotificationRecorder::OnPresence),
      m_AppInfo(this, &CNotificationRecorder::OnAppInfo) {}

void CNotificationRecorder::OnFavorites(FavoritesListChanged_t *change) {
  const uint32 ip = change->m_nIP;
  m_Events.push_back("502 " + std::string(change->m_bAdd ? "add " : "remove ") + std::to_string(ip >> 24) +
                     "." + std::to_string((ip >> 16) & 0xFF) + "." + std::to_string((ip >> 8) & 0xFF) + "." +
                     std::to_string(ip & 0xFF) + ":" + std::to_string(change->m_nConnPort & 0xFFFF) + "/" +
                     std::to_string(change->m_nQueryPort & 0xFFFF) + " flags " +
                     std::to_string(change->m_nFlags));
}

void CNotificationRecorder::OnPersona(PersonaStateChange_t *change) {
  m_Events.push_back("304 " + std::to_string(change->m_ulPlexaID) + " " +
                     std::to_string(change->m_nChangeFlags));
}

void CNotificationRecorder::OnPresence(FriendRichPresenceUpdate_t *change) {
  m_Events.push_back("336 " + std::to_string(change->m_PlexaIDFriend) + " " +
                     std::to_string(change->m_nAppID));
}

void CNotificationRecorder::OnAppInfo(AppInfoChanged_t *change) {
  m_Events.push_back("1001 " + std::to_string(change->m_nAppID));
}

void PlexaWorldTest::SetUp() {
  Plat_SetClockOverride(true, 1000.0);
  m_UserDir = m_Scratch.File("user");
  unlink(ClientAPI_ActiveProcessPath().c_str());
}

void PlexaWorldTest::TearDown() {
  ClientAPI_Shutdown();
  Plat_SetClockOverride(false);
}

void PlexaWorldTest::Bind(const std::string &worldBody, const std::string &userBody) {
  WriteServicesConfig("\"PlexaClient\"\n{\n\"user\" { \"configfolder\" \"" + m_UserDir + "\" " + userBody +
                      " }\n" + worldBody + "\n}\n");
  ASSERT_TRUE(ClientAPI_Init());
}

void PlexaWorldTest::Frame(double seconds) {
  if (seconds > 0.0) Plat_AdvanceClock(seconds);
  ClientAPI_RunCallbacks();
}
