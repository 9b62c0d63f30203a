// Labels (alignment, text cut to its room), dialog variables, rich text and tooltips.
#include <string>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/RichText.h"
#include "kgui_controls/ScrollBar.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::Label;

namespace {

class LabelTest : public ToolkitTest {
 protected:
  LabelTest() {
    m_pDialog = new kgui::EditablePanel(nullptr, "Dialog");
    m_pDialog->SetParent(Runtime().Desktop());
    m_pDialog->SetBounds(0, 0, 400, 300);
  }
  ~LabelTest() override { delete m_pDialog; }
  void Apply(kgui::Panel *panel, KeyValues *keys) {
    KeyValuesAD owned(keys);
    panel->ApplySettings(owned.get());
  }
  kgui::EditablePanel *m_pDialog;
};

TEST_F(LabelTest, TokensAreLocalisedAndUnknownOnesShownAsWritten) {
  Runtime().AddToken("#ServerBrowser_Connect", u"Connect");
  Label label(m_pDialog, "label", "#ServerBrowser_Connect");
  EXPECT_EQ(label.GetText(), "Connect");
  EXPECT_STREQ(label.GetUnlocalizedText(), "#ServerBrowser_Connect");
  label.SetText("#No_Such_Token");
  EXPECT_EQ(label.GetText(), "#No_Such_Token");
  // A new token file: the label reads its token again.
  Runtime().AddToken("#No_Such_Token", u"Now known");
  KeyValuesAD changed(new KeyValues("LocalizationFileChanged"));
  kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), changed.get(), 0);
  EXPECT_EQ(label.GetText(), "Now known");
}

TEST_F(LabelTest, DialogVariablesFillTheLabelsOfTheDialog) {
  Runtime().AddToken("#Info_Players", u"%players% of %max% players");
  Label label(m_pDialog, "label", "#Info_Players");
  kgui::Panel box(m_pDialog, "box");
  Label nested(&box, "nested", "Map: %map%");
  m_pDialog->SetDialogVariable("players", 12);
  m_pDialog->SetDialogVariable("max", "16");
  m_pDialog->SetDialogVariable("map", u"saltmarsh");
  EXPECT_EQ(label.GetText(), "12 of 16 players");
  EXPECT_EQ(nested.GetText(), "Map: saltmarsh");
  // The "DialogVariables" message merges into the dialog's own.
  KeyValuesAD message(new KeyValues("DialogVariables", "players", 3));
  kgui::ipanel()->SendMessage(m_pDialog->GetVPanel(), message.get(), 0);
  EXPECT_EQ(label.GetText(), "3 of 16 players");
  EXPECT_EQ(m_pDialog->GetDialogVariables()->GetInt("max"), 16);
}

TEST_F(LabelTest, NineAlignments) {
  struct Case {
    const char *name;
    int x, y;
  };
  // A label 100 x 40 with "abcd" (28 x 16) and an inset of 2, 3.
  const Case cases[] = {{"north-west", 2, 3},  {"north", 36, 3},   {"north-east", 70, 3},
                        {"west", 2, 12},       {"center", 36, 12}, {"east", 70, 12},
                        {"south-west", 2, 21}, {"south", 36, 21},  {"south-east", 70, 21}};
  Label label(m_pDialog, "label", "abcd");
  label.SetBounds(0, 0, 100, 40);
  label.SetTextInset(2, 3);
  for (const Case &c : cases) {
    Apply(&label, new KeyValues("label", "textAlignment", c.name));
    label.InvalidateLayout(true, false);
    Runtime().PaintAll();
    int x = 0, y = 0;
    Runtime().DrawGetTextPos(x, y);
    EXPECT_EQ(x - 28, c.x) << c.name;
    EXPECT_EQ(y, c.y) << c.name;
  }
  Label::Alignment alignment = Label::a_west;
  EXPECT_FALSE(Label::ParseAlignment("middle", alignment));
}

TEST_F(LabelTest, AssociatedControlTakesTheFocusAndDisablesTheLabel) {
  Label label(m_pDialog, "NameLabel", "Name");
  label.SetBounds(10, 10, 60, 24);
  Apply(&label, new KeyValues("NameLabel", "associate", "NameEntry"));
  auto *entry = new kgui::TextEntry(m_pDialog, "NameEntry");  // made after the label
  entry->SetBounds(80, 10, 100, 24);
  Runtime().Click(&label);
  EXPECT_TRUE(entry->HasFocus());
  EXPECT_EQ(label.GetAssociatedControl(), entry);
  entry->SetEnabled(false);
  Runtime().SetFocus(0);
  Runtime().Click(&label);
  EXPECT_FALSE(entry->HasFocus());
}

