// The password prompt and the anti-cheat refusal dialog: what the prompt hands back and when, that
// both dialogs delete themselves once closed, which passwords may reach a launch line, and that
// their shipped layouts show every control and text whole.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/PHandle.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/DialogServerPassword.h"
#include "serverbrowser/QorvBannedConnRefusedDialog.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"

namespace {

// Stands in for the game-info dialog that asks for a password: writes down every answer.
class PasswordAsker : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(PasswordAsker, kgui::Frame);

 public:
  PasswordAsker() : Frame(nullptr, "DialogGameInfo") {}

  struct Answer {
    std::string password;
    bool hasServerID;
    int serverID;
    kgui::Panel *from;
  };
  std::vector<Answer> answers;

 private:
  void OnJoinServerWithPassword(KeyValues *message) {
    answers.push_back({message->GetString("password", "<none>"), message->FindKey("serverID") != nullptr,
                       message->GetInt("serverID", -99),
                       static_cast<kgui::Panel *>(message->GetPtr("panel"))});
  }
};

BEGIN_MESSAGE_MAP(PasswordAsker, kgui::Frame)
MESSAGE_ENTRY("JoinServerWithPassword", OnJoinServerWithPassword, nullptr)
END_MESSAGE_MAP()

constexpr char kServerName[] = "Harbor Lights Deathmatch #2";

class PasswordDialogsTest : public BrowserTest {
 protected:
  PasswordDialogsTest() {
    LoadEnglishTokens();
    m_pAsker = new PasswordAsker();
    m_pAsker->Activate();
  }
  ~PasswordDialogsTest() override { delete m_pAsker; }

  // Every token of the shipped English file, so layouts are measured with the texts users see.
  void LoadEnglishTokens() {
    const char *source = getenv("SB_SOURCE_DIR");
    const std::string path =
        (std::filesystem::path(source ? source : ".") / "game" / "servers" / "serverbrowser_english.txt")
            .string();
    KeyValuesAD file(new KeyValues("lang"));
    ASSERT_TRUE(file->LoadFromFile(kgui::filesystem(), path.c_str(), nullptr)) << path;
    KeyValues *tokens = file->FindKey("Tokens");
    ASSERT_NE(tokens, nullptr);
    for (KeyValues *token = tokens->GetFirstValue(); token; token = token->GetNextValue())
      Runtime().AddToken(std::string("#") + token->GetName(), kgui::Utf8ToWide(token->GetString()));
  }

  // A prompt opened the way the game-info dialog opens one.
  CDialogServerPassword *OpenPrompt(const char *serverName = kServerName, int serverID = 0) {
    auto *prompt = new CDialogServerPassword(m_pAsker);
    prompt->AddActionSignalTarget(m_pAsker);
    prompt->ActivateForServer(serverName, serverID);
    RunFrames();
    return prompt;
  }

  template <class T>
  static T *Child(kgui::Panel *dialog, const char *name) {
    return dynamic_cast<T *>(dialog->FindChildByName(name));
  }
  void Command(kgui::Panel *dialog, const char *command) {
    Runtime().PostMessage(dialog->GetVPanel(), new KeyValues("Command", "command", command), 0, 0.0f);
  }
  // Long enough for a closing fade to end and a deletion to happen.
  void Settle() { RunFrames(0.5); }

  PasswordAsker *m_pAsker = nullptr;
};

// ---- the password prompt

