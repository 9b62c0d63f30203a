// IHostSystem ("KGUI_System010"): the clocks, per-user dialog settings, the clipboard and opening
// links.
#pragma once

#include "kgui/kgui.h"

namespace kgui {

#define KGUI_SYSTEM_INTERFACE_VERSION "KGUI_System010"

class IHostSystem {
 public:
  // Seconds since the host started; only grows.
  virtual double GetCurrentTime() = 0;
  // Milliseconds since the host started; only grows while the host runs (wraps after ~24 days:
  // compare differences, not values).
  virtual int32 GetTimeMillis() = 0;
  // The time at which the current frame began.
  virtual double GetFrameTime() = 0;

  // The per-user settings record of a dialog ("DialogServerBrowser", id 0), created empty on first
  // use. The host owns it, keeps every record in the user's configuration folder between runs and
  // saves them when it shuts down; callers read and write keys in it.
  virtual KeyValues *GetUserConfigFileData(const char *dialogName, int dialogID) = 0;
  // Saves the records now (written beside the old file, then renamed over it).
  virtual bool SaveUserConfigFile() = 0;

  // Opens a link or file with the desktop's handler (verb "open"). False when the verb is unknown
  // or nothing could be started.
  virtual bool ShellExecute(const char *verb, const char *file) = 0;

  // The clipboard holds UTF-16 text.
  virtual void SetClipboardText(const char16_t *text, int length) = 0;
  // Number of UTF-16 units on the clipboard.
  virtual int GetClipboardTextCount() = 0;
  // Copies from `offset` into the buffer (always terminated when it holds one unit); returns the
  // number of units copied without the terminator.
  virtual int GetClipboardText(int offset, char16_t *buffer, int bufferSizeInBytes) = 0;

 protected:
  ~IHostSystem() = default;
};

}  // namespace kgui
