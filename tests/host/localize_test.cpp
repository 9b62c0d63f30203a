// Localisation of the host: token files, the user's language and patterns with placeholders.
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

class LocalizeTest : public HostTest {
 protected:
  void WriteTokens(const std::string &language, const std::string &tokens) {
    WriteWholeFile(GameDir() + "/resource/app_" + language + ".txt",
                   "\"lang\"\n{\n\t\"Language\" \"" + language + "\"\n\t\"Tokens\"\n\t{\n" + tokens + "\t}\n}\n");
  }
  std::u16string Find(const char *token) {
    const char16_t *text = Runtime().Localize().Find(token);
    return text ? text : u"<none>";
  }
};

TEST_F(LocalizeTest, TokensAreFoundWithOrWithoutHashIgnoringCase) {
  WriteTokens("english", "\t\t\"App_Connect\" \"Connect\"\n\t\t\"App_Greeting\" \"Grüße, %s1\"\n");
  ASSERT_TRUE(Runtime().Localize().AddFile(nullptr, "resource/app_%language%.txt", nullptr));
  EXPECT_EQ(Find("#App_Connect"), u"Connect");
  EXPECT_EQ(Find("app_connect"), u"Connect");
  EXPECT_EQ(Find("#App_Greeting"), u"Grüße, %s1");
  EXPECT_EQ(Find("#App_Unknown"), u"<none>");
  EXPECT_EQ(Find(nullptr), u"<none>");

  const char16_t *before = Runtime().Localize().Find("#App_Connect");
  Runtime().Localize().AddString("#App_Connect", u"Join");
  EXPECT_EQ(Find("#App_Connect"), u"Join");
  EXPECT_EQ(std::u16string(before), u"Connect");  // earlier pointers stay readable
}

TEST_F(LocalizeTest, UserLanguageFallsBackToEnglishAndMissingFilesWarnOnce) {
  WriteTokens("english", "\t\t\"App_Connect\" \"Connect\"\n");
  WriteTokens("german", "\t\t\"App_Connect\" \"Verbinden\"\n");
  RestartRuntime("German");
  EXPECT_STREQ(Runtime().Localize().GetLanguage(), "german");
  ASSERT_TRUE(Runtime().Localize().AddFile(nullptr, "resource/app_%LANGUAGE%.txt", nullptr));
  EXPECT_EQ(Find("#App_Connect"), u"Verbinden");

  RestartRuntime("french");
  ASSERT_TRUE(Runtime().Localize().AddFile(&Runtime().FileSystem(), "resource/app_%language%.txt", "GAME"));
  EXPECT_EQ(Find("#App_Connect"), u"Connect");

  m_Spew.Clear();
  EXPECT_FALSE(Runtime().Localize().AddFile(nullptr, "resource/none_%language%.txt", nullptr));
  EXPECT_EQ(m_Spew.Warnings().size(), 1u);
}

TEST(LanguageSubstitution, ReplacesEveryOccurrenceIgnoringCase) {
  EXPECT_EQ(SubstituteLanguage("a_%language%.txt", "english"), "a_english.txt");
  EXPECT_EQ(SubstituteLanguage("%Language%/b_%LANGUAGE%", "de"), "de/b_de");
  EXPECT_EQ(SubstituteLanguage("plain.txt", "de"), "plain.txt");
}

TEST_F(LocalizeTest, PatternsFillPlaceholdersAndStayWithinTheBuffer) {
  kgui::IHostLocalize &localize = Runtime().Localize();
  struct Case {
    const char16_t *format;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"%s1 of %s2", u"3 of 12"},     {u"%s2/%s1", u"12/3"},         {u"%s3 missing", u" missing"},
      {u"100%", u"100%"},              {u"%s", u"%s"},                {u"%s0 stays", u"%s0 stays"},
      {u"", u""},
  };
  char16_t out[64];
  for (const Case &c : cases) {
    int length = localize.ConstructString(out, sizeof(out), c.format, 2, u"3", u"12");
    EXPECT_EQ(std::u16string(out), c.expected);
    EXPECT_EQ(length, static_cast<int>(c.expected.size()));
  }
  char16_t small[5];
  EXPECT_EQ(localize.ConstructString(small, sizeof(small), u"%s1 servers", 1, u"1234"), 4);
  EXPECT_EQ(std::u16string(small), u"1234");
  EXPECT_EQ(localize.ConstructString(small, 1, u"abc", 0), 0);  // room for nothing, not even the end
  EXPECT_EQ(localize.ConstructString(out, sizeof(out), nullptr, 0), 0);
  EXPECT_EQ(std::u16string(out), u"");
}

TEST_F(LocalizeTest, VariablePatternsUseTheRecordsValues) {
  KeyValuesAD variables(new KeyValues("vars"));
  variables->SetString("game", "Ironclad");
  variables->SetInt("players", 12);
  char16_t out[64];
  Runtime().Localize().ConstructStringVariables(out, sizeof(out), u"%game%: %players% (%unknown%) 50%", variables.get());
  EXPECT_EQ(std::u16string(out), u"Ironclad: 12 (%unknown%) 50%");
}

}  // namespace
}  // namespace kguihost