TEST_F(LabelTest, WrappedTextNeedsMoreLines) {
  Label label(m_pDialog, "label", "one two three four five six seven");
  label.SetBounds(0, 0, 80, 100);
  int wide = 0, tall = 0;
  label.GetContentSize(wide, tall);
  EXPECT_EQ(tall, 16);
  Apply(&label, new KeyValues("label", "wrap", "1"));
  label.InvalidateLayout(true, false);
  label.GetContentSize(wide, tall);
  EXPECT_LE(wide, 80);
  EXPECT_GE(tall, 16 * 3);
}

TEST_F(LabelTest, FitTextEndsACutTextInAnEllipsisAfterAWholeCharacter) {
  // The runtime measures 7 pixels a UTF-16 unit, so `wide` holds wide / 7 units with the ellipsis.
  struct Case {
    const char16_t *text;
    int wide;
    const char16_t *drawn;
  };
  const Case cases[] = {
      {u"abcdefg", 49, u"abcdefg"},                    // fits exactly
      {u"", 0, u""},                                   // nothing to cut
      {u"Saltmarsh Keep", 50, u"Saltma\u2026"},        // the longest start that fits with the ellipsis
      {u"Ab  cdefgh", 35, u"Ab\u2026"},                // no blank before the ellipsis
      {u"ab\U0001F600cd", 35, u"ab\U0001F600\u2026"},  // a surrogate pair stays whole...
      {u"ab\U0001F600cd", 28, u"ab\u2026"},            // ...or goes whole
      {u"re\u0301sume\u0301", 21, u"r\u2026"},         // a combining accent stays with its letter
      {u"e\u0301\u0301x", 14, u"\u2026"},              // even two of them
      {u"\U0001F44D\U0001F3FDok", 35, u"\U0001F44D\U0001F3FD\u2026"},  // a skin tone with its sign...
      {u"\U0001F44D\U0001F3FDok", 28, u"\u2026"},                      // ...never without it
      {u"Amber Hall", 5, u"\u2026"},  // no start fits: the ellipsis alone shows the cut
      {u"Amber Hall", -3, u"\u2026"},
  };
  const kgui::HFont font = kgui::surface()->CreateFont();
  for (const Case &c : cases) {
    EXPECT_EQ(kgui::TextImage::FitText(font, c.text, c.wide), std::u16string(c.drawn))
        << kgui::WideToUtf8(c.text) << " in " << c.wide;
  }
  // Without a font nothing is measured, so nothing is cut.
  EXPECT_EQ(kgui::TextImage::FitText(kgui::INVALID_FONT, u"Saltmarsh Keep", 10), u"Saltmarsh Keep");
}

TEST_F(LabelTest, ALabelDrawsAndReportsItsTextCutToItsRoom) {
  Label label(m_pDialog, "Description", "Ironclad Skies; map harbor; latency < 50");
  label.SetBounds(10, 10, 113, 24);
  label.SetTextInset(4, 0);
  label.InvalidateLayout(true, false);
  Runtime().RecordPrintedTexts(true);
  Runtime().PaintAll();
  // 105 pixels between the insets: fourteen characters and the ellipsis.
  const std::string drawn = "Ironclad Skies\u2026";
  EXPECT_EQ(label.GetDrawnText(), drawn);
  ASSERT_EQ(Runtime().PrintedTexts().size(), 1u);
  EXPECT_EQ(kgui::WideToUtf8(Runtime().PrintedTexts()[0]), drawn);
  KeyValuesAD block(new KeyValues("Panel"));
  label.Describe(block.get());
  EXPECT_STREQ(block->GetString("text"), drawn.c_str());
  // The text itself is kept whole, and a label sized to its contents shows all of it.
  EXPECT_EQ(label.GetText(), "Ironclad Skies; map harbor; latency < 50");
  label.SizeToContents();
  EXPECT_EQ(label.GetDrawnText(), "Ironclad Skies; map harbor; latency < 50");
  // A label not given a width yet keeps its text whole.
  Label unsized(m_pDialog, "Unsized", "Copper Gate");
  unsized.SetSize(0, 24);
  int wide = 0, tall = 0;
  unsized.GetContentSize(wide, tall);
  EXPECT_EQ(wide, 77);
  EXPECT_EQ(unsized.GetDrawnText(), "Copper Gate");
}

