#include "host/host_system.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/kgui_runtime.h"
#include "host/user_config.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

extern char **environ;

namespace kguihost {

double CHostSystem::GetCurrentTime() { return Plat_FloatTime(); }

int32 CHostSystem::GetTimeMillis() { return static_cast<int32>(Plat_MSTime()); }

double CHostSystem::GetFrameTime() { return m_Runtime.FrameTime(); }

KeyValues *CHostSystem::GetUserConfigFileData(const char *dialogName, int dialogID) {
  return m_UserConfig.Get(dialogName, dialogID);
}

bool CHostSystem::SaveUserConfigFile() { return m_UserConfig.Save(); }

bool CHostSystem::ShellExecute(const char *verb, const char *file) {
  if (!verb || V_stricmp(verb, "open") != 0 || !file || !*file) return false;
  m_LastOpened = file;
  if (!m_Runtime.HasWindow()) {
    Msg("Open: %s\n", file);
    return true;
  }
  // Arguments go straight to the handler: nothing passes through a shell.
  const char *argv[] = {"xdg-open", file, nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char *const *>(argv), environ) != 0) {
    Warning("Open: cannot start the desktop's handler for '%s'\n", file);
    return false;
  }
  m_Children.push_back(pid);
  return true;
}

void CHostSystem::ReapChildren() {
  m_Children.erase(std::remove_if(m_Children.begin(), m_Children.end(),
                                  [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }),
                   m_Children.end());
}

void CHostSystem::SetClipboardText(const char16_t *text, int length) {
  m_Clipboard.assign(text ? text : u"", text && length > 0 ? static_cast<size_t>(length) : 0);
  if (!m_Runtime.HasWindow()) return;
  std::vector<char> utf8(m_Clipboard.size() * 3 + 1);
  V_UTF16ToUTF8(m_Clipboard.c_str(), utf8.data(), static_cast<int>(utf8.size()));
  SDL_SetClipboardText(utf8.data());
}

void CHostSystem::SyncFromDesktop() {
  if (!m_Runtime.HasWindow() || !SDL_HasClipboardText()) return;
  char *utf8 = SDL_GetClipboardText();
  if (!utf8) return;
  std::u16string wide(strlen(utf8) + 1, u'\0');
  int units = V_UTF8ToUTF16(utf8, wide.data(), static_cast<int>(wide.size() * sizeof(char16_t)));
  SDL_free(utf8);
  wide.resize(units > 0 ? units - 1 : 0);
  m_Clipboard = wide;
}

int CHostSystem::GetClipboardTextCount() {
  SyncFromDesktop();
  return static_cast<int>(m_Clipboard.size());
}

int CHostSystem::GetClipboardText(int offset, char16_t *buffer, int bufferSizeInBytes) {
  int capacity = buffer && bufferSizeInBytes >= 2 ? bufferSizeInBytes / 2 : 0;
  if (capacity == 0) return 0;
  SyncFromDesktop();
  int start = std::clamp(offset, 0, static_cast<int>(m_Clipboard.size()));
  int count = std::min(static_cast<int>(m_Clipboard.size()) - start, capacity - 1);
  std::copy_n(m_Clipboard.data() + start, count, buffer);
  buffer[count] = 0;
  return count;
}

}  // namespace kguihost
