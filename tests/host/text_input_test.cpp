// Text input in the host: typed UTF-8 reaching panels as UTF-16 "KeyTyped" (a surrogate pair for a
// character beyond U+FFFF, U+FFFD for broken bytes), an input method's composition and the area
// its window opens beside, the script's compose step; and the toolkit's text entry on the shaping
// surface with emoji, an ideograph beyond the basic plane and a combining mark.
#include <string>
#include <vector>

#include "host/script/script_parser.h"
#include "host/script/script_runner.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

// The toolkit in this process, on the host's runtime. These come first: the font map may still
// sort fallback fonts on a thread of its own after the last text is shaped, and a process that
// ends meanwhile trips over it in the exit-time release of the text libraries' caches.
class TextEntryOnHostTest : public HostTest {
 protected:
  TextEntryOnHostTest() {
    kgui::KGui_InitInterfacesList("text_input_test", &Runtime().Provider());
    m_pEntry = new kgui::TextEntry(nullptr, "Entry");
    m_pEntry->SetParent(Runtime().RootPanel());
    m_pEntry->SetBounds(20, 20, 300, 24);
    m_pEntry->SetVisible(true);
    RunFrames(1);
    m_pEntry->RequestFocus();
    RunFrames(1);
  }
  ~TextEntryOnHostTest() override {
    delete m_pEntry;
    Runtime().Shutdown();
    kgui::KGui_ShutdownInterfaces();
  }
  void Press(kgui::KeyCode code) {
    Runtime().Input().KeyPressed(code);
    Runtime().Input().KeyReleased(code);
  }
  void PressWith(kgui::KeyCode modifier, kgui::KeyCode code) {
    Runtime().Input().KeyPressed(modifier);
    Press(code);
    Runtime().Input().KeyReleased(modifier);
  }

  kgui::TextEntry *m_pEntry = nullptr;
};

TEST_F(TextEntryOnHostTest, EmojiIdeographsAndCombiningMarksAreWholeCharacters) {
  // "é" as e and a combining acute, an emoji, an ideograph beyond the basic plane.
  Runtime().Input().TextTyped("e\xCC\x81\xF0\x9F\x98\x80\xF0\xA0\x80\x80");
  ASSERT_EQ(m_pEntry->GetWText(), u"e\u0301\U0001F600\U00020000");
  EXPECT_EQ(m_pEntry->GetCharCount(), 4);
  // Units: e 0, mark 1, emoji 2-3, ideograph 4-5. On screen the letter and its mark are one.
  struct Step {
    kgui::KeyCode key;
    int cursor;
  };
  const Step steps[] = {{kgui::KEY_HOME, 0},  {kgui::KEY_RIGHT, 2}, {kgui::KEY_RIGHT, 4},
                        {kgui::KEY_RIGHT, 6}, {kgui::KEY_LEFT, 4},  {kgui::KEY_LEFT, 2}};
  for (const Step &step : steps) {
    Press(step.key);
    EXPECT_EQ(m_pEntry->GetCursorPos(), step.cursor) << "after key " << step.key;
  }
  // Shift+Right selects the emoji; copy, paste at the end, and the clipboard holds it whole.
  PressWith(kgui::KEY_LSHIFT, kgui::KEY_RIGHT);
  int start = 0, end = 0;
  ASSERT_TRUE(m_pEntry->GetSelectedRange(start, end));
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(2, 4));
  PressWith(kgui::KEY_LCONTROL, kgui::KEY_C);
  Press(kgui::KEY_END);
  PressWith(kgui::KEY_LCONTROL, kgui::KEY_V);
  EXPECT_EQ(m_pEntry->GetWText(), u"e\u0301\U0001F600\U00020000\U0001F600");
  // Backspace takes the emoji whole; Delete before the ideograph takes it whole.
  Press(kgui::KEY_BACKSPACE);
  Press(kgui::KEY_LEFT);
  Press(kgui::KEY_DELETE);
  EXPECT_EQ(m_pEntry->GetWText(), u"e\u0301\U0001F600");
  // The limit counts characters (a mark is one, so is a pair): room for one more ideograph.
  m_pEntry->SetMaximumCharCount(4);
  Press(kgui::KEY_END);
  Runtime().Input().TextTyped("\xF0\xA0\x80\x80\xF0\xA0\x80\x80");
  EXPECT_EQ(m_pEntry->GetWText(), u"e\u0301\U0001F600\U00020000");
  EXPECT_EQ(Runtime().Renderer().MissingGlyphsDrawn(), 0u);
}

