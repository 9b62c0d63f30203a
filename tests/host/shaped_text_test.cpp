// Shaped text: runs in every script the world's server names use drawn without missing glyphs,
// right-to-left and mixed runs in visual order, carets over whole characters, plain text measured
// as its characters, runs kept between frames; and the toolkit's list, label and text entry
// drawing and editing such names on the real host.
#include <string>
#include <vector>

#include "kgui_controls/ListPanel.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

const Color kWhite(255, 255, 255, 255);

// Invented server names, one per writing system (and a few that mix them).
struct Name {
  const char *script;
  const char16_t *text;
};
const Name kNames[] = {
    {"Arabic", u"واحة الصقور | قاعدة 3"},
    {"Hebrew", u"מבצר הערבה - שרת 2"},
    {"Hindi", u"रेगिस्तानी किला सर्वर"},
    {"Chinese", u"青龙要塞 · 二服"},
    {"Japanese", u"さくら砦 サーバー"},
    {"Korean", u"은하수 요새 서버"},
    {"Russian", u"Северный форпост #2"},
    {"Greek", u"Ακρόπολη των Ανέμων"},
    {"emoji", u"🔥 Ember Rush 🚀 24/7 👍🏽 👨‍👩‍👧"},
    {"mixed", u"Lumen מבצר Drift"},
    {"combining marks", u"Cafe\u0301 Noe\u0308l Arena"},
};

int Length(const char16_t *text) {
  return static_cast<int>(std::char_traits<char16_t>::length(text));
}

class ShapedTextTest : public HostTest {
 protected:
  ShapedTextTest() {
    m_Font = Surface().CreateFont();
    EXPECT_TRUE(Surface().SetFontGlyphSet(m_Font, "DejaVu Sans", 16, 400, 0, 0, 0));
  }
  kgui::IHostSurface &Surface() { return Runtime().Surface(); }
  const CTextRun &Run(const char16_t *text) {
    const CTextRun *run = Runtime().Fonts().Run(m_Font, text, Length(text));
    EXPECT_NE(run, nullptr);
    return *run;
  }
  // A panel that draws every name in white, one 20-pixel line each, as one run per name.
  std::unique_ptr<CProbePanel> MakeNamesCanvas() {
    auto canvas = MakePanel("Canvas", 0, 0, 0, 600, 20 * static_cast<int>(std::size(kNames)));
    canvas->onPaint = [this]() {
      Surface().DrawSetTextFont(m_Font);
      Surface().DrawSetTextColor(kWhite);
      int y = 0;
      for (const Name &name : kNames) {
        Surface().DrawSetTextPos(0, y);
        Surface().DrawPrintText(name.text, Length(name.text));
        y += 20;
      }
    };
    return canvas;
  }
  // The left edge of each character's piece on screen, by logical position.
  std::vector<int> CharacterLefts(const char16_t *text, const std::vector<int> &positions) {
    std::vector<int> lefts;
    for (int position : positions) {
      int ranges[8];
      EXPECT_GE(
          Surface().GetTextRunRangeExtents(m_Font, text, Length(text), position, position + 1, ranges, 4), 1);
      lefts.push_back(ranges[0]);
    }
    return lefts;
  }

  kgui::HFont m_Font = kgui::INVALID_FONT;
};

TEST_F(ShapedTextTest, NamesInEveryScriptHaveAllTheirGlyphsAndDraw) {
  auto canvas = MakeNamesCanvas();
  RunFrames(1);
  const Color desktop = DesktopColor();
  int y = 0;
  for (const Name &name : kNames) {
    SCOPED_TRACE(name.script);
    EXPECT_EQ(Run(name.text).MissingGlyphs(), 0);
    int ink = 0;
    for (int py = y; py < y + 20; ++py) {
      for (int px = 0; px < Run(name.text).Width(); ++px) ink += Pixel(px, py) == desktop ? 0 : 1;
    }
    EXPECT_GT(ink, 30);
    y += 20;
  }
  EXPECT_EQ(Runtime().Renderer().MissingGlyphsDrawn(), 0u);
  EXPECT_EQ(Runtime().Renderer().RunsDrawn(), std::size(kNames));

  // The count is real: a private-use character no font has shows as a box and is counted.
  const char16_t unknown[] = u"a\U0010FFFDb";
  EXPECT_EQ(Run(unknown).MissingGlyphs(), 1);
}