TEST_F(PasswordDialogsTest, PromptIsBuiltFromItsLayoutAndWaitsForActivation) {
  auto *prompt = new CDialogServerPassword(m_pAsker);
  kgui::PHandle handle(prompt);

  EXPECT_STREQ(prompt->GetName(), "DialogServerPassword");
  EXPECT_EQ(prompt->GetTitle(), "Password required");
  EXPECT_FALSE(prompt->IsVisible());
  EXPECT_FALSE(prompt->IsSizeable());
  EXPECT_TRUE(prompt->GetDeleteSelfOnClose());
  EXPECT_EQ(prompt->GetReturnServerID(), -1);
  int x = 0, y = 0, wide = 0, tall = 0;
  prompt->GetBounds(x, y, wide, tall);
  EXPECT_EQ(wide, 320);
  EXPECT_EQ(tall, 240);
  EXPECT_EQ(x, (1280 - 320) / 2);  // centred on the screen
  EXPECT_EQ(y, (800 - 240) / 2);

  auto *info = Child<kgui::Label>(prompt, "InfoLabel");
  auto *game = Child<kgui::Label>(prompt, "GameLabel");
  auto *entry = Child<kgui::TextEntry>(prompt, "PasswordEntry");
  auto *connect = Child<kgui::Button>(prompt, "ConnectButton");
  ASSERT_TRUE(info && game && entry && connect);
  EXPECT_STREQ(info->GetUnlocalizedText(), "#ServerBrowser_ServerRequiresPassword");
  EXPECT_EQ(game->GetText(), "<game label>");
  EXPECT_TRUE(entry->IsTextHidden());
  EXPECT_STREQ(connect->GetUnlocalizedText(), "#ServerBrowser_Connect");
  ASSERT_NE(connect->GetCommand(), nullptr);
  EXPECT_STREQ(connect->GetCommand()->GetString("command"), "Connect");

  // A prompt that was never shown is still freed with its owner.
  delete m_pAsker;
  m_pAsker = nullptr;
  EXPECT_EQ(handle.Get(), nullptr);
}

TEST_F(PasswordDialogsTest, ActivationShowsTheServerAndFocusesTheEntry) {
  CDialogServerPassword *prompt = OpenPrompt("10.0.0.7:27015", 0);

  EXPECT_TRUE(prompt->IsVisible());
  EXPECT_EQ(Child<kgui::Label>(prompt, "GameLabel")->GetText(), "10.0.0.7:27015");
  EXPECT_EQ(prompt->GetReturnServerID(), 0);
  EXPECT_TRUE(Child<kgui::Button>(prompt, "ConnectButton")->IsDefault());
  EXPECT_EQ(prompt->FindDefaultButton(), Child<kgui::Button>(prompt, "ConnectButton"));
  EXPECT_EQ(Runtime().GetFocus(), Child<kgui::TextEntry>(prompt, "PasswordEntry")->GetVPanel());

  // A name too long for the line is cut where it shows and whole in its tooltip.
  const std::string longName = "The Very Long Name Of A Community Server With Many Words In It";
  prompt = OpenPrompt(longName.c_str(), 0);
  auto *game = Child<kgui::Label>(prompt, "GameLabel");
  EXPECT_EQ(game->GetText(), longName);
  EXPECT_NE(game->GetDrawnText(), longName);
  EXPECT_EQ(game->GetDrawnText().rfind("\xE2\x80\xA6"), game->GetDrawnText().size() - 3);  // an ellipsis
  EXPECT_STREQ(game->GetTooltip()->GetText(), longName.c_str());
}

