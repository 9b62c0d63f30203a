// TextEntry beyond the basic plane and with an input method: surrogate pairs as one character
// (typing, the caret, selection, deleting, the clipboard, the maximum length), halves without
// a partner, and a composition shown at the caret until committed or cancelled.
#include <string>
#include <vector>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::TextEntry;

namespace {

// U+1F600 and U+20000 (a CJK ideograph beyond the basic plane), in UTF-8 and UTF-16.
#define GRIN "\xF0\x9F\x98\x80"
#define CJK "\xF0\xA0\x80\x80"
const std::u16string kGrin = u"\U0001F600";
const std::u16string kCjk = u"\U00020000";

bool HasLoneSurrogate(const std::u16string &text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      return true;
    }
  }
  return false;
}

class TextEntryUnicodeTest : public ToolkitTest {
 protected:
  TextEntryUnicodeTest() {
    m_pDialog = new kgui::EditablePanel(nullptr, "Dialog");
    m_pDialog->SetParent(Runtime().Desktop());
    m_pDialog->SetBounds(0, 0, 400, 300);
    m_pEntry = new TextEntry(m_pDialog, "Entry");
    m_pEntry->SetBounds(10, 10, 300, 24);
    Runtime().RunFrame();
    Runtime().Click(m_pEntry);
    TakeChanges();
  }
  ~TextEntryUnicodeTest() override { delete m_pDialog; }

  int TakeChanges() {
    int count = 0;
    for (KeyValues *message : Runtime().TakeMessagesFor(m_pDialog->GetVPanel())) {
      if (!strcmp(message->GetName(), "TextChanged")) ++count;
      message->Destroy();
    }
    return count;
  }
  void TypeUnits(const std::u16string &units) {
    for (char16_t unit : units) {
      KeyValues message("KeyTyped", "unichar", static_cast<int>(unit));
      m_pEntry->OnMessage(&message, 0);
    }
  }
  void Compose(const std::u16string &text, int caret, int selection = 0) {
    KeyValues message("CompositionChanged", "text", text.c_str());
    message.SetInt("caret", caret);
    message.SetInt("selection", selection);
    m_pEntry->OnMessage(&message, 0);
  }
  std::u16string Clipboard() {
    char16_t buffer[256] = {};
    Runtime().GetClipboardText(0, buffer, sizeof(buffer));
    return buffer;
  }
  // What the entry draws as text in one paint.
  std::vector<std::u16string> Painted() {
    Runtime().RecordPrintedTexts(true);
    Runtime().PaintAll();
    std::vector<std::u16string> texts = Runtime().PrintedTexts();
    Runtime().RecordPrintedTexts(false);
    return texts;
  }
  std::string Described(const char *key) {
    KeyValuesAD block(new KeyValues("Panel"));
    m_pEntry->Describe(block.get());
    return block->GetString(key, "<none>");
  }

  kgui::EditablePanel *m_pDialog;
  TextEntry *m_pEntry;
};

TEST_F(TextEntryUnicodeTest, PairsTypedInsertOneCharacterEachAndTheCaretNeverSplitsThem) {
  Runtime().TypeText("a" GRIN "b" CJK);  // the runtime sends each UTF-16 unit as "KeyTyped"
  EXPECT_EQ(m_pEntry->GetWText(), u"a" + kGrin + u"b" + kCjk);
  EXPECT_EQ(m_pEntry->GetCharCount(), 4);
  EXPECT_EQ(TakeChanges(), 4);  // one change a character, none for half of one

  // Units: a 0, grin 1-2, b 3, cjk 4-5.
  struct Step {
    kgui::KeyCode key;
    bool shift;
    int cursor;
  };
  const Step steps[] = {{kgui::KEY_HOME, false, 0},  {kgui::KEY_RIGHT, false, 1}, {kgui::KEY_RIGHT, false, 3},
                        {kgui::KEY_RIGHT, false, 4}, {kgui::KEY_RIGHT, false, 6}, {kgui::KEY_LEFT, false, 4},
                        {kgui::KEY_LEFT, false, 3},  {kgui::KEY_LEFT, false, 1}};
  for (const Step &step : steps) {
    Runtime().PressKey(step.key, false, step.shift);
    EXPECT_EQ(m_pEntry->GetCursorPos(), step.cursor) << "after key " << step.key;
  }
  // A position inside a pair moves to its start.
  m_pEntry->SetCursorPos(5);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 4);
  m_pEntry->SetCursorPos(2);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 1);
}

