// IHostSystem of the host: clocks, per-user dialog settings, the clipboard and opening links.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

#include "kgui/ISystem.h"

namespace kguihost {

class CKGuiRuntime;
class CUserConfigStore;

class CHostSystem final : public kgui::IHostSystem {
 public:
  CHostSystem(CKGuiRuntime &runtime, CUserConfigStore &userConfig) : m_Runtime(runtime), m_UserConfig(userConfig) {}

  double GetCurrentTime() override;
  int32 GetTimeMillis() override;
  double GetFrameTime() override;
  KeyValues *GetUserConfigFileData(const char *dialogName, int dialogID) override;
  bool SaveUserConfigFile() override;
  bool ShellExecute(const char *verb, const char *file) override;
  void SetClipboardText(const char16_t *text, int length) override;
  int GetClipboardTextCount() override;
  int GetClipboardText(int offset, char16_t *buffer, int bufferSizeInBytes) override;

  // Collects handlers started by ShellExecute that have finished.
  void ReapChildren();

  // What ShellExecute last opened (the headless host only reports it).
  const std::string &LastOpened() const { return m_LastOpened; }

 private:
  // Takes the desktop's clipboard when a window shows the host.
  void SyncFromDesktop();

  CKGuiRuntime &m_Runtime;
  CUserConfigStore &m_UserConfig;
  std::u16string m_Clipboard;
  std::string m_LastOpened;
  std::vector<pid_t> m_Children;
};

}  // namespace kguihost
