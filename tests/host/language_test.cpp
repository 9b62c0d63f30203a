// The host's language: taken from the user's locale when none is given, english per token where a
// translation lacks one, and every shipped translation complete.
#include <filesystem>
#include <map>
#include <set>

#include "host/host_localize.h"
#include "support/scoped_env.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

TEST(LanguageOfLocale, LocaleNamesMapToTokenFileLanguages) {
  struct Case {
    const char *locale;
    const char *language;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", "german"},   {"de", "german"},           {"de_AT@euro", "german"},
      {"DE_ch.utf8", "german"},    {"fr_CA.UTF-8", "french"},  {"en_GB.UTF-8", "english"},
      {"ru_RU.KOI8-R", "russian"}, {"zh_TW.UTF-8", "chinese"}, {"C", "english"},
      {"C.UTF-8", "english"},      {"POSIX", "english"},       {"", "english"},
      {nullptr, "english"},        {"xx_YY", "english"},       {"german", "english"},
      {"_DE.UTF-8", "english"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(LanguageForLocale(c.locale), c.language) << (c.locale ? c.locale : "null");
}

TEST(LanguageOfLocale, AllThenMessagesThenLangDecide) {
  struct Case {
    const char *all;
    const char *messages;
    const char *lang;
    const char *language;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8", "german"},
      {"", "fr_FR.UTF-8", "es_ES.UTF-8", "french"},
      {"", "", "es_ES.UTF-8", "spanish"},
      {"", "", "", "english"},
      {"C", "fr_FR.UTF-8", "", "english"},  // a set LC_ALL wins even when it names no language
  };
  for (const Case &c : cases) {
    ScopedEnv all("LC_ALL", c.all), messages("LC_MESSAGES", c.messages), lang("LANG", c.lang);
    EXPECT_EQ(LanguageFromEnvironment(), c.language) << c.all << "|" << c.messages << "|" << c.lang;
  }
}

class TranslationTest : public HostTest {
 protected:
  void WriteTokens(const std::string &language, const std::string &tokens) {
    WriteWholeFile(GameDir() + "/resource/app_" + language + ".txt",
                   "\"lang\" { \"Language\" \"" + language + "\" \"Tokens\" { " + tokens + " } }\n");
  }
  std::u16string Find(const char *token) {
    const char16_t *text = Runtime().Localize().Find(token);
    return text ? text : u"<none>";
  }
};

TEST_F(TranslationTest, ATokenTheTranslationLacksKeepsItsEnglishText) {
  WriteTokens("english", "\"App_Connect\" \"Connect\" \"App_Refresh\" \"Refresh\"");
  WriteTokens("german", "\"App_Connect\" \"Verbinden\" \"App_Only\" \"Nur hier\"");
  RestartRuntime("german");
  m_Spew.Clear();
  ASSERT_TRUE(Runtime().Localize().AddFile(nullptr, "resource/app_%language%.txt", nullptr));
  EXPECT_EQ(Find("#App_Connect"), u"Verbinden");
  EXPECT_EQ(Find("#App_Refresh"), u"Refresh");
  EXPECT_EQ(Find("#App_Only"), u"Nur hier");
  EXPECT_TRUE(m_Spew.Warnings().empty());

  // No translation at all: english, quietly. Neither file: one warning naming the language's file.
  RestartRuntime("french");
  m_Spew.Clear();
  ASSERT_TRUE(Runtime().Localize().AddFile(nullptr, "resource/app_%language%.txt", nullptr));
  EXPECT_EQ(Find("#App_Refresh"), u"Refresh");
  EXPECT_TRUE(m_Spew.Warnings().empty());
  EXPECT_FALSE(Runtime().Localize().AddFile(nullptr, "resource/none_%language%.txt", nullptr));
  ASSERT_EQ(m_Spew.Warnings().size(), 1u);
  EXPECT_NE(m_Spew.Warnings()[0].find("'resource/none_french.txt'"), std::string::npos);
}

// Token name (lower case) to text, as the host reads them.
std::map<std::string, std::string> ReadTokens(const std::string &path) {
  std::map<std::string, std::string> tokens;
  KeyValuesAD root(new KeyValues("lang"));
  EXPECT_TRUE(root->LoadFromBuffer(path.c_str(), ReadWholeFile(path).c_str())) << path;
  KeyValues *section = root->FindKey("Tokens");
  EXPECT_NE(section, nullptr) << path;
  for (KeyValues *token = section ? section->GetFirstValue() : nullptr; token;
       token = token->GetNextValue()) {
    std::string name = token->GetName();
    for (char &c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    tokens[name] = token->GetString();
  }
  return tokens;
}

// The placeholders of a text ("%s1", "%friend%"), which a translation must keep.
std::multiset<std::string> Placeholders(const std::string &text) {
  std::multiset<std::string> found;
  for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
    if (at + 2 < text.size() && text[at + 1] == 's' && text[at + 2] >= '1' && text[at + 2] <= '9') {
      found.insert(text.substr(at, 3));
      continue;
    }
    const size_t close = text.find('%', at + 1);
    if (close == std::string::npos || close == at + 1) continue;
    const std::string name = text.substr(at + 1, close - at - 1);
    if (name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") !=
        std::string::npos)
      continue;
    found.insert(text.substr(at, close - at + 1));
    at = close;
  }
  return found;
}

TEST(ShippedTranslations, GermanCarriesEveryEnglishTokenWithItsPlaceholders) {
  const char *source = getenv("SB_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  int files = 0;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(std::string(source) + "/game")) {
    const std::string english = entry.path().string();
    const std::string suffix = "_english.txt";
    if (english.size() < suffix.size() ||
        english.compare(english.size() - suffix.size(), suffix.size(), suffix))
      continue;
    ++files;
    const std::string german = english.substr(0, english.size() - suffix.size()) + "_german.txt";
    ASSERT_TRUE(std::filesystem::exists(german)) << german;
    const auto englishTokens = ReadTokens(english);
    const auto germanTokens = ReadTokens(german);
    for (const auto &[name, text] : englishTokens) {
      auto translated = germanTokens.find(name);
      if (translated == germanTokens.end()) {
        ADD_FAILURE() << german << " lacks " << name;
        continue;
      }
      EXPECT_EQ(Placeholders(translated->second), Placeholders(text)) << german << ": " << name;
      EXPECT_FALSE(translated->second.empty()) << german << ": " << name;
    }
    for (const auto &[name, text] : germanTokens)
      EXPECT_TRUE(englishTokens.count(name)) << german << " has " << name << ", which english has not";
  }
  EXPECT_GE(files, 3);
}

}  // namespace
}  // namespace kguihost