TEST_F(TextEntryUnicodeTest, SelectionDeletionAndTheClipboardTakePairsWhole) {
  m_pEntry->SetText((u"a" + kGrin + u"b" + kCjk).c_str());
  Runtime().PressKey(kgui::KEY_HOME);
  Runtime().PressKey(kgui::KEY_RIGHT);
  Runtime().PressKey(kgui::KEY_RIGHT, false, true);  // shift: the emoji
  int start = 0, end = 0;
  ASSERT_TRUE(m_pEntry->GetSelectedRange(start, end));
  EXPECT_EQ(end - start, 2);
  Runtime().PressKey(kgui::KEY_C, true);
  EXPECT_EQ(Clipboard(), kGrin);

  // Paste at the end round-trips it; backspace takes it away whole again.
  Runtime().PressKey(kgui::KEY_END);
  Runtime().PressKey(kgui::KEY_V, true);
  EXPECT_EQ(m_pEntry->GetWText(), u"a" + kGrin + u"b" + kCjk + kGrin);
  Runtime().PressKey(kgui::KEY_BACKSPACE);
  EXPECT_EQ(m_pEntry->GetWText(), u"a" + kGrin + u"b" + kCjk);
  // Delete before the ideograph takes both its halves.
  Runtime().PressKey(kgui::KEY_LEFT);
  Runtime().PressKey(kgui::KEY_DELETE);
  EXPECT_EQ(m_pEntry->GetWText(), u"a" + kGrin + u"b");
  // Shift+Left from the end selects b then the emoji; cut leaves "a" and holds both.
  Runtime().PressKey(kgui::KEY_END);
  Runtime().PressKey(kgui::KEY_LEFT, false, true);
  Runtime().PressKey(kgui::KEY_LEFT, false, true);
  Runtime().PressKey(kgui::KEY_X, true);
  EXPECT_EQ(m_pEntry->GetWText(), u"a");
  EXPECT_EQ(Clipboard(), kGrin + u"b");
  EXPECT_FALSE(HasLoneSurrogate(m_pEntry->GetWText()));
}

TEST_F(TextEntryUnicodeTest, MaximumLengthCountsCharactersAndNeverCutsAPair) {
  m_pEntry->SetMaximumCharCount(3);
  Runtime().TypeText(GRIN CJK GRIN GRIN);
  EXPECT_EQ(m_pEntry->GetWText(), kGrin + kCjk + kGrin);
  EXPECT_EQ(m_pEntry->GetTextLength(), 6);
  m_pEntry->SetMaximumCharCount(2);
  EXPECT_EQ(m_pEntry->GetWText(), kGrin + kCjk);

  // Room for one more: the paste keeps its first character, never half of the second.
  m_pEntry->SetText(u"x");
  m_pEntry->GotoTextEnd();
  Runtime().SetClipboardText((kCjk + kGrin).c_str(), 4);
  m_pEntry->Paste();
  EXPECT_EQ(m_pEntry->GetWText(), u"x" + kCjk);
  m_pEntry->SetText((kGrin + kGrin + kGrin).c_str());
  EXPECT_EQ(m_pEntry->GetWText(), kGrin + kGrin);
}

TEST_F(TextEntryUnicodeTest, ASurrogateWithoutItsPartnerIsStoredAsTheReplacementCharacter) {
  struct Case {
    const char *name;
    std::u16string typed;
    std::u16string stored;
  };
  const Case cases[] = {
      {"high then a letter",
       u"\xD83D"
       u"a",
       u"\xFFFD"
       u"a"},
      {"low alone", u"\xDE00", u"\xFFFD"},
      {"two highs then a low", u"\xD83D\xD83D\xDE00", u"\xFFFD" + kGrin},
      {"low then high then low", u"\xDE00\xD83D\xDE00", u"\xFFFD" + kGrin},
  };
  for (const Case &c : cases) {
    m_pEntry->SetText("");
    TypeUnits(c.typed);
    EXPECT_EQ(m_pEntry->GetWText(), c.stored) << c.name;
  }
  // A high half followed by a key, text set or pasted with halves: replaced too.
  m_pEntry->SetText("");
  TypeUnits(u"\xD83D");
  Runtime().PressKey(kgui::KEY_HOME);
  EXPECT_EQ(m_pEntry->GetWText(), u"\xFFFD");
  m_pEntry->SetText(u"\xDC00x\xD800");
  EXPECT_EQ(m_pEntry->GetWText(),
            u"\xFFFD"
            u"x\xFFFD");
  Runtime().SetClipboardText(u"\xD800y", 2);
  m_pEntry->Paste();
  EXPECT_EQ(m_pEntry->GetWText(),
            u"\xFFFD"
            u"x\xFFFD\xFFFD"
            u"y");
  // Losing the focus forgets a half: nothing is typed by leaving.
  m_pEntry->SetText("");
  TypeUnits(u"\xD83D");
  Runtime().SetFocus(0);
  EXPECT_EQ(m_pEntry->GetWText(), u"");
  m_pEntry->RequestFocus();
  TypeUnits(u"\xDE00");
  EXPECT_EQ(m_pEntry->GetWText(), u"\xFFFD");
  for (const std::u16string &painted : Painted()) EXPECT_FALSE(HasLoneSurrogate(painted));
}