TEST_F(LabelTest, EveryLineIsCutOnItsOwnAndUncutTextIsReportedUnchanged) {
  Label label(m_pDialog, "label", "short\nmuch too long a line");
  label.SetBounds(0, 0, 70, 40);
  Runtime().PaintAll();  // the scheme gives the label its font
  EXPECT_EQ(label.GetDrawnText(), "short\nmuch too\u2026");
  // Wrapped lines that fit come back as the text was given, spaces and all.
  label.SetText("one two three four");
  Apply(&label, new KeyValues("label", "wrap", "1"));
  label.InvalidateLayout(true, false);
  EXPECT_EQ(label.GetDrawnText(), "one two three four");
  // A word longer than a whole line is cut on its line.
  label.SetText("a unbreakableword b");
  EXPECT_EQ(label.GetDrawnText(), "a\nunbreakab\u2026\nb");
}

TEST_F(LabelTest, RichTextWrapsScrollsAndCopies) {
  kgui::RichText text(m_pDialog, "notes");
  text.SetBounds(0, 0, 120, 60);
  Apply(&text, new KeyValues("notes", "text", "alpha beta gamma delta epsilon zeta eta theta iota kappa"));
  text.InvalidateLayout(true, false);
  auto *bar = dynamic_cast<kgui::ScrollBar *>(text.FindChildByName("ScrollBar"));
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  Apply(&text, new KeyValues("notes", "scrollbar", "0"));
  text.InvalidateLayout(true, false);
  EXPECT_FALSE(bar->IsVisible());
  text.RequestFocus();
  Runtime().PressKey(kgui::KEY_A, true);
  Runtime().PressKey(kgui::KEY_C, true);
  char16_t copied[128] = {};
  Runtime().GetClipboardText(0, copied, sizeof(copied));
  EXPECT_EQ(kgui::WideToUtf8(copied), text.GetText());
}

TEST_F(LabelTest, RichTextKeepsTheNewestCharactersAndReadsFiles) {
  kgui::RichText text(m_pDialog, "log");
  Apply(&text, new KeyValues("log", "maxchars", "5"));
  text.InsertString("hello");
  text.InsertColorChange(Color(255, 0, 0, 255));
  text.InsertString(" world");
  EXPECT_EQ(text.GetText(), "world");
  WriteFile("docs/about.txt", "About the browser.\r\nSecond line.");
  Apply(&text, new KeyValues("log", "maxchars", "-1", "textfile", "docs/about.txt"));
  EXPECT_EQ(text.GetText(), "About the browser.\nSecond line.");
  m_Spew.Clear();
  Apply(&text, new KeyValues("log", "textfile", "docs/missing.txt"));
  EXPECT_EQ(m_Spew.Messages(),
            std::vector<std::string>{"RichText: textfile parameter 'docs/missing.txt' not found.\n"});
}

TEST_F(LabelTest, TooltipShowsAfterItsDelayWhileTheCursorRests) {
  Runtime().AddToken("#Tip", u"Join the server");
  kgui::Panel button(m_pDialog, "button");
  button.SetBounds(20, 20, 80, 24);
  Apply(&button, new KeyValues("button", "tooltiptext", "#Tip", "tooltipdelay", "300"));
  Runtime().MoveCursorTo(40, 30);
  KeyValuesAD tick(new KeyValues("MouseFocusTicked"));
  kgui::ipanel()->SendMessage(button.GetVPanel(), tick.get(), 0);
  EXPECT_FALSE(button.GetTooltip()->IsShown());
  Plat_AdvanceClock(0.31);
  kgui::ipanel()->SendMessage(button.GetVPanel(), tick.get(), 0);
  ASSERT_TRUE(button.GetTooltip()->IsShown());
  auto *popup = dynamic_cast<Label *>(kgui::Tooltip::GetSharedPanel());
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_EQ(popup->GetText(), "Join the server");
  EXPECT_EQ(popup->GetYPos(), 50);  // below the cursor
  Runtime().MoveCursorTo(300, 250);
  EXPECT_FALSE(popup->IsVisible());
}

}  // namespace
