// TextEntry: typing, the cursor and the selection, the clipboard, the entry's rules and the
// "TextChanged" notification.
#include <string>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::TextEntry;

namespace {

class TextEntryTest : public ToolkitTest {
 protected:
  TextEntryTest() {
    m_pDialog = new kgui::EditablePanel(nullptr, "Dialog");
    m_pDialog->SetParent(Runtime().Desktop());
    m_pDialog->SetBounds(0, 0, 400, 300);
    m_pEntry = new TextEntry(m_pDialog, "Entry");
    m_pEntry->SetBounds(10, 10, 200, 24);
    Runtime().RunFrame();
    Runtime().Click(m_pEntry);
    TakeChanges();
  }
  ~TextEntryTest() override { delete m_pDialog; }

  // How many "TextChanged" notifications reached the dialog since the last call.
  int TakeChanges() {
    int count = 0;
    for (KeyValues *message : Runtime().TakeMessagesFor(m_pDialog->GetVPanel())) {
      if (!strcmp(message->GetName(), "TextChanged")) {
        EXPECT_EQ(message->GetPtr("panel"), static_cast<kgui::Panel *>(m_pEntry));
        ++count;
      }
      message->Destroy();
    }
    return count;
  }
  std::string Clipboard() {
    char16_t buffer[256] = {};
    Runtime().GetClipboardText(0, buffer, sizeof(buffer));
    return kgui::WideToUtf8(buffer);
  }

  kgui::EditablePanel *m_pDialog;
  TextEntry *m_pEntry;
};

TEST_F(TextEntryTest, TypingInsertsAtTheCursorAndSignalsEachChange) {
  ASSERT_TRUE(m_pEntry->HasFocus());
  Runtime().TypeText("Ada");
  EXPECT_EQ(m_pEntry->GetText(), "Ada");
  EXPECT_EQ(TakeChanges(), 3);
  Runtime().PressKey(kgui::KEY_HOME);
  Runtime().TypeText("\xC3\x89");  // a character beyond ASCII
  Runtime().PressKey(kgui::KEY_END);
  Runtime().PressKey(kgui::KEY_BACKSPACE);
  Runtime().PressKey(kgui::KEY_HOME);
  Runtime().PressKey(kgui::KEY_DELETE);
  EXPECT_EQ(m_pEntry->GetText(), "Ad");
  EXPECT_EQ(TakeChanges(), 3);
  Runtime().PressKey(kgui::KEY_HOME);
  Runtime().PressKey(kgui::KEY_BACKSPACE);  // nothing to delete: no notification
  EXPECT_EQ(TakeChanges(), 0);
}

TEST_F(TextEntryTest, CharacterKeysStopAtTheEntry) {
  // The owner must not see letters as keys (a list would jump to rows).
  class KeyCounter : public kgui::EditablePanel {
   public:
    KeyCounter() : EditablePanel(nullptr, "Counter") {}
    int keys = 0;
    void OnKeyCodeTyped(kgui::KeyCode code) override {
      ++keys;
      EditablePanel::OnKeyCodeTyped(code);
    }
  } counter;
  counter.SetParent(Runtime().Desktop());
  m_pEntry->SetParent(&counter);
  m_pEntry->RequestFocus();
  Runtime().PressKey(kgui::KEY_A);
  Runtime().PressKey(kgui::KEY_SPACE);
  Runtime().PressKey(kgui::KEY_ESCAPE);
  EXPECT_EQ(counter.keys, 1);
  m_pEntry->SetParent(m_pDialog);
}

TEST_F(TextEntryTest, ShiftArrowsSelectAndTypingReplacesTheSelection) {
  m_pEntry->SetText("servers");
  Runtime().PressKey(kgui::KEY_LEFT, false, true);
  Runtime().PressKey(kgui::KEY_LEFT, false, true);
  int start = 0, end = 0;
  ASSERT_TRUE(m_pEntry->GetSelectedRange(start, end));
  EXPECT_EQ(start, 5);
  EXPECT_EQ(end, 7);
  Runtime().TypeText("d");
  EXPECT_EQ(m_pEntry->GetText(), "served");
  EXPECT_FALSE(m_pEntry->GetSelectedRange(start, end));
  Runtime().TypeText("s");
  EXPECT_EQ(m_pEntry->GetText(), "serveds");
}

TEST_F(TextEntryTest, ControlKeysUseTheClipboard) {
  m_pEntry->SetText("alpha beta");
  Runtime().PressKey(kgui::KEY_A, true);
  Runtime().PressKey(kgui::KEY_C, true);
  EXPECT_EQ(Clipboard(), "alpha beta");
  Runtime().PressKey(kgui::KEY_LEFT, true);  // word by word
  Runtime().PressKey(kgui::KEY_LEFT, true);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 0);
  Runtime().PressKey(kgui::KEY_RIGHT, true, true);
  Runtime().PressKey(kgui::KEY_X, true);
  EXPECT_EQ(Clipboard(), "alpha ");
  EXPECT_EQ(m_pEntry->GetText(), "beta");
  Runtime().PressKey(kgui::KEY_END);
  Runtime().PressKey(kgui::KEY_V, true);
  EXPECT_EQ(m_pEntry->GetText(), "betaalpha ");
  // Letters typed with control held are commands, not text.
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, true);
  Runtime().TypeText("q");
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, false);
  EXPECT_EQ(m_pEntry->GetText(), "betaalpha ");
}

TEST_F(TextEntryTest, PasteStopsAtTheFirstLineBreakAndObeysTheRules) {
  const std::u16string multi = u"12ab\n34";
  Runtime().SetClipboardText(multi.c_str(), static_cast<int>(multi.size()));
  m_pEntry->SetAllowNumericInputOnly(true);
  m_pEntry->Paste();
  EXPECT_EQ(m_pEntry->GetText(), "12");
}