TEST_F(ShapedTextTest, RightToLeftRunsReadFromTheRightAndMixedRunsKeepEachDirection) {
  for (const char16_t *text : {u"מבצר", u"واحة"}) {
    const int length = Length(text);
    const std::vector<int> lefts = CharacterLefts(text, {0, length - 1});
    EXPECT_GT(lefts[0], lefts[1]);
    // The caret before the first letter is at the right edge, after the last at the left.
    EXPECT_EQ(Surface().GetTextRunCaretX(m_Font, text, length, 0), Run(text).Width());
    EXPECT_EQ(Surface().GetTextRunCaretX(m_Font, text, length, length), 0);
    // A click left of the text lands after its last letter; moving left goes forward in it.
    EXPECT_EQ(Surface().GetTextRunPositionAt(m_Font, text, length, -5), length);
    EXPECT_EQ(Surface().GetTextRunMovedCaret(m_Font, text, length, 0, -1), 1);
    EXPECT_EQ(Surface().GetTextRunMovedCaret(m_Font, text, length, 0, 1), 0);
  }
  // "Lumen מבצר Drift": L, then the Hebrew word reversed, then D.
  const char16_t *mixed = u"Lumen מבצר Drift";
  const std::vector<int> lefts = CharacterLefts(mixed, {0, 6, 9, 11});
  EXPECT_LT(lefts[0], lefts[2]);
  EXPECT_LT(lefts[2], lefts[1]);  // the Hebrew word's last letter is left of its first
  EXPECT_LT(lefts[1], lefts[3]);
  // A selection of "en מב" is two pieces on screen.
  int ranges[8];
  EXPECT_EQ(Surface().GetTextRunRangeExtents(m_Font, mixed, Length(mixed), 3, 8, ranges, 4), 2);
}

TEST_F(ShapedTextTest, CaretStepsOverWholeCharacters) {
  struct Case {
    const char16_t *text;
    int from;
    int steps;
    int expected;
  };
  const Case cases[] = {
      {u"e\u0301x", 0, 1, 2},               // a letter with its combining accent
      {u"e\u0301x", 3, -2, 0},              //
      {u"a😀b", 1, 1, 3},                    // a surrogate pair
      {u"👍🏽!", 0, 1, 4},              // a skin-tone modifier
      {u"👨‍👩‍👧 ok", 0, 1, 8},  // a family joined by zero-width joiners
      {u"abc", 2, 5, 3},                    // stays at the end
      {u"abc", 1, -5, 0},                   //
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.from);
    EXPECT_EQ(Surface().GetTextRunMovedCaret(m_Font, c.text, Length(c.text), c.from, c.steps), c.expected);
  }
  // A combining mark draws on its letter: the pair is no wider than the letter.
  EXPECT_EQ(Run(u"e\u0301").Width(), Run(u"e").Width());
}

TEST_F(ShapedTextTest, PlainTextRunsMeasureAsTheirCharacters) {
  // Per-character measures and drawn runs agree, so callers mixing them place text alike.
  for (const char16_t *text :
       {u"AVATo Wa Ty", u"Counter Server #1", u"de_dust2 | 24/7 | FFA", u"Привет, Ω"}) {
    int wide = 0, tall = 0;
    Surface().GetTextSize(m_Font, text, wide, tall);
    int runWide = 0, runTall = 0;
    Surface().GetTextRunSize(m_Font, text, Length(text), runWide, runTall);
    EXPECT_EQ(runWide, wide);
    EXPECT_EQ(runTall, tall);
  }
  // A character the font lacks is measured as drawn, from the font that has it.
  const char16_t han = u'龙';
  EXPECT_GT(Surface().GetCharacterWidth(m_Font, han), 8);
  EXPECT_EQ(Surface().GetCharacterWidth(m_Font, han), Run(u"龙").Width());
  int a = 0, b = 0, c = 0;
  Surface().GetCharABCwide(m_Font, han, a, b, c);
  EXPECT_EQ(a + b + c, Surface().GetCharacterWidth(m_Font, han));
  EXPECT_GT(b, 0);
  // Control characters take no room either way.
  EXPECT_EQ(Run(u"a\tb").Width(), Run(u"ab").Width());
}