TEST_F(PasswordDialogsTest, ConnectHandsThePasswordToEveryTargetThenDeletesThePrompt) {
  struct Case {
    const char *label;
    std::u16string typed;
    std::string sent;
    int serverID;
  };
  const std::string longAscii(70, 'k');
  std::u16string accented;
  std::string accentedCut;
  for (int i = 0; i < 40; ++i) accented += u'\u00E9';
  for (int i = 0; i < 31; ++i)
    accentedCut += "\xC3\xA9";  // 62 bytes: a 32nd would not leave room for the NUL
  const Case cases[] = {
      {"plain", u"s3cret", "s3cret", 0},
      {"empty is still sent", u"", "", 0},
      {"server id as given", u"pier 9", "pier 9", 42},
      {"long text stops at 62 characters", kgui::Utf8ToWide(longAscii.c_str()), std::string(62, 'k'), 0},
      {"cut at a whole character", accented, accentedCut, 7},
      {"the prompt refuses nothing itself", u"a\"b;c", "a\"b;c", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    m_pAsker->answers.clear();
    auto *second = new PasswordAsker();
    CDialogServerPassword *prompt = OpenPrompt(kServerName, c.serverID);
    prompt->AddActionSignalTarget(second);
    kgui::PHandle handle(prompt);
    Child<kgui::TextEntry>(prompt, "PasswordEntry")->SetText(c.typed.c_str());

    Command(prompt, "Connect");
    Settle();

    for (PasswordAsker *asker : {m_pAsker, second}) {
      ASSERT_EQ(asker->answers.size(), 1u);
      EXPECT_EQ(asker->answers[0].password, c.sent);
      EXPECT_TRUE(asker->answers[0].hasServerID);
      EXPECT_EQ(asker->answers[0].serverID, c.serverID);
      EXPECT_EQ(asker->answers[0].from, prompt);
    }
    EXPECT_EQ(handle.Get(), nullptr);
    delete second;
  }
}

TEST_F(PasswordDialogsTest, TypingThenEnterConnectsOnceEvenWhenPressedTwice) {
  CDialogServerPassword *prompt = OpenPrompt();
  kgui::PHandle handle(prompt);
  Runtime().TypeText("lighthouse");
  EXPECT_EQ(Child<kgui::TextEntry>(prompt, "PasswordEntry")->GetText(), "lighthouse");

  Runtime().PressKey(kgui::KEY_ENTER);
  RunFrames(0.05);  // the prompt is fading out and still takes keys
  Runtime().PressKey(kgui::KEY_ENTER);
  Settle();

  ASSERT_EQ(m_pAsker->answers.size(), 1u);
  EXPECT_EQ(m_pAsker->answers[0].password, "lighthouse");
  EXPECT_EQ(handle.Get(), nullptr);
}

TEST_F(PasswordDialogsTest, ClosingWithoutConnectSendsNothingAndDeletesThePrompt) {
  enum How { kCloseCommand, kCancelButton, kTitleBarClose };
  for (How how : {kCloseCommand, kCancelButton, kTitleBarClose}) {
    SCOPED_TRACE(how);
    CDialogServerPassword *prompt = OpenPrompt();
    kgui::PHandle handle(prompt);
    Child<kgui::TextEntry>(prompt, "PasswordEntry")->SetText("never sent");
    if (how == kCloseCommand) Command(prompt, "Close");
    if (how == kCancelButton) Child<kgui::Button>(prompt, "CancelButton")->DoClick();
    if (how == kTitleBarClose) Runtime().Click(Child<kgui::Button>(prompt, "frame_close"));
    Settle();

    EXPECT_TRUE(m_pAsker->answers.empty());
    EXPECT_EQ(handle.Get(), nullptr);
  }
}

// ---- passwords a launch line can carry

TEST(PasswordRefusalReason, RefusesWhatCouldEscapeTheLaunchLine) {
  struct Case {
    uint32 appId;
    const char *password;
    const char *reasonHas;  // null: the password may be used
  };
  const Case cases[] = {
      {240, nullptr, nullptr},
      {240, "", nullptr},
      {240, "plain", nullptr},
      {240, "with spaces and ?&=", nullptr},  // quoted for these games
      {240, "caf\xC3\xA9 \xE2\x82\xAC", nullptr},
      {240, "~!@#$%^*()_+-={}[]|\\:'<>,./`", nullptr},
      {240, "a\"b", "double quote"},
      {240, "\"", "double quote"},
      {240, "x;quit", "semicolon"},
      {240, "line\nbreak", "line break"},
      {240, "cr\r", "line break"},
      {240, "tab\there", "control character"},
      {240, "\x01", "control character"},
      {240, "\x1F", "control character"},
      {240, "del\x7F", "control character"},
      {1200, "plain", nullptr},
      {1210, "caf\xC3\xA9", nullptr},
      {1200, "two words", "space"},
      {1210, "lead ", "space"},
      {1200, "a?b", "\"?\" or \"&\""},
      {1210, "a&map=x", "\"?\" or \"&\""},
      {1200, "q\"", "double quote"},
      {1210, "x;y", "semicolon"},
      {1210, "tab\tx", "control character"},
      {1201, "two words?&", nullptr},  // only the two bare-word games
      {1209, "two words", nullptr},
      // The first character that cannot pass decides the message.
      {1200, "a b\"", "space"},
      {240, ";\"", "semicolon"},
  };
  for (const Case &c : cases) {
    const char *reason = PasswordRefusalReason(c.appId, c.password);
    SCOPED_TRACE(std::to_string(c.appId) + " '" + (c.password ? c.password : "(null)") + "'");
    if (!c.reasonHas) {
      EXPECT_EQ(reason, nullptr) << reason;
      continue;
    }
    ASSERT_NE(reason, nullptr);
    EXPECT_NE(std::string(reason).find(c.reasonHas), std::string::npos) << reason;
    // Shown as written: a message box would try to look up a text that starts with "#".
    EXPECT_NE(reason[0], '#');
  }
}

// ---- the refusal dialog

TEST_F(PasswordDialogsTest, RefusalIsBuiltFromItsLayoutUnderTheGivenParent) {
  auto *refusal = new CQorvBannedConnRefusedDialog(m_pAsker->GetVPanel(), "QorvBannedConnRefusedDialog");

  EXPECT_STREQ(refusal->GetName(), "QorvBannedConnRefusedDialog");
  EXPECT_EQ(refusal->GetVParent(), m_pAsker->GetVPanel());
  EXPECT_FALSE(refusal->IsVisible());
  EXPECT_FALSE(refusal->IsSizeable());
  EXPECT_EQ(refusal->GetTitle(), "Connection refused");
  int x = 0, y = 0, wide = 0, tall = 0;
  refusal->GetBounds(x, y, wide, tall);
  EXPECT_EQ(wide, 480);
  EXPECT_EQ(tall, 220);
  EXPECT_EQ(x, (1280 - 480) / 2);
  EXPECT_EQ(y, (800 - 220) / 2);
  auto *close = Child<kgui::Button>(refusal, "CloseButton");
  ASSERT_NE(close, nullptr);
  EXPECT_STREQ(close->GetCommand()->GetString("command"), "Close");
  EXPECT_NE(Child<kgui::Label>(refusal, "DetailLabel")->GetText().find("anti-cheat"), std::string::npos);

  auto *orphan = new CQorvBannedConnRefusedDialog(kgui::NULL_PANEL, "QorvBannedConnRefusedDialog");
  EXPECT_EQ(orphan->GetVParent(), kgui::NULL_PANEL);
  delete orphan;
}

TEST_F(PasswordDialogsTest, RefusalDeletesItselfWhenClosed) {
  enum How { kCloseButton, kTitleBarClose, kEnter };
  for (How how : {kCloseButton, kTitleBarClose, kEnter}) {
    SCOPED_TRACE(how);
    auto *refusal = new CQorvBannedConnRefusedDialog(m_pAsker->GetVPanel(), "QorvBannedConnRefusedDialog");
    kgui::PHandle handle(refusal);
    refusal->Activate();
    RunFrames();
    EXPECT_TRUE(refusal->IsVisible());
    if (how == kCloseButton) Runtime().Click(Child<kgui::Button>(refusal, "CloseButton"));
    if (how == kTitleBarClose) Runtime().Click(Child<kgui::Button>(refusal, "frame_close"));
    if (how == kEnter) Runtime().PressKey(kgui::KEY_ENTER);
    Settle();
    EXPECT_EQ(handle.Get(), nullptr);
  }
  // The parent it was given lives on.
  EXPECT_TRUE(kgui::PHandle(m_pAsker).Get());
}

// ---- how the layouts look

// The controls a layout placed: every child but the frame's own title-bar buttons and grips.
std::vector<kgui::Panel *> PlacedControls(kgui::Frame *frame) {
  std::vector<kgui::Panel *> controls;
  for (int i = 0; i < frame->GetChildCount(); ++i) {
    kgui::Panel *child = frame->GetChild(i);
    if (!child || !child->IsVisible()) continue;
    const std::string type = child->GetClassName();
    if (type == "FrameButton" || type == "FrameGrip") continue;
    controls.push_back(child);
  }
  return controls;
}

void ExpectTidy(kgui::Frame *frame) {
  // A small fixed-size dialog offers only the close button in its title bar.
  EXPECT_TRUE(frame->FindChildByName("frame_close")->IsVisible());
  EXPECT_FALSE(frame->FindChildByName("frame_minimize")->IsVisible());
  EXPECT_FALSE(frame->FindChildByName("frame_maximize")->IsVisible());
  const std::vector<kgui::Panel *> controls = PlacedControls(frame);
  ASSERT_FALSE(controls.empty());
  for (size_t i = 0; i < controls.size(); ++i) {
    kgui::Panel *a = controls[i];
    SCOPED_TRACE(a->GetName());
    int x = 0, y = 0, wide = 0, tall = 0;
    a->GetBounds(x, y, wide, tall);
    // Inside the frame, below its title bar, with a margin.
    EXPECT_GE(x, 12);
    EXPECT_GE(y, frame->GetCaptionHeight() + 8);
    EXPECT_LE(x + wide, frame->GetWide() - 12);
    EXPECT_LE(y + tall, frame->GetTall() - 12);
    for (size_t j = i + 1; j < controls.size(); ++j) {
      int bx = 0, by = 0, bwide = 0, btall = 0;
      controls[j]->GetBounds(bx, by, bwide, btall);
      EXPECT_FALSE(x < bx + bwide && bx < x + wide && y < by + btall && by < y + tall)
          << "overlaps " << controls[j]->GetName();
    }
    if (auto *label = dynamic_cast<kgui::Label *>(a)) {
      EXPECT_NE(label->GetText().rfind('#', 0), 0u) << "a text was not found: " << label->GetText();
      EXPECT_EQ(label->GetDrawnText(), label->GetText());  // whole, no ellipsis
      int contentWide = 0, contentTall = 0;
      label->GetContentSize(contentWide, contentTall);
      EXPECT_LE(contentTall, tall) << "wrapped lines run below the label";
    }
  }
}

TEST_F(PasswordDialogsTest, LayoutsShowEveryControlAndTextWhole) {
  CDialogServerPassword *prompt = OpenPrompt();
  {
    SCOPED_TRACE("password prompt");
    ExpectTidy(prompt);
    // The entry and the label that names it share a row.
    int labelX = 0, labelY = 0, entryX = 0, entryY = 0;
    Child<kgui::Label>(prompt, "PasswordLabel")->GetPos(labelX, labelY);
    Child<kgui::TextEntry>(prompt, "PasswordEntry")->GetPos(entryX, entryY);
    EXPECT_EQ(labelY, entryY);
    EXPECT_EQ(Child<kgui::Label>(prompt, "PasswordLabel")->GetAssociatedControl(),
              Child<kgui::TextEntry>(prompt, "PasswordEntry"));
  }

  auto *refusal = new CQorvBannedConnRefusedDialog(kgui::NULL_PANEL, "QorvBannedConnRefusedDialog");
  refusal->Activate();
  RunFrames();
  {
    SCOPED_TRACE("refusal");
    ExpectTidy(refusal);
  }
  delete refusal;
}

}  // namespace
