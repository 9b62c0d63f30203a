#include "host/host_localize.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "filesystem.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"
#include "tier1/keyvalues_text/keyvalues_reader.h"

namespace kguihost {

namespace {

constexpr const char *kLanguageToken = "%language%";
constexpr const char *kFallbackLanguage = "english";

// Language codes of locales and the names token files carry.
struct LocaleLanguage {
  const char *code;
  const char *language;
};
constexpr LocaleLanguage kLocaleLanguages[] = {
    {"bg", "bulgarian"},  {"cs", "czech"},     {"da", "danish"},  {"de", "german"},     {"el", "greek"},
    {"en", "english"},    {"es", "spanish"},   {"fi", "finnish"}, {"fr", "french"},     {"hu", "hungarian"},
    {"it", "italian"},    {"ja", "japanese"},  {"ko", "korean"},  {"nb", "norwegian"},  {"nl", "dutch"},
    {"nn", "norwegian"},  {"no", "norwegian"}, {"pl", "polish"},  {"pt", "portuguese"}, {"ro", "romanian"},
    {"ru", "russian"},    {"sv", "swedish"},   {"th", "thai"},    {"tr", "turkish"},    {"uk", "ukrainian"},
    {"vi", "vietnamese"}, {"zh", "chinese"},
};

// Appends to a bounded UTF-16 output, keeping room for the terminator.
class CBoundedOutput {
 public:
  CBoundedOutput(char16_t *output, int sizeInBytes)
      : m_pOutput(output), m_Capacity(output && sizeInBytes >= 2 ? sizeInBytes / 2 : 0) {}
  void Append(const char16_t *text, size_t count) {
    for (size_t i = 0; i < count && m_Length + 1 < m_Capacity; ++i) m_pOutput[m_Length++] = text[i];
  }
  void Append(char16_t unit) { Append(&unit, 1); }
  int Finish() {
    if (m_Capacity) m_pOutput[m_Length] = 0;
    return static_cast<int>(m_Length);
  }

 private:
  char16_t *m_pOutput;
  size_t m_Capacity;
  size_t m_Length = 0;
};

std::u16string Utf8ToUtf16(const char *text) {
  size_t length = strlen(text);
  std::u16string wide(length + 1, u'\0');
  int units = V_UTF8ToUTF16(text, wide.data(), static_cast<int>(wide.size() * sizeof(char16_t)));
  wide.resize(units > 0 ? units - 1 : 0);
  return wide;
}

}  // namespace

std::string SubstituteLanguage(const std::string &path, const std::string &language) {
  std::string result = path;
  size_t pos = 0;
  while (true) {
    const char *found = V_stristr(result.c_str() + pos, kLanguageToken);
    if (!found) break;
    size_t at = static_cast<size_t>(found - result.c_str());
    result.replace(at, strlen(kLanguageToken), language);
    pos = at + language.size();
  }
  return result;
}

std::string LanguageForLocale(const char *locale) {
  // "language[_territory][.codeset][@modifier]": only the language decides.
  std::string code;
  for (const char *p = locale ? locale : ""; *p && *p != '_' && *p != '.' && *p != '@'; ++p)
    code.push_back(V_tolower(*p));
  for (const LocaleLanguage &entry : kLocaleLanguages) {
    if (code == entry.code) return entry.language;
  }
  return kFallbackLanguage;
}

std::string LanguageFromEnvironment() {
  for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char *value = getenv(variable);
    if (value && *value) return LanguageForLocale(value);
  }
  return kFallbackLanguage;
}

CHostLocalize::CHostLocalize(IFileSystem &hostFileSystem, const std::string &language)
    : m_HostFileSystem(hostFileSystem), m_Language(language.empty() ? "english" : language) {
  for (char &c : m_Language) c = V_tolower(c);
}

std::string CHostLocalize::Key(const char *tokenName) {
  std::string key = tokenName ? tokenName : "";
  if (!key.empty() && key[0] == '#') key.erase(0, 1);
  for (char &c : key) c = V_tolower(c);
  return key;
}

