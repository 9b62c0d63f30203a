// The prompt for the password of a server that needs one. "Connect" hands the typed password to
// the panels registered as targets of the prompt's action signals ("JoinServerWithPassword" with
// "password" and "serverID"); the prompt then closes and deletes itself. Closing it any other way
// sends nothing.
#pragma once

#include "kgui_controls/Frame.h"
#include "tier0/platform.h"

namespace kgui {
class Button;
class Label;
class TextEntry;
}  // namespace kgui

// Why `password` cannot be handed to application `appId`'s launch line, or null when it can.
// The reason is a sentence for the user, to be shown as written (it is not a text token).
const char *PasswordRefusalReason(uint32 appId, const char *password);

class CDialogServerPassword : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CDialogServerPassword, kgui::Frame);

 public:
  // Bytes the password is read into, terminator included: the answer carries at most one less.
  static constexpr int kPasswordBufferSize = 63;

  explicit CDialogServerPassword(kgui::Panel *parent);

  // Shows the server's name, keeps `serverID` for the answer and brings the prompt up with the
  // keyboard focus in the password entry.
  void ActivateForServer(const char *serverName, int serverID);
  // The id handed back with the password; -1 until activated.
  int GetReturnServerID() const { return m_nReturnServerId; }

 protected:
  void OnCommand(const char *command) override;

 private:
  void SendPassword();

  kgui::Label *m_pInfoLabel = nullptr;
  kgui::Label *m_pGameLabel = nullptr;
  kgui::TextEntry *m_pPasswordEntry = nullptr;
  kgui::Button *m_pConnectButton = nullptr;
  int m_nReturnServerId = -1;
  // Set once the password went out: a second Enter during the closing fade must not join twice.
  bool m_bPasswordSent = false;
};
