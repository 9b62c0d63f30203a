// Layout files on arbitrary bytes, applied by a dialog's build group on the host runtime as a
// module's window applies its layout: blocks matched to panels made in code or made by class
// name, then (after a NUL byte, when the input has one) a second file applied as a reload of the
// same resource. The window is laid out, painted and dumped, then deleted; nothing may crash,
// leak or hang, and the dialog's panels stay the ones it holds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/panel_dumper.h"
#include "kgui_controls/BuildGroup.h"
#include "kgui_controls/Button.h"
#include "kgui_controls/CheckButton.h"
#include "kgui_controls/ComboBox.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/ImagePanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/TextEntry.h"
#include "support/fuzz_runtime.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

namespace {

constexpr const char *kResource = "resource/FuzzLayout.res";

kgui::EditablePanel *MakeDialog(kguihost::CKGuiRuntime &runtime) {
  auto *dialog = new kgui::EditablePanel(nullptr, "Dialog");
  dialog->SetParent(runtime.RootPanel());
  dialog->SetBounds(20, 20, 640, 480);
  new kgui::Label(dialog, "Title", "Quiet Harbor");
  new kgui::Button(dialog, "Connect", "Connect");
  new kgui::TextEntry(dialog, "Filter");
  new kgui::CheckButton(dialog, "HideFull", "Hide full servers");
  auto *combo = new kgui::ComboBox(dialog, "Region", 4, false);
  combo->AddItem("Everywhere", nullptr);
  combo->AddItem("North", nullptr);
  auto *list = new kgui::ListPanel(dialog, "Servers");
  list->AddColumnHeader(0, "name", "Name", 200);
  list->AddColumnHeader(1, "map", "Map", 120);
  KeyValuesAD row(new KeyValues("row"));
  row->SetString("name", "Lantern Bay");
  row->SetString("map", "frost_harbor");
  list->AddItem(row.get(), 0, false, false);
  new kgui::ImagePanel(dialog, "Logo");
  return dialog;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  fuzzsupport::RuntimeWithToolkit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 65536) return 0;
  static const std::string path = fuzzsupport::GameFolder() + "/" + kResource;
  const auto *split = static_cast<const uint8_t *>(memchr(data, '\0', size));
  const size_t firstSize = split ? static_cast<size_t>(split - data) : size;
  if (!fuzzsupport::WriteFileBytes(path, data, firstSize)) abort();

  kguihost::CKGuiRuntime &runtime = fuzzsupport::RuntimeWithToolkit();
  kgui::BuildGroup::ClearFileCache();
  kgui::EditablePanel *dialog = MakeDialog(runtime);
  dialog->LoadControlSettings(kResource);
  fuzzsupport::RunFrame();
  if (split) {
    if (!fuzzsupport::WriteFileBytes(path, split + 1, size - firstSize - 1)) abort();
    dialog->GetBuildGroup()->ReloadControlSettings();
    fuzzsupport::RunFrame();
  }
  for (kgui::Panel *panel : dialog->GetBuildGroup()->GetPanels()) {
    if (!panel) abort();
    (void)panel->GetName();
  }
  KeyValuesAD dump(kguihost::CPanelDumper(runtime).Build());
  CUtlBuffer text(0, 0, CUtlBuffer::TEXT_BUFFER);
  dump->RecursiveSaveToFile(text, 0);
  delete dialog;
  runtime.DeleteMarkedPanels();
  fuzzsupport::RunFrame();
  kgui::BuildGroup::ClearFileCache();
  return 0;
}