TEST_F(TextEntryTest, HiddenTextShowsStarsAndIsNotCopied) {
  KeyValuesAD keys(new KeyValues("Entry", "textHidden", "1"));
  m_pEntry->ApplySettings(keys.get());
  Runtime().TypeText("secret");
  KeyValuesAD dump(new KeyValues("panel"));
  m_pEntry->Describe(dump.get());
  EXPECT_STREQ(dump->GetString("text"), "******");
  EXPECT_EQ(m_pEntry->GetText(), "secret");
  Runtime().SetClipboardText(u"old", 3);
  m_pEntry->SelectAllText(false);
  Runtime().PressKey(kgui::KEY_C, true);
  Runtime().PressKey(kgui::KEY_X, true);
  EXPECT_EQ(Clipboard(), "old");
  EXPECT_EQ(m_pEntry->GetText(), "secret");
}

TEST_F(TextEntryTest, RulesFromLayoutKeys) {
  struct Case {
    const char *key;
    const char *value;
    const char *typed;
    const char *expected;
  };
  const Case cases[] = {
      {"maxchars", "4", "abcdef", "abcd"},      {"NumericInputOnly", "1", "a1-2.5x", "1-2.5"},
      {"unicode", "0", "caf\xC3\xA9!", "caf!"}, {"editable", "0", "abc", ""},
      {"maxchars", "-1", "abcdef", "abcdef"},
  };
  for (const Case &c : cases) {
    auto *entry = new TextEntry(m_pDialog, "Rules");
    entry->SetBounds(10, 50, 200, 24);
    KeyValuesAD keys(new KeyValues("Rules", c.key, c.value));
    entry->ApplySettings(keys.get());
    entry->RequestFocus();
    Runtime().TypeText(c.typed);
    EXPECT_EQ(entry->GetText(), c.expected) << c.key;
    delete entry;
  }
}

TEST_F(TextEntryTest, ShorterLimitCutsExistingText) {
  m_pEntry->SetText("27015");
  TakeChanges();
  m_pEntry->SetMaximumCharCount(3);
  EXPECT_EQ(m_pEntry->GetText(), "270");
  EXPECT_EQ(TakeChanges(), 1);
  m_pEntry->SetText("270");  // the same text: no notification
  EXPECT_EQ(TakeChanges(), 0);
}

TEST_F(TextEntryTest, MouseClickPlacesTheCursorAndDragSelects) {
  m_pEntry->SetText("abcdefgh");  // 7 pixels a character in the test host, text from x = 5
  Runtime().ClickAt(10 + 5 + 7 * 3 + 2, 20);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 3);
  int start = 0, end = 0;
  EXPECT_FALSE(m_pEntry->GetSelectedRange(start, end));
  // Press at 1, drag to 5.
  Runtime().MoveCursorTo(10 + 5 + 7 * 1, 20);
  KeyValuesAD press(new KeyValues("MousePressed", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(m_pEntry->GetVPanel(), press.get(), 0);
  Runtime().MoveCursorTo(10 + 5 + 7 * 5, 20);
  KeyValuesAD release(new KeyValues("MouseReleased", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(m_pEntry->GetVPanel(), release.get(), 0);
  ASSERT_TRUE(m_pEntry->GetSelectedRange(start, end));
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 5);
}

TEST_F(TextEntryTest, DoubleClickSelectsAWord) {
  m_pEntry->SetText("red green blue");
  Runtime().ClickAt(10 + 5 + 7 * 7, 20);
  KeyValuesAD twice(new KeyValues("MouseDoublePressed", "code", kgui::MOUSE_LEFT));
  kgui::ipanel()->SendMessage(m_pEntry->GetVPanel(), twice.get(), 0);
  int start = 0, end = 0;
  ASSERT_TRUE(m_pEntry->GetSelectedRange(start, end));
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 9);
}

TEST_F(TextEntryTest, HintIsDrawnOnlyWhileEmptyAndUnfocused) {
  Runtime().SetFocus(0);
  auto paintCalls = [&]() {
    const int before = Runtime().DrawCallCount();
    Runtime().PaintAll();
    return Runtime().DrawCallCount() - before;
  };
  const int plain = paintCalls();
  KeyValuesAD keys(new KeyValues("Entry", "hintText", "#Hint_Name"));
  m_pEntry->ApplySettings(keys.get());
  EXPECT_EQ(paintCalls(), plain + 1);
  m_pEntry->SetText("x");
  EXPECT_EQ(paintCalls(), plain + 1);  // the text instead of the hint
  m_pEntry->SetText("");
  m_pEntry->RequestFocus();
  Runtime().SetKeyDown(kgui::KEY_LCONTROL, false);
  const int focused = paintCalls();
  m_pEntry->SetHintText("");
  EXPECT_EQ(paintCalls(), focused);
}

TEST_F(TextEntryTest, LongTextScrollsToKeepTheCursorInView) {
  m_pEntry->SetText(std::string(60, 'w').c_str());
  Runtime().PressKey(kgui::KEY_HOME);
  Runtime().PressKey(kgui::KEY_END);
  // The last character stays clickable: a click at the right edge lands at the end.
  Runtime().ClickAt(10 + 200 - 6, 20);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 60);
  Runtime().PressKey(kgui::KEY_HOME);
  Runtime().ClickAt(10 + 6, 20);
  EXPECT_EQ(m_pEntry->GetCursorPos(), 0);
}

}  // namespace
