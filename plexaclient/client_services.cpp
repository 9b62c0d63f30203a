#include "plexaclient/client_services.h"

#include <sys/stat.h>

#include <cstring>

#include "plexa/callbacktypes.h"
#include "tier0/dbg.h"

namespace {

// The global user: every pipe attaches the same logged-on user.
constexpr HPlexaUser kGlobalUser = 1;
constexpr double kConfigCheckInterval = 1.0;

bool SameApp(const SimApp &a, const SimApp &b) {
  return a.m_bAvailable == b.m_bAvailable && a.m_Values == b.m_Values;
}

bool SameGame(const SimFriend &a, const SimFriend &b) {
  return a.m_bInGame == b.m_bInGame && a.m_GameTitle == b.m_GameTitle &&
         memcmp(&a.m_Game, &b.m_Game, sizeof(FriendGameInfo)) == 0;
}

void ReportLoad(const std::string &path, const std::string &errors) {
  if (!errors.empty()) Warning("plexaclient: %s:\n%s", path.c_str(), errors.c_str());
}

// A world file that could not be read, told as one sentence: what the services do about it, then
// why (the reader's reports, each with its line and column, below it).
void ReportUnreadable(const std::string &path, std::string errors, const char *outcome) {
  while (!errors.empty() && errors.back() == '\n') errors.pop_back();
  if (errors.empty()) {
    Warning("plexaclient: %s, as '%s' cannot be read\n", outcome, path.c_str());
  } else if (errors.find('\n') == std::string::npos) {
    Warning("plexaclient: %s, as %s\n", outcome, errors.c_str());
  } else {
    Warning("plexaclient: %s, as '%s' cannot be read:\n%s\n", outcome, path.c_str(), errors.c_str());
  }
}

}  // namespace

CClientServices::CClientServices(std::string configPath) : m_ConfigPath(std::move(configPath)) {
  auto world = std::make_shared<CPlexaWorld>();
  std::string errors;
  if (!world->LoadFromFile(m_ConfigPath, &errors)) {
    ReportUnreadable(m_ConfigPath, errors, "starting with an empty world");
  } else {
    ReportLoad(m_ConfigPath, errors);
  }
  m_pWorld = std::move(world);
  m_ConfigStamp = StampOf(m_ConfigPath);
  m_flNextConfigCheck = Plat_FloatTime() + kConfigCheckInterval;
  m_Store.Load(m_pWorld->ConfigFolder(), m_pWorld->StoreSeed());
}

CClientServices::~CClientServices() {
  m_MatchmakingServers.Clear();
}

HPlexaPipe CClientServices::OpenPipe() {
  const HPlexaPipe pipe = m_hNextPipe++;
  m_Queue.OpenPipe(pipe);
  return pipe;
}

bool CClientServices::ClosePipe(HPlexaPipe pipe) {
  if (!m_Queue.IsPipeOpen(pipe)) return false;
  m_Queue.ClosePipe(pipe);
  return true;
}

HPlexaUser CClientServices::AttachGlobalUser(HPlexaPipe pipe) {
  if (!m_Queue.IsPipeOpen(pipe)) return 0;
  m_Queue.SetPipeUser(pipe, kGlobalUser);
  return kGlobalUser;
}

void CClientServices::DetachUser(HPlexaPipe pipe, HPlexaUser user) {
  if (user != 0 && m_Queue.PipeUser(pipe) == user) m_Queue.SetPipeUser(pipe, 0);
}

bool CClientServices::IsUserOnPipe(HPlexaUser user, HPlexaPipe pipe) const {
  return user != 0 && m_Queue.PipeUser(pipe) == user;
}

void CClientServices::QueuePresenceUpdate(PlexaId_t friendId, AppId_t appId) {
  m_PendingPresence.emplace_back(friendId, appId);
}

