// Scheme files on arbitrary bytes, read through the host's file service as the host reads a
// scheme, then asked for every colour, setting, font and border they name; borders are painted.
// A colour the file gives as "r g b a" is the colour asked for; "r g b" text reads back through
// the colour reader unchanged.
#include <strings.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/scheme.h"
#include "support/fuzz_runtime.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"

namespace {

void AskForEverything(kguihost::CScheme &scheme, KeyValues *root) {
  if (KeyValues *colors = root->FindKey("Colors")) {
    for (KeyValues *entry = colors->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
      (void)scheme.GetColor(entry->GetName(), Color(1, 2, 3, 4));
    }
  }
  if (KeyValues *settings = root->FindKey("BaseSettings")) {
    for (KeyValues *entry = settings->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
      (void)scheme.GetColor(entry->GetName(), Color(1, 2, 3, 4));
      (void)scheme.GetResourceString(entry->GetName());
      Color color;
      (void)scheme.ResolveColor(entry->GetString(), color);
    }
  }
  if (KeyValues *fonts = root->FindKey("Fonts")) {
    for (KeyValues *entry = fonts->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
      (void)scheme.GetFont(entry->GetName(), false);
      (void)scheme.GetFont(entry->GetName(), true);
    }
  }
  if (KeyValues *borders = root->FindKey("Borders")) {
    for (KeyValues *entry = borders->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
      kgui::IBorder *border = scheme.GetBorder(entry->GetName());
      if (!border) continue;
      int left = 0, top = 0, right = 0, bottom = 0;
      border->GetInset(left, top, right, bottom);
      border->Paint(0, 0, 64, 32);
      (void)border->GetName();
    }
  }
}

// The last "r g b a" entry of a name in "Colors" (letter case ignored) is the colour asked for,
// unless "BaseSettings" holds the name too.
void CheckPlainColours(kguihost::CScheme &scheme, KeyValues *root) {
  KeyValues *colors = root->FindKey("Colors");
  if (!colors || root->FindKey("BaseSettings")) return;
  for (KeyValues *entry = colors->GetFirstSubKey(); entry; entry = entry->GetNextKey()) {
    Color parsed;
    if (!kguihost::ParseColorText(entry->GetString(), parsed)) continue;
    bool later = false;
    for (KeyValues *next = entry->GetNextKey(); next && !later; next = next->GetNextKey()) {
      later = strcasecmp(next->GetName(), entry->GetName()) == 0;
    }
    if (later) continue;
    if (!(scheme.GetColor(entry->GetName(), Color(1, 2, 3, 4)) == parsed)) abort();
    char text[32];
    snprintf(text, sizeof(text), "%d %d %d %d", parsed.r(), parsed.g(), parsed.b(), parsed.a());
    Color again;
    if (!kguihost::ParseColorText(text, again) || !(again == parsed)) abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  fuzzsupport::Runtime();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 200000) return 0;
  static const std::string path = fuzzsupport::GameFolder() + "/resource/fuzz_scheme.res";
  if (!fuzzsupport::WriteFileBytes(path, data, size)) abort();
  kguihost::CKGuiRuntime &runtime = fuzzsupport::Runtime();
  kguihost::CScheme scheme(runtime);
  if (!scheme.Load(runtime.FileSystem(), "resource/fuzz_scheme.res")) return 0;

  // The tree the scheme took, read the same way (included files and all).
  KeyValuesAD root(new KeyValues("Scheme"));
  if (!root->LoadFromFile(&runtime.FileSystem(), "resource/fuzz_scheme.res")) abort();
  AskForEverything(scheme, root.get());
  CheckPlainColours(scheme, root.get());
  return 0;
}
