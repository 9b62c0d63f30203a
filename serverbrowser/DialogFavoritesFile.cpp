#include "serverbrowser/DialogFavoritesFile.h"

#include "filesystem.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/CheckButton.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

BEGIN_MESSAGE_MAP(CDialogFavoritesFile, kgui::Frame)
MESSAGE_ENTRY("TextChanged", OnTextChanged)
END_MESSAGE_MAP()

CDialogFavoritesFile::CDialogFavoritesFile(kgui::Panel *parent, kgui::Panel *target, bool exporting)
    : Frame(parent, "DialogFavoritesFile"), m_hTarget(target), m_bExporting(exporting) {
  SetDeleteSelfOnClose(true);
  SetSizeable(false);
  SetMinimizeButtonVisible(false);
  SetMaximizeButtonVisible(false);
  SetTitle(exporting ? "#ServerBrowser_ExportFavoritesTitle" : "#ServerBrowser_ImportFavoritesTitle", true);

  new kgui::Label(this, "PathLabel", "");
  m_pPath = new kgui::TextEntry(this, "PathText");
  m_pPath->AddActionSignalTarget(this);
  m_pPlainList = new kgui::CheckButton(this, "PlainList", "#ServerBrowser_ExportPlainList");
  m_pOK = new kgui::Button(this, "OKButton", "", this, "OK");
  new kgui::Button(this, "CancelButton", "#ServerBrowser_Cancel", this, "Close");

  LoadControlSettings("servers/DialogFavoritesFile.res");
  m_pOK->SetText(exporting ? "#ServerBrowser_Export" : "#ServerBrowser_Import");
  if (auto *label = dynamic_cast<kgui::Label *>(FindChildByName("PathLabel")))
    label->SetText(exporting ? "#ServerBrowser_ExportFavoritesInfo" : "#ServerBrowser_ImportFavoritesInfo");
  // Reading a file cannot choose its form: it is told by the text.
  m_pPlainList->SetVisible(exporting);
  m_pPath->SetText(DefaultPath().c_str());
  m_pPath->GotoTextEnd();
  m_pPath->RequestFocus();
  OnTextChanged();
}

std::string CDialogFavoritesFile::DefaultPath() {
  char local[4096];
  IFileSystem *fileSystem = kgui::filesystem();
  if (fileSystem && fileSystem->GetLocalWritePath(kDefaultFileName, "CONFIG", local, sizeof(local)))
    return local;
  return kDefaultFileName;
}

void CDialogFavoritesFile::OnTextChanged() {
  m_pOK->SetEnabled(m_pPath->GetTextLength() > 0);
}

void CDialogFavoritesFile::OnCommand(const char *command) {
  if (V_stricmp(command, "OK") != 0) {
    BaseClass::OnCommand(command);
    return;
  }
  const std::string path = m_pPath->GetText();
  if (path.empty()) return;
  if (kgui::Panel *target = m_hTarget.Get()) {
    auto *chosen = new KeyValues("FavoritesFileChosen", "path", path.c_str());
    chosen->SetInt("mode", !m_bExporting               ? kImport
                           : m_pPlainList->IsChecked() ? kExportPlain
                                                       : kExportKeyValues);
    PostMessage(target, chosen);
  }
  Close();
}