void CClientServices::RunFrame() {
  ++m_uFrame;
  const double now = Plat_FloatTime();
  if (now >= m_flNextConfigCheck) {
    m_flNextConfigCheck = now + kConfigCheckInterval;
    if (!(StampOf(m_ConfigPath) == m_ConfigStamp)) ReloadConfig();
  }
  // Presence asked for on an earlier frame "arrives" now.
  std::vector<std::pair<PlexaId_t, AppId_t>> presence;
  presence.swap(m_PendingPresence);
  for (const auto &[friendId, appId] : presence) m_Queue.Post(FriendRichPresenceUpdate_t{friendId, appId});
  m_MatchmakingServers.RunFrame(now, m_uFrame);
}

bool CClientServices::HasPendingWork() const {
  return m_MatchmakingServers.OpenRequestCount() > 0 || !m_PendingPresence.empty() || m_Queue.AnyPending();
}

bool CClientServices::ReloadConfig() {
  m_ConfigStamp = StampOf(m_ConfigPath);
  auto world = std::make_shared<CPlexaWorld>();
  std::string errors;
  if (!world->LoadFromFile(m_ConfigPath, &errors)) {
    ReportUnreadable(m_ConfigPath, errors, "keeping the configuration in use");
    return false;
  }
  ReportLoad(m_ConfigPath, errors);
  m_pPreviousWorld = std::move(m_pWorld);
  m_pWorld = std::move(world);
  AnnounceChanges(*m_pPreviousWorld, *m_pWorld);
  return true;
}

void CClientServices::AnnounceChanges(const CPlexaWorld &before, const CPlexaWorld &after) {
  // Applications added, changed or gone.
  for (const auto &[appId, app] : after.Apps()) {
    const SimApp *old = before.FindApp(appId);
    if (!old || !SameApp(*old, app)) m_Queue.Post(AppInfoChanged_t{appId});
  }
  for (const auto &entry : before.Apps()) {
    if (!after.FindApp(entry.first)) m_Queue.Post(AppInfoChanged_t{entry.first});
  }
  AnnounceFriendChanges(before, after);
  // Another configuration folder holds another store: the whole list changed.
  if (after.ConfigFolder() != m_Store.Folder()) {
    m_Store.Load(after.ConfigFolder(), after.StoreSeed());
    FavoritesListChanged_t wholeList{};
    wholeList.m_bAdd = true;
    m_Queue.Post(wholeList);
  }
}

void CClientServices::AnnounceFriendChanges(const CPlexaWorld &before, const CPlexaWorld &after) {
  static const SimFriend kNobody;
  auto announce = [this](const SimFriend &old, const SimFriend &now, PlexaId_t id) {
    int32 flags = 0;
    if (old.m_Name != now.m_Name) flags |= k_EPersonaChangeName;
    if (old.m_nFlags != now.m_nFlags) flags |= k_EPersonaChangeFlags;
    if (!SameGame(old, now)) flags |= k_EPersonaChangeGamePlayed;
    if (flags) m_Queue.Post(PersonaStateChange_t{id, flags, {}});
    // Presence of every application that has it on either side and differs.
    std::set<AppId_t> apps;
    for (const auto &entry : old.m_Presence) apps.insert(entry.first);
    for (const auto &entry : now.m_Presence) apps.insert(entry.first);
    for (AppId_t appId : apps) {
      auto a = old.m_Presence.find(appId);
      auto b = now.m_Presence.find(appId);
      const bool same = a != old.m_Presence.end() && b != now.m_Presence.end() && a->second == b->second;
      if (!same) m_Queue.Post(FriendRichPresenceUpdate_t{id, appId});
    }
  };
  for (const auto &[id, buddy] : after.Friends()) {
    const SimFriend *old = before.FindFriend(id);
    announce(old ? *old : kNobody, buddy, id);
  }
  for (const auto &[id, buddy] : before.Friends()) {
    if (!after.FindFriend(id)) announce(buddy, kNobody, id);
  }
}

CClientServices::FileStamp CClientServices::StampOf(const std::string &path) {
  FileStamp stamp;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return stamp;
  stamp.m_bExists = true;
  stamp.m_Inode = info.st_ino;
  stamp.m_Size = info.st_size;
  stamp.m_MTimeNs = static_cast<int64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return stamp;
}
