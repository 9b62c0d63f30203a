// The list demo window: a list of a few hundred invented servers, placed by a layout file, that
// records what the list tells it. The last notification shows in the status line and every one is
// listed in the window's state dump ("received"), so scripted runs can check what arrived.
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/Frame.h"

namespace kgui {
class Label;
class ListPanel;
}  // namespace kgui

namespace listdemo {

class CListDemoFrame : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CListDemoFrame, kgui::Frame);

 public:
  // Rows the demo list holds.
  static constexpr int kServerCount = 300;

  CListDemoFrame();

  void Describe(KeyValues *panelBlock) override;

 protected:
  void OnKeyCodeTyped(kgui::KeyCode code) override;

 private:
  void AddColumns();
  void AddServers();
  void Record(const std::string &entry);
  // The name of a row's server, or "" for no row.
  std::string NameOf(int itemID);

  void OnItemSelected() { Record("ItemSelected"); }
  void OnItemDeselected() { Record("ItemDeselected"); }
  void OnOpenContextMenu(int itemID);

  kgui::ListPanel *m_pList = nullptr;
  kgui::Label *m_pStatus = nullptr;
  std::vector<std::string> m_Received;
};

}  // namespace listdemo