TEST_F(TextEntryUnicodeTest, RulesJudgeAPairAsOneCharacter) {
  m_pEntry->SetAllowNonAsciiCharacters(false);
  Runtime().TypeText("a" GRIN "b");
  EXPECT_EQ(m_pEntry->GetText(), "ab");
  m_pEntry->SetAllowNonAsciiCharacters(true);
  m_pEntry->SetAllowNumericInputOnly(true);
  m_pEntry->SetText("");
  Runtime().TypeText("1" CJK "2");
  EXPECT_EQ(m_pEntry->GetText(), "12");
}

TEST_F(TextEntryUnicodeTest, HiddenTextShowsOneStarACharacter) {
  m_pEntry->SetTextHidden(true);
  Runtime().TypeText(GRIN "a" CJK);
  EXPECT_EQ(Described("text"), "***");
  EXPECT_EQ(Painted(), std::vector<std::u16string>{u"***"});
  Runtime().PressKey(kgui::KEY_LEFT);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 3);
  Runtime().PressKey(kgui::KEY_LEFT);
  Runtime().PressKey(kgui::KEY_LEFT);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 0);
  // A click after the second star lands after the letter.
  Runtime().ClickAt(10 + 5 + 14, 20);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 3);
}

TEST_F(TextEntryUnicodeTest, CompositionIsShownAtTheCaretAndStoredOnlyWhenCommitted) {
  m_pEntry->SetText("ab");
  m_pEntry->SetCursorPos(1);
  TakeChanges();
  const int plainDraws = [&] {
    const int before = Runtime().DrawCallCount();
    Runtime().PaintAll();
    return Runtime().DrawCallCount() - before;
  }();

  Compose(u"に", 1);
  Compose(u"にほ", 2);
  EXPECT_EQ(m_pEntry->GetText(), "ab");
  EXPECT_EQ(m_pEntry->GetComposition(), u"にほ");
  EXPECT_EQ(TakeChanges(), 0);
  EXPECT_EQ(Painted(), std::vector<std::u16string>{u"aにほb"});
  EXPECT_EQ(Described("text"), "ab");
  EXPECT_EQ(Described("composition"), "にほ");
  // The underline (and, with a selected part, a thicker one) is drawn.
  Compose(u"にほ", 0, 1);
  const int before = Runtime().DrawCallCount();
  Runtime().PaintAll();
  EXPECT_EQ(Runtime().DrawCallCount() - before, plainDraws + 2);

  // Committed text arrives typed and takes the composition's place.
  Runtime().TypeText("日本");
  Compose(u"", 0);
  EXPECT_EQ(m_pEntry->GetWText(), u"a日本b");
  EXPECT_EQ(m_pEntry->GetCursorPos(), 3);
  EXPECT_EQ(m_pEntry->GetComposition(), u"");
  EXPECT_EQ(Described("composition"), "<none>");
  EXPECT_EQ(TakeChanges(), 2);
}

TEST_F(TextEntryUnicodeTest, CompositionEndsEmptyOrWithTheFocusAndStandsInPlaceOfTheSelection) {
  m_pEntry->SetText("abc");
  TakeChanges();
  // An empty composition cancels: nothing stored.
  Compose(u"漢" + kCjk, 2);
  EXPECT_EQ(Painted(), std::vector<std::u16string>{u"abc漢" + kCjk});
  Compose(u"", 0);
  EXPECT_EQ(Painted(), std::vector<std::u16string>{u"abc"});
  EXPECT_EQ(m_pEntry->GetText(), "abc");

  // The selection is replaced in the preview only.
  m_pEntry->SetCursorPos(1);
  Runtime().PressKey(kgui::KEY_RIGHT, false, true);
  Compose(u"ü", 1);
  EXPECT_EQ(Painted(), std::vector<std::u16string>{u"aüc"});
  EXPECT_EQ(m_pEntry->GetText(), "abc");

  // Losing the focus drops it; the entry then draws its own text.
  Runtime().SetFocus(0);
  EXPECT_EQ(m_pEntry->GetComposition(), u"");
  EXPECT_EQ(Painted(), std::vector<std::u16string>{u"abc"});
  EXPECT_EQ(TakeChanges(), 0);

  // A hidden or read-only entry shows none; a caret inside a pair or past the end is kept whole.
  m_pEntry->RequestFocus();
  m_pEntry->SetTextHidden(true);
  Compose(u"x", 1);
  EXPECT_EQ(m_pEntry->GetComposition(), u"");
  m_pEntry->SetTextHidden(false);
  m_pEntry->SetEditable(false);
  Compose(u"x", 1);
  EXPECT_EQ(m_pEntry->GetComposition(), u"");
  m_pEntry->SetEditable(true);
  Compose(kGrin + u"\xD800", 1);
  EXPECT_EQ(m_pEntry->GetComposition(), kGrin + u"\xFFFD");
  Compose(kGrin, 99);
  EXPECT_EQ(m_pEntry->GetComposition(), kGrin);
}

}  // namespace