TEST_F(TextEntryOnHostTest, ACompositionIsDrawnUnderlinedAtTheCaretAndTellsTheHostWhere) {
  m_pEntry->SetText("ab");
  m_pEntry->SetCursorPos(1);
  RunFrames(1);
  CHostInput &input = Runtime().Input();
  int x = 0, y = 0, wide = 0, tall = 0;
  ASSERT_TRUE(input.TextInputArea(x, y, wide, tall));
  const int caretBefore = x;
  EXPECT_GT(x, 20);
  EXPECT_LT(x, 60);
  EXPECT_GE(y, 20);
  EXPECT_LE(y + tall, 44);

  input.CompositionChanged("\xE6\xBC\xA2\xE5\xAD\x97", 2, 0);  // two ideographs
  RunFrames(1);
  EXPECT_EQ(m_pEntry->GetText(), "ab");
  EXPECT_EQ(m_pEntry->GetComposition(), u"漢字");
  // The caret (and the input method's window) moves to the composition's end.
  ASSERT_TRUE(input.TextInputArea(x, y, wide, tall));
  EXPECT_GT(x, caretBefore + 10);
  // The underline: a row of the text colour under the ideographs, below the glyphs.
  const Color background = Pixel(310, y + 1);  // the entry's empty right end
  int inked = 0;
  for (int column = caretBefore + 1; column < x - 1; ++column)
    inked += Pixel(column, y + tall - 1) != background;
  EXPECT_GE(inked, x - caretBefore - 3);

  input.TextTyped("\xE6\xBC\xA2\xE5\xAD\x97");
  input.CompositionChanged("", 0, 0);
  EXPECT_EQ(m_pEntry->GetWText(), u"a漢字b");
  EXPECT_EQ(m_pEntry->GetComposition(), u"");
  EXPECT_EQ(Runtime().Renderer().MissingGlyphsDrawn(), 0u);
}

class TextInputTest : public HostTest {
 protected:
  TextInputTest()
      : m_Window(MakePopup("Window", 0, 0, 300, 200)),
        m_Entry(MakePanel("Entry", m_Window->id, 20, 30, 100, 20)) {
    Runtime().Input().SetFocus(m_Entry->id);
    m_Entry->log.clear();
    m_Entry->onMessage = [this](KeyValues *message) {
      if (strcmp(message->GetName(), "CompositionChanged") != 0) return;
      m_Compositions.push_back(
          {message->GetWString("text"), message->GetInt("caret", -1), message->GetInt("selection", -1)});
    };
  }
  std::vector<int> TypedUnits() {
    std::vector<int> units;
    for (const std::string &entry : m_Entry->Logged("KeyTyped ")) units.push_back(std::stoi(entry.substr(9)));
    m_Entry->log.clear();
    return units;
  }

  struct Composition {
    std::u16string text;
    int caret;
    int selection;
    bool operator==(const Composition &other) const {
      return text == other.text && caret == other.caret && selection == other.selection;
    }
  };
  std::unique_ptr<CProbePanel> m_Window;
  std::unique_ptr<CProbePanel> m_Entry;
  std::vector<Composition> m_Compositions;
};

