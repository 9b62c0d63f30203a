// Schemes of the host: the shipped scheme, colours, fonts, borders and a missing scheme file.
#include "host/scheme.h"
#include "host/scheme_border.h"
#include "tests/host/host_fixture.h"

#include <filesystem>

namespace kguihost {
namespace {

using SchemeTest = HostTest;

kgui::IScheme &DefaultScheme(CKGuiRuntime &runtime) {
  return *runtime.Scheme().GetIScheme(runtime.Scheme().GetDefaultScheme());
}

TEST_F(SchemeTest, ShippedSchemeReadsCleanlyWithItsFontsAndBorders) {
  kgui::IScheme &scheme = DefaultScheme(Runtime());
  for (const char *font : {"Default", "DefaultBold", "DefaultSmall", "DefaultUnderline", "Title"}) {
    kgui::HFont handle = scheme.GetFont(font, false);
    EXPECT_NE(handle, kgui::INVALID_FONT) << font;
    EXPECT_GT(Runtime().Surface().GetFontTall(handle), 0) << font;
  }
  EXPECT_NE(scheme.GetBorder("RaisedBorder"), nullptr);
  EXPECT_NE(scheme.GetColor("Desktop.BgColor", Color(1, 2, 3, 4)), Color(1, 2, 3, 4));
  EXPECT_TRUE(m_Spew.Warnings().empty()) << m_Spew.Warnings().front();
}

TEST_F(SchemeTest, ColoursResolveThroughSettingsAndPaletteWithCallerDefaults) {
  CScheme scheme(Runtime());
  KeyValuesAD root(new KeyValues("Scheme"));
  ASSERT_TRUE(root->LoadFromBuffer("test", R"("Scheme" {
    "Colors" { "Sea" "10 20 30 255" "Broken" "10 20" }
    "BaseSettings" { "Panel.BgColor" "Sea" "Label.FgColor" "1 2 3" "Odd.Color" "NoSuchColour" "Mode" "fancy" }
  })"));
  scheme.Apply(root.get());
  const Color fallback(9, 9, 9, 9);
  struct Case {
    const char *name;
    Color expected;
  };
  const Case cases[] = {
      {"Panel.BgColor", Color(10, 20, 30, 255)}, {"panel.bgcolor", Color(10, 20, 30, 255)},
      {"Label.FgColor", Color(1, 2, 3, 255)},     {"Sea", Color(10, 20, 30, 255)},
      {"Odd.Color", fallback},                    {"Broken", fallback},
      {"Missing", fallback},
  };
  for (const Case &c : cases) EXPECT_EQ(scheme.GetColor(c.name, fallback), c.expected) << c.name;
  EXPECT_STREQ(scheme.GetResourceString("Mode"), "fancy");
  EXPECT_STREQ(scheme.GetResourceString("Nothing"), "");
  EXPECT_EQ(m_Spew.Warnings().size(), 1u);  // the broken palette entry
}

TEST(SchemeColorText, AcceptsThreeOrFourComponentsInRange) {
  struct Case {
    const char *text;
    bool valid;
  };
  const Case cases[] = {{"1 2 3", true},       {"1 2 3 4", true},   {" 255 255 255 255 ", true},
                        {"1 2", false},         {"1 2 3 4 5", false}, {"256 0 0", false},
                        {"-1 0 0", false},      {"red", false},      {"", false}};
  for (const Case &c : cases) {
    Color color;
    EXPECT_EQ(ParseColorText(c.text, color), c.valid) << c.text;
  }
}

TEST_F(SchemeTest, UnknownFontGivesNoFontAndOneWarning) {
  kgui::IScheme &scheme = DefaultScheme(Runtime());
  EXPECT_EQ(scheme.GetFont("NoSuchFont", false), kgui::INVALID_FONT);
  EXPECT_EQ(scheme.GetFont("NoSuchFont", false), kgui::INVALID_FONT);
  EXPECT_EQ(m_Spew.Warnings().size(), 1u);
}

TEST_F(SchemeTest, ProportionalFontsScaleWithTheScreen) {
  kgui::IScheme &scheme = DefaultScheme(Runtime());
  int plain = Runtime().Surface().GetFontTall(scheme.GetFont("Default", false));
  int scaled = Runtime().Surface().GetFontTall(scheme.GetFont("Default", true));
  EXPECT_EQ(scaled, Runtime().Scheme().GetProportionalScaledValue(plain));
  EXPECT_EQ(Runtime().Scheme().GetProportionalScaledValue(480), 800);  // 1280x800 screen
}

TEST_F(SchemeTest, BorderPaintsItsSidesAndReportsItsInset) {
  kgui::IBorder *border = DefaultScheme(Runtime()).GetBorder("RaisedBorder");
  ASSERT_NE(border, nullptr);
  int left, top, right, bottom;
  border->GetInset(left, top, right, bottom);
  EXPECT_EQ(std::vector<int>({left, top, right, bottom}), std::vector<int>({1, 1, 1, 1}));
  auto panel = MakePanel("Framed", 0, 10, 10, 20, 20);
  panel->onPaint = [&]() { border->Paint(0, 0, 20, 20); };
  RunFrames(1);
  kgui::IScheme &scheme = DefaultScheme(Runtime());
  EXPECT_EQ(Pixel(10, 15), scheme.GetColor("Border.Bright", Color()));
  EXPECT_EQ(Pixel(29, 15), scheme.GetColor("Border.Dark", Color()));
  EXPECT_EQ(Pixel(15, 29), scheme.GetColor("Border.Dark", Color()));
  EXPECT_EQ(Pixel(15, 15), scheme.GetColor("Desktop.BgColor", Color()));
}

TEST_F(SchemeTest, MissingSchemeFileGivesDefaultsAndOneWarning) {
  std::filesystem::remove(GameDir() + "/resource/scheme.res");
  RestartRuntime();
  m_Spew.Clear();
  kgui::IScheme &scheme = DefaultScheme(Runtime());
  EXPECT_EQ(scheme.GetColor("Desktop.BgColor", Color(5, 6, 7, 8)), Color(5, 6, 7, 8));
  EXPECT_EQ(scheme.GetBorder("RaisedBorder"), nullptr);
  EXPECT_EQ(m_Spew.Warnings().size(), 1u);
  RunFrames(1);  // the desktop still paints, in its built-in colour
  EXPECT_EQ(Pixel(1, 1), Color(36, 40, 46, 255));
  EXPECT_EQ(Runtime().Scheme().LoadSchemeFromFile("resource/other.res", "Default"), Runtime().Scheme().GetDefaultScheme());
  EXPECT_EQ(Runtime().Scheme().GetIScheme(12345), &scheme);
}

}  // namespace
}  // namespace kguihost