TEST_F(ShapedTextTest, RunsAreShapedOnceAndKeptBetweenFrames) {
  auto canvas = MakeNamesCanvas();
  RunFrames(1);
  const uint64 shaped = Runtime().Fonts().RunsShaped();
  Runtime().Invalidate();
  RunFrames(1);
  EXPECT_EQ(Runtime().Fonts().RunsShaped(), shaped);
  EXPECT_EQ(Runtime().Renderer().RunsDrawn(), 2 * std::size(kNames));
  // A new glyph set makes new runs: the old ones measured another font.
  ASSERT_TRUE(Surface().SetFontGlyphSet(m_Font, "DejaVu Sans", 24, 400, 0, 0, 0));
  Runtime().Invalidate();
  RunFrames(1);
  EXPECT_EQ(Runtime().Fonts().RunsShaped(), shaped + std::size(kNames));
}

// The toolkit in this process, on the host's runtime.
class ShapedToolkitTest : public HostTest {
 protected:
  ShapedToolkitTest() { kgui::KGui_InitInterfacesList("shaped_text_test", &Runtime().Provider()); }
  ~ShapedToolkitTest() override {
    Runtime().Shutdown();
    kgui::KGui_ShutdownInterfaces();
  }
};

TEST_F(ShapedToolkitTest, AListOfNamesInEveryScriptShowsThemAll) {
  auto *list = new kgui::ListPanel(nullptr, "Names");
  list->SetParent(Runtime().RootPanel());
  list->SetBounds(10, 10, 420, 400);
  list->AddColumnHeader(0, "name", "Server", 400);
  for (const Name &name : kNames) {
    KeyValuesAD row(new KeyValues("row"));
    row->SetWString("name", name.text);
    list->AddItem(row.get(), 0, false, false);
  }
  list->SetVisible(true);
  RunFrames(3);
  EXPECT_EQ(list->GetItemCount(), static_cast<int>(std::size(kNames)));
  EXPECT_GE(Runtime().Renderer().RunsDrawn(), std::size(kNames));
  EXPECT_EQ(Runtime().Renderer().MissingGlyphsDrawn(), 0u);
}

TEST_F(ShapedToolkitTest, TextEntryArrowsAndClicksFollowTheScreenInRightToLeftText) {
  auto *entry = new kgui::TextEntry(nullptr, "Entry");
  entry->SetParent(Runtime().RootPanel());
  entry->SetBounds(20, 20, 300, 24);
  entry->SetVisible(true);
  entry->SetText(u"שלום עולם");
  RunFrames(1);
  entry->RequestFocus();
  entry->SetCursorPos(0);
  RunFrames(1);
  // The first letter is at the right: the left arrow moves into the text, the right one stays.
  Runtime().Input().KeyPressed(kgui::KEY_LEFT);
  Runtime().Input().KeyReleased(kgui::KEY_LEFT);
  RunFrames(1);
  EXPECT_EQ(entry->GetCursorPos(), 1);
  Runtime().Input().KeyPressed(kgui::KEY_RIGHT);
  Runtime().Input().KeyPressed(kgui::KEY_RIGHT);
  Runtime().Input().KeyReleased(kgui::KEY_RIGHT);
  RunFrames(1);
  EXPECT_EQ(entry->GetCursorPos(), 0);
  // A click near the left edge puts the caret after the last letter.
  Runtime().Input().CursorMoved(27, 30);
  Runtime().Input().MousePressed(kgui::MOUSE_LEFT);
  Runtime().Input().MouseReleased(kgui::MOUSE_LEFT);
  RunFrames(1);
  EXPECT_EQ(entry->GetCursorPos(), entry->GetTextLength());
  // Backspace takes a whole emoji.
  entry->SetText(u"go 🔥");
  entry->GotoTextEnd();
  entry->Backspace();
  EXPECT_EQ(entry->GetText(), "go ");
  delete entry;
}

}  // namespace
}  // namespace kguihost
