// MessageBox: message, buttons, their commands and the box's size.
#include "kgui_controls/MessageBox.h"

#include <algorithm>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(MessageBox, Frame)

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWide = 84;
constexpr int kButtonTall = 26;
constexpr int kButtonGap = 8;
constexpr int kMinimumWide = 280;
constexpr int kMaximumTextWide = 460;

// A token of the toolkit's own, or the English text when no token file gives it.
const char *ToolkitText(const char *token, const char *english) {
  return (localize() && localize()->Find(token)) ? token : english;
}

}  // namespace

MessageBox::MessageBox(const char *title, const char *text, Panel *parent)
    : Frame(parent, "MessageBox", false) {
  SetTitle(title);
  Init();
  m_pMessageLabel->SetText(text);
  SizeToMessage();
}

MessageBox::MessageBox(const char16_t *title, const char16_t *text, Panel *parent)
    : Frame(parent, "MessageBox", false) {
  SetTitle(WideToUtf8(title).c_str());
  Init();
  m_pMessageLabel->SetText(text);
  SizeToMessage();
}

void MessageBox::Init() {
  SetDeleteSelfOnClose(true);
  SetSizeable(false);
  SetMinimizeButtonVisible(false);
  SetMaximizeButtonVisible(false);
  m_pMessageLabel = new Label(this, "MessageLabel", "");
  m_pMessageLabel->SetWrap(true);
  m_pMessageLabel->SetContentAlignment(Label::a_northwest);
  m_pOkButton = new Button(this, "OkButton", ToolkitText("#KGui_OK", "OK"), this, "OnOk");
  m_pOkButton->SetAsDefaultButton(true);
  m_pCancelButton = new Button(this, "CancelButton", ToolkitText("#KGui_Cancel", "Cancel"), this, "OnCancel");
  m_pCancelButton->SetVisible(false);
  if (Panel *parent = GetParent()) AddActionSignalTarget(parent);
}

MessageBox::~MessageBox() {
  if (m_pOkCommand) m_pOkCommand->Destroy();
  if (m_pCancelCommand) m_pCancelCommand->Destroy();
}

// ---- showing

void MessageBox::PlaceOver(Frame *frameOver) {
  InvalidateLayout(true, false);
  if (!frameOver) {
    MoveToCenterOfScreen();
    return;
  }
  int x = 0, y = 0, wide = 0, tall = 0;
  frameOver->GetBounds(x, y, wide, tall);
  SetPos(x + (wide - GetWide()) / 2, y + (tall - GetTall()) / 2);
}

void MessageBox::DoModal(Frame *frameOver) {
  PlaceOver(frameOver);
  Frame::DoModal();
  m_pOkButton->RequestFocus();
}

void MessageBox::ShowWindow(Frame *frameOver) {
  PlaceOver(frameOver);
  Activate();
  m_pOkButton->RequestFocus();
}

// ---- commands

void MessageBox::SetCommand(KeyValues *command) {
  if (m_pOkCommand) m_pOkCommand->Destroy();
  m_pOkCommand = command;
}

void MessageBox::SetCommand(const char *command) {
  SetCommand(new KeyValues("Command", "command", command));
}

void MessageBox::SetCancelCommand(KeyValues *command) {
  if (m_pCancelCommand) m_pCancelCommand->Destroy();
  m_pCancelCommand = command;
}

void MessageBox::SetOKButtonVisible(bool state) {
  m_pOkButton->SetVisible(state);
  InvalidateLayout();
}

void MessageBox::SetOKButtonText(const char *text) {
  m_pOkButton->SetText(text);
  InvalidateLayout();
}

void MessageBox::SetCancelButtonVisible(bool state) {
  m_pCancelButton->SetVisible(state);
  InvalidateLayout();
}

void MessageBox::SetCancelButtonText(const char *text) {
  m_pCancelButton->SetText(text);
  InvalidateLayout();
}

const char *MessageBox::GetMessageText() {
  return m_pMessageLabel->GetUnlocalizedText();
}

void MessageBox::OnCommand(const char *command) {
  if (!V_stricmp(command, "OnOk")) {
    if (m_pOkCommand) PostActionSignal(m_pOkCommand->MakeCopy());
    CloseModal();
  } else if (!V_stricmp(command, "OnCancel")) {
    if (m_pCancelCommand) PostActionSignal(m_pCancelCommand->MakeCopy());
    CloseModal();
  } else {
    BaseClass::OnCommand(command);
  }
}

void MessageBox::OnKeyCodeTyped(KeyCode code) {
  if (code == KEY_ESCAPE) {
    OnCommand(m_pCancelButton->IsVisible() ? "OnCancel" : "OnOk");
    return;
  }
  BaseClass::OnKeyCodeTyped(code);
}

// ---- layout

void MessageBox::SizeToMessage() {
  // The text wraps at a comfortable width; the box grows to hold it.
  m_pMessageLabel->InvalidateLayout(true, true);
  int textWide = 0, textTall = 0;
  m_pMessageLabel->SetSize(kMaximumTextWide, 10);
  m_pMessageLabel->InvalidateLayout(true, false);
  m_pMessageLabel->GetContentSize(textWide, textTall);
  const int wide = std::max(kMinimumWide, std::min(textWide, kMaximumTextWide) + 2 * kMargin);
  const int tall = GetCaptionHeight() + kMargin + textTall + kMargin + kButtonTall + kMargin;
  SetSize(wide, tall);
  InvalidateLayout();
}

void MessageBox::PerformLayout() {
  BaseClass::PerformLayout();
  const int wide = GetWide(), tall = GetTall();
  const int buttonY = tall - kMargin - kButtonTall;
  m_pMessageLabel->SetBounds(kMargin, GetCaptionHeight() + kMargin, wide - 2 * kMargin,
                             buttonY - kMargin - GetCaptionHeight() - kMargin);
  // Buttons sit at the bottom right, OK first.
  int x = wide - kMargin;
  for (Button *button : {m_pCancelButton, m_pOkButton}) {
    if (!button->IsVisible()) continue;
    x -= kButtonWide;
    button->SetBounds(x, buttonY, kButtonWide, kButtonTall);
    x -= kButtonGap;
  }
}

}  // namespace kgui
