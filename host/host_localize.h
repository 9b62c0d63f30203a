// IHostLocalize of the host: tokens from token files, patterns with placeholders.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "kgui/ILocalize.h"

namespace kguihost {

class CHostLocalize final : public kgui::IHostLocalize {
 public:
  CHostLocalize(IFileSystem &hostFileSystem, const std::string &language);

  // Reads the english file of a "%language%" pattern first and the language's file over it, so a
  // token the translation lacks keeps its english text.
  bool AddFile(IFileSystem *fileSystem, const char *fileName, const char *pathID) override;
  const char16_t *Find(const char *tokenName) override;
  void AddString(const char *tokenName, const char16_t *text) override;
  const char *GetLanguage() override { return m_Language.c_str(); }
  int ConstructStringArgs(char16_t *output, int outputSizeInBytes, const char16_t *format, int numArgs,
                          const char16_t *const *args) override;
  int ConstructStringVariables(char16_t *output, int outputSizeInBytes, const char16_t *format,
                               KeyValues *variables) override;

  size_t TokenCount() const { return m_Tokens.size(); }

 private:
  // Adds the file's tokens; false when it cannot be read (`quiet`: without saying so).
  bool ReadTokenFile(IFileSystem &fileSystem, const std::string &path, const char *pathID, bool quiet);
  static std::string Key(const char *tokenName);

  IFileSystem &m_HostFileSystem;
  std::string m_Language;
  // Texts are never freed while the host runs: callers keep the pointers Find returned.
  std::unordered_map<std::string, std::unique_ptr<std::u16string>> m_Tokens;
  std::vector<std::unique_ptr<std::u16string>> m_Replaced;
};

// Replaces every "%language%" (any case) in `path` with `language`.
std::string SubstituteLanguage(const std::string &path, const std::string &language);

// The language of token files for a locale name ("de_DE.UTF-8", "de", "fr_CA@euro"): "german",
// "french"...; "english" for "C", "POSIX", an empty or an unknown locale.
std::string LanguageForLocale(const char *locale);
// The language the user's locale asks for: the first set of LC_ALL, LC_MESSAGES and LANG.
std::string LanguageFromEnvironment();

}  // namespace kguihost
