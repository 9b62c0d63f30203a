#include "serverbrowser/DialogServerPassword.h"

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

BEGIN_MESSAGE_MAP(CDialogServerPassword, kgui::Frame)
MESSAGE_ENTRY("Close", Close)
END_MESSAGE_MAP()

namespace {

// These applications take the address and "?password=<password>" as one bare word.
bool TakesPasswordInAddress(uint32 appId) {
  return appId == 1200 || appId == 1210;
}

}  // namespace

const char *PasswordRefusalReason(uint32 appId, const char *password) {
  if (!password) return nullptr;
  // The first character that could end the quoted argument, start another console command or,
  // for the bare-word form, end the word or the address's query decides the message.
  for (const unsigned char *c = reinterpret_cast<const unsigned char *>(password); *c; ++c) {
    if (*c == '"') return "This password cannot be passed to the game: it contains a double quote (\").";
    if (*c == ';') return "This password cannot be passed to the game: it contains a semicolon (;).";
    if (*c < 0x20 || *c == 0x7F)
      return "This password cannot be passed to the game: it contains a line break or another control "
             "character.";
    if (!TakesPasswordInAddress(appId)) continue;
    if (*c == ' ') return "This password cannot be passed to this game: it contains a space.";
    if (*c == '?' || *c == '&')
      return "This password cannot be passed to this game: it contains \"?\" or \"&\".";
  }
  return nullptr;
}

CDialogServerPassword::CDialogServerPassword(kgui::Panel *parent) : Frame(parent, "DialogServerPassword") {
  SetSize(320, 240);
  SetDeleteSelfOnClose(true);
  SetSizeable(false);
  SetMinimizeButtonVisible(false);
  SetMaximizeButtonVisible(false);

  m_pInfoLabel = new kgui::Label(this, "InfoLabel", "#ServerBrowser_ServerRequiresPassword");
  m_pGameLabel = new kgui::Label(this, "GameLabel", "<game label>");
  m_pPasswordEntry = new kgui::TextEntry(this, "PasswordEntry");
  m_pPasswordEntry->SetTextHidden(true);
  // Typing stops where the answer would cut the password (one byte a character for plain text).
  m_pPasswordEntry->SetMaximumCharCount(kPasswordBufferSize - 1);
  m_pConnectButton = new kgui::Button(this, "ConnectButton", "#ServerBrowser_Connect");

  LoadControlSettings("servers/DialogServerPassword.res");
  SetTitle("#ServerBrowser_ServerRequiresPasswordTitle", true);
  MoveToCenterOfScreen();
}

void CDialogServerPassword::ActivateForServer(const char *serverName, int serverID) {
  m_pGameLabel->SetText(serverName ? serverName : "");
  // A long name is cut with an ellipsis; the tooltip keeps it whole.
  m_pGameLabel->GetTooltip()->SetText(serverName ? serverName : "");
  m_nReturnServerId = serverID;
  m_pConnectButton->SetAsDefaultButton(true);
  // Shown first: a hidden window's controls cannot take the focus.
  Activate();
  m_pPasswordEntry->RequestFocus();
}

void CDialogServerPassword::OnCommand(const char *command) {
  if (!V_stricmp(command, "Connect")) {
    SendPassword();
    PostMessage(this, new KeyValues("Close"));
  } else if (!V_stricmp(command, "Close")) {
    PostMessage(this, new KeyValues("Close"));
  } else {
    BaseClass::OnCommand(command);
  }
}

void CDialogServerPassword::SendPassword() {
  if (m_bPasswordSent) return;
  m_bPasswordSent = true;
  // The UTF-8 text is cut at a whole character so the answer is never a broken sequence.
  char password[kPasswordBufferSize];
  V_UTF16ToUTF8(m_pPasswordEntry->GetWText().c_str(), password, sizeof(password));
  KeyValues *message = new KeyValues("JoinServerWithPassword");
  message->SetString("password", password);
  message->SetInt("serverID", m_nReturnServerId);
  PostActionSignal(message);
}