TEST_F(TextInputTest, TypedUtf8ArrivesAsUtf16UnitsWithPairsAndReplacements) {
  struct Case {
    const char *name;
    const char *utf8;
    std::vector<int> units;
  };
  const Case cases[] = {
      {"ASCII", "ab", {'a', 'b'}},
      {"two bytes", "\xC3\xA9", {0xE9}},
      {"three bytes", "\xE6\x97\xA5", {0x65E5}},
      {"emoji", "\xF0\x9F\x98\x80", {0xD83D, 0xDE00}},
      {"ideograph beyond the basic plane", "\xF0\xA0\x80\x80", {0xD840, 0xDC00}},
      {"last character", "\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}},
      {"base and combining mark", "e\xCC\x81", {'e', 0x301}},
      {"stray continuation byte", "\x80z", {0xFFFD, 'z'}},
      {"cut four-byte sequence", "\xF0\x9F\x98z", {0xFFFD, 'z'}},
      {"cut at the end", "a\xF0\x9F", {'a', 0xFFFD}},
      {"overlong slash", "\xC0\xAF", {0xFFFD, 0xFFFD}},
      {"encoded surrogate", "\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
      {"nothing", "", {}},
  };
  for (const Case &c : cases) {
    Runtime().Input().TextTyped(c.utf8);
    EXPECT_EQ(TypedUnits(), c.units) << c.name;
  }
  Runtime().Input().TextTyped(nullptr);
  EXPECT_TRUE(TypedUnits().empty());

  // Characters given whole: a surrogate or a value past the last character is broken, 0 is none.
  CHostInput &input = Runtime().Input();
  input.CharTyped(U'\U00020000');
  input.CharTyped(0xD800);
  input.CharTyped(0xDFFF);
  input.CharTyped(0x110000);
  input.CharTyped(0);
  EXPECT_EQ(TypedUnits(), (std::vector<int>{0xD840, 0xDC00, 0xFFFD, 0xFFFD, 0xFFFD}));
}

TEST_F(TextInputTest, CompositionReachesTheFocusWithCaretAndSelectionInUnits) {
  CHostInput &input = Runtime().Input();
  // "a", an emoji, an ideograph: the caret after two characters is after three units.
  input.CompositionChanged("a\xF0\x9F\x98\x80\xE6\xBC\xA2", 2, 1);
  EXPECT_TRUE(input.Composing());
  input.CompositionChanged("a\xF0\x9F\x98\x80", 1, 5);  // a selection past the end stops there
  input.CompositionChanged("ab", 9, 0);                 // so does a caret
  input.CompositionChanged("\xFF", 0, 0);               // broken text arrives replaced
  input.CompositionChanged("", 0, 0);
  EXPECT_FALSE(input.Composing());
  EXPECT_EQ(
      m_Compositions,
      (std::vector<Composition>{
          {u"a\U0001F600漢", 3, 1}, {u"a\U0001F600", 1, 2}, {u"ab", 2, 0}, {u"\xFFFD", 0, 0}, {u"", 0, 0}}));
  // Moving the focus ends it for the host too.
  input.CompositionChanged("x", 1, 0);
  auto other = MakePanel("Other", m_Window->id, 150, 30, 100, 20);
  input.SetFocus(other->id);
  EXPECT_FALSE(input.Composing());
}

TEST_F(TextInputTest, TheTextInputAreaIsTheFocusedPanelsInScreenPixels) {
  CHostInput &input = Runtime().Input();
  int x = 0, y = 0, wide = 0, tall = 0;
  EXPECT_FALSE(input.TextInputArea(x, y, wide, tall));
  input.SetTextInputArea(m_Entry->id, 7, 2, 1, 16);
  ASSERT_TRUE(input.TextInputArea(x, y, wide, tall));
  EXPECT_EQ(std::vector<int>({x, y, wide, tall}), std::vector<int>({27, 32, 1, 16}));
  auto other = MakePanel("Other", m_Window->id, 150, 30, 100, 20);
  input.SetFocus(other->id);
  EXPECT_FALSE(input.TextInputArea(x, y, wide, tall));  // it was the old focus's
  input.SetFocus(m_Entry->id);
  EXPECT_TRUE(input.TextInputArea(x, y, wide, tall));
  m_Entry.reset();
  EXPECT_FALSE(input.TextInputArea(x, y, wide, tall));
}

TEST(ScriptCompose, ReadsTextAndAnOptionalCaret) {
  struct Case {
    const char *line;
    const char *text;
    int caret;
  };
  const Case cases[] = {
      {"compose にほ 1", "にほ", 1}, {"compose にほん", "にほん", -1}, {"compose", "", -1},
      {"compose 12", "12", -1},      {"compose a b 0", "a b", 0},      {"compose a 1x", "a 1x", -1},
  };
  for (const Case &c : cases) {
    std::vector<CScriptStep> steps;
    std::string error;
    ASSERT_TRUE(CScriptParser::Parse(c.line, steps, error)) << c.line << ": " << error;
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].kind, CScriptStep::COMPOSE) << c.line;
    EXPECT_EQ(steps[0].text, c.text) << c.line;
    EXPECT_EQ(steps[0].caret, c.caret) << c.line;
  }
  std::vector<CScriptStep> steps;
  std::string error;
  EXPECT_FALSE(CScriptParser::Parse("compose a 99999999999", steps, error));
  EXPECT_NE(error.find("line 1: compose caret"), std::string::npos) << error;
}

TEST_F(TextInputTest, ScriptStepsComposeAndTypeWholeCharacters) {
  std::vector<CScriptStep> steps;
  std::string error;
  ASSERT_TRUE(
      CScriptParser::Parse("compose \xE3\x81\xAB\xF0\x9F\x98\x80\ncompose x 0\ncompose\n"
                           "type \xF0\x9F\x98\x80!\n",
                           steps, error))
      << error;
  CScriptRunner runner(Runtime(), steps, nullptr);
  Runtime().AddFrameClient(&runner);
  RunFrames(1);
  Runtime().RemoveFrameClient(&runner);
  EXPECT_FALSE(runner.Failed());
  // Without a caret it stands after the last character.
  EXPECT_EQ(m_Compositions, (std::vector<Composition>{{u"に\U0001F600", 3, 0}, {u"x", 0, 0}, {u"", 0, 0}}));
  EXPECT_EQ(TypedUnits(), (std::vector<int>{0xD83D, 0xDE00, '!'}));
}

}  // namespace
}  // namespace kguihost
