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
  bool ReadTokenFile(IFileSystem &fileSystem, const std::string &path, const char *pathID);
  static std::string Key(const char *tokenName);

  IFileSystem &m_HostFileSystem;
  std::string m_Language;
  // Texts are never freed while the host runs: callers keep the pointers Find returned.
  std::unordered_map<std::string, std::unique_ptr<std::u16string>> m_Tokens;
  std::vector<std::unique_ptr<std::u16string>> m_Replaced;
};

// Replaces every "%language%" (any case) in `path` with `language`.
std::string SubstituteLanguage(const std::string &path, const std::string &language);

}  // namespace kguihost
