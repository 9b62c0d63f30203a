// IHostLocalize ("KGUI_Localize003"): localised texts from token files.
//
// A token file is key/value text in UTF-8:
//   "lang" { "Language" "English" "Tokens" { "ServerBrowser_Connect" "Connect" ... } }
// Tokens are looked up with their leading "#" ("#ServerBrowser_Connect"), ignoring letter case.
// Patterns carry placeholders %s1 to %s9.
#pragma once

#include <cstdarg>

#include "kgui/kgui.h"

class IFileSystem;

namespace kgui {

#define KGUI_LOCALIZE_INTERFACE_VERSION "KGUI_Localize003"

class IHostLocalize {
 public:
  // Reads a token file through `fileSystem` (the host's own when null); "%language%" in the path is
  // replaced by the user's language, falling back to "english" when that file is missing. Later
  // files replace tokens of the same name. False when no file could be read.
  virtual bool AddFile(IFileSystem *fileSystem, const char *fileName, const char *pathID) = 0;
  // The text of a token ("#Name" or "Name"), or null when unknown.
  virtual const char16_t *Find(const char *tokenName) = 0;
  virtual void AddString(const char *tokenName, const char16_t *text) = 0;
  // The user's language ("english").
  virtual const char *GetLanguage() = 0;

  // Fills `output` (its size in bytes) with `format`, its placeholders %s1..%s9 replaced by
  // `args[0..numArgs-1]`; a placeholder without an argument becomes empty. The result is cut to the
  // buffer and always terminated. Returns the number of units written without the terminator.
  virtual int ConstructStringArgs(char16_t *output, int outputSizeInBytes, const char16_t *format, int numArgs,
                                  const char16_t *const *args) = 0;
  // As above with named variables: "%name%" becomes the wide text of `variables`' key "name"
  // (numbers are converted); an unknown name stays as written.
  virtual int ConstructStringVariables(char16_t *output, int outputSizeInBytes, const char16_t *format,
                                       KeyValues *variables) = 0;

  // Convenience: `numArgs` wide texts follow.
  int ConstructString(char16_t *output, int outputSizeInBytes, const char16_t *format, int numArgs, ...) {
    const char16_t *args[9] = {};
    if (numArgs > 9) numArgs = 9;
    va_list list;
    va_start(list, numArgs);
    for (int i = 0; i < numArgs; ++i) args[i] = va_arg(list, const char16_t *);
    va_end(list);
    return ConstructStringArgs(output, outputSizeInBytes, format, numArgs < 0 ? 0 : numArgs, args);
  }

 protected:
  ~IHostLocalize() = default;
};

}  // namespace kgui
