// The control gallery: one window showing every control of the toolkit, placed by
// gallery/ControlGallery.res. It records the messages its controls send it, shows the last one
// in its status line and lists them all in its state dump ("received"), so scripted runs can
// check what arrived.
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/Frame.h"

namespace kgui {
class Label;
class Menu;
class PropertySheet;
}  // namespace kgui

namespace gallery {

class CGalleryFrame : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CGalleryFrame, kgui::Frame);

 public:
  CGalleryFrame();

  void OnCommand(const char *command) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  kgui::Panel *CreateControlByName(const char *controlName) override;
  void OnMousePressed(kgui::MouseCode code) override;
  void OnThink() override;

 private:
  void Record(const std::string &entry);
  void FillControls();
  void BuildMenus();
  void BuildSheet();

  void OnPlainPressed() { Record("PlainPressed"); }
  void OnDefaultPressed() { Record("DefaultPressed"); }
  void OnTextChanged(kgui::Panel *panel, const char *text);
  void OnButtonToggled(kgui::Panel *panel, int state);
  void OnRadioButtonChecked(kgui::Panel *panel, int tabPosition);
  void OnPageChanged(kgui::Panel *panel);
  void OnQueryAnswered() { Record("QueryAnswered"); }

  std::vector<std::string> m_Received;
  // Messages of the window's own setup arrive in the first frame; recording starts after it.
  bool m_bRecording = false;
  kgui::Menu *m_pContextMenu = nullptr;
};

}  // namespace gallery
