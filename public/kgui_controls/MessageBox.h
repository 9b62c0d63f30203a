// MessageBox: a small modal window with a message and an OK button (and optionally Cancel).
// OK signals its command to the owners, Cancel its cancel command; either closes and deletes
// the box. Enter is OK, Escape is Cancel (or OK when there is no Cancel button).
#pragma once

#include "kgui_controls/Frame.h"

namespace kgui {

class Button;
class Label;

class MessageBox : public Frame {
  DECLARE_CLASS_SIMPLE(MessageBox, Frame);

 public:
  MessageBox(const char *title, const char *text, Panel *parent = nullptr);
  MessageBox(const char16_t *title, const char16_t *text, Panel *parent = nullptr);
  ~MessageBox() override;

  // Shows the box modal, centred over `frameOver` (or the screen).
  void DoModal(Frame *frameOver = nullptr);
  // Shows the box without taking the input from other windows.
  void ShowWindow(Frame *frameOver = nullptr);

  // The message signalled when OK is pressed (taken over); none by default.
  void SetCommand(KeyValues *command);
  void SetCommand(const char *command);
  void SetCancelCommand(KeyValues *command);
  void SetOKButtonVisible(bool state);
  void SetOKButtonText(const char *text);
  void SetCancelButtonVisible(bool state);
  void SetCancelButtonText(const char *text);
  const char *GetMessageText();

  void OnCommand(const char *command) override;

 protected:
  void PerformLayout() override;
  void OnKeyCodeTyped(KeyCode code) override;
  // Places the box over `frameOver`, or in the middle of the screen.
  void PlaceOver(Frame *frameOver);

 private:
  void Init();
  void SizeToMessage();

  Label *m_pMessageLabel = nullptr;
  Button *m_pOkButton = nullptr;
  Button *m_pCancelButton = nullptr;
  KeyValues *m_pOkCommand = nullptr;
  KeyValues *m_pCancelCommand = nullptr;
};

}  // namespace kgui
