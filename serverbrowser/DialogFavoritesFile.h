// The small window that asks which file the favourites are exported to or imported from: a path
// to type (the toolkit has no file chooser), starting at a file in the user's configuration
// folder, and for an export the choice of the plain list. It hands the choice to its target as
// "FavoritesFileChosen" ("path", "mode") and deletes itself when closed.
#pragma once

#include <string>

#include "kgui_controls/Frame.h"
#include "kgui_controls/PHandle.h"

namespace kgui {
class Button;
class CheckButton;
class TextEntry;
}  // namespace kgui

class CDialogFavoritesFile : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CDialogFavoritesFile, kgui::Frame);

 public:
  // The file offered first, in the user's configuration folder.
  static constexpr const char *kDefaultFileName = "favorites.vdf";
  // The "mode" of the answer.
  enum { kImport = 0, kExportKeyValues = 1, kExportPlain = 2 };

  CDialogFavoritesFile(kgui::Panel *parent, kgui::Panel *target, bool exporting);

  // The default file as a full path when the host keeps plain files, else its name (which the
  // host's file service places in the configuration folder).
  static std::string DefaultPath();

 protected:
  void OnCommand(const char *command) override;

 private:
  void OnTextChanged();

  kgui::TextEntry *m_pPath = nullptr;
  kgui::CheckButton *m_pPlainList = nullptr;
  kgui::Button *m_pOK = nullptr;
  kgui::PHandle m_hTarget;
  bool m_bExporting = false;
};