bool CHostLocalize::AddFile(IFileSystem *fileSystem, const char *fileName, const char *pathID) {
  IFileSystem &fs = fileSystem ? *fileSystem : m_HostFileSystem;
  std::string pattern = fileName ? fileName : "";
  std::string path = SubstituteLanguage(pattern, m_Language);
  // The english text first, per token: what the translation lacks stays readable.
  bool read = false;
  if (path != pattern && m_Language != kFallbackLanguage)
    read = ReadTokenFile(fs, SubstituteLanguage(pattern, kFallbackLanguage), pathID, true);
  if (ReadTokenFile(fs, path, pathID, false)) return true;
  if (!read) Warning("Localisation: cannot read token file '%s'\n", path.c_str());
  return read;
}

bool CHostLocalize::ReadTokenFile(IFileSystem &fileSystem, const std::string &path, const char *pathID,
                                  bool quiet) {
  KeyValuesAD root(new KeyValues("lang"));
  std::string errors;
  if (!LoadKeyValuesFileWithPlaces(root.get(), &fileSystem, path.c_str(), pathID, &errors)) {
    if (!errors.empty()) Warning("Localisation: '%s' is broken:\n%s", path.c_str(), errors.c_str());
    return false;
  }
  KeyValues *tokens = root->FindKey("Tokens");
  if (!tokens) {
    if (!quiet) Warning("Localisation: '%s' has no \"Tokens\" section\n", path.c_str());
    return false;
  }
  for (KeyValues *token = tokens->GetFirstValue(); token; token = token->GetNextValue()) {
    std::u16string text = Utf8ToUtf16(token->GetString());
    AddString(token->GetName(), text.c_str());
  }
  return true;
}

const char16_t *CHostLocalize::Find(const char *tokenName) {
  auto it = m_Tokens.find(Key(tokenName));
  return it == m_Tokens.end() ? nullptr : it->second->c_str();
}

void CHostLocalize::AddString(const char *tokenName, const char16_t *text) {
  std::string key = Key(tokenName);
  if (key.empty()) return;
  auto entry = std::make_unique<std::u16string>(text ? text : u"");
  auto it = m_Tokens.find(key);
  if (it != m_Tokens.end()) {
    m_Replaced.push_back(std::move(it->second));
    it->second = std::move(entry);
  } else {
    m_Tokens.emplace(key, std::move(entry));
  }
}

int CHostLocalize::ConstructStringArgs(char16_t *output, int outputSizeInBytes, const char16_t *format,
                                       int numArgs, const char16_t *const *args) {
  CBoundedOutput out(output, outputSizeInBytes);
  if (!format) return out.Finish();
  for (const char16_t *p = format; *p; ++p) {
    if (p[0] == u'%' && p[1] == u's' && p[2] >= u'1' && p[2] <= u'9') {
      int index = p[2] - u'1';
      if (args && index < numArgs && args[index]) out.Append(args[index], V_wcslen(args[index]));
      p += 2;
      continue;
    }
    out.Append(*p);
  }
  return out.Finish();
}

int CHostLocalize::ConstructStringVariables(char16_t *output, int outputSizeInBytes, const char16_t *format,
                                            KeyValues *variables) {
  CBoundedOutput out(output, outputSizeInBytes);
  if (!format) return out.Finish();
  for (const char16_t *p = format; *p; ++p) {
    const char16_t *close = nullptr;
    if (*p == u'%' && variables) {
      for (const char16_t *q = p + 1; *q && *q != u' '; ++q) {
        if (*q == u'%') {
          close = q;
          break;
        }
      }
    }
    if (!close || close == p + 1) {
      out.Append(*p);
      continue;
    }
    // Variable names are ASCII key names; anything else stays as written.
    std::string name;
    for (const char16_t *q = p + 1; q < close; ++q) name.push_back(*q < 0x80 ? static_cast<char>(*q) : '?');
    KeyValues *value = variables->FindKey(name.c_str());
    if (!value || value->GetFirstSubKey()) {
      out.Append(*p);
      continue;
    }
    const char16_t *text = value->GetWString();
    out.Append(text, V_wcslen(text));
    p = close;
  }
  return out.Finish();
}

}  // namespace kguihost
