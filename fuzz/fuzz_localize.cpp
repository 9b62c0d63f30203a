// Token files on arbitrary bytes, read through the host's file service as the host reads them.
// Every token the file names is found afterwards, and patterns made of the tokens' texts are
// filled, with arguments and with variables, into buffers of every small size without passing
// their end.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/host_localize.h"
#include "support/fuzz_runtime.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"

namespace {

constexpr char16_t kGuard = 0xBEEF;

void Fill(kguihost::CHostLocalize &localize, const char16_t *format, KeyValues *variables) {
  const char16_t *args[] = {u"first", u"\U0001F600second", nullptr, u""};
  for (int units : {0, 1, 2, 3, 7, 64}) {
    std::vector<char16_t> output(static_cast<size_t>(units) + 1, kGuard);
    const int written = variables
                            ? localize.ConstructStringVariables(output.data(), units * 2, format, variables)
                            : localize.ConstructStringArgs(output.data(), units * 2, format, 4, args);
    if (output[static_cast<size_t>(units)] != kGuard) abort();
    if (units > 0 && (written < 0 || written >= units || output[static_cast<size_t>(written)] != 0)) abort();
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
  static const std::string path = fuzzsupport::GameFolder() + "/resource/fuzz_english.txt";
  if (!fuzzsupport::WriteFileBytes(path, data, size)) abort();
  kguihost::CKGuiRuntime &runtime = fuzzsupport::Runtime();
  kguihost::CHostLocalize localize(runtime.FileSystem(), "English");
  if (!localize.AddFile(nullptr, "resource/fuzz_%language%.txt", "GAME")) return 0;

  // The tree the token reader took, read the same way.
  KeyValuesAD root(new KeyValues("lang"));
  if (!root->LoadFromFile(&runtime.FileSystem(), "resource/fuzz_english.txt", "GAME")) abort();
  KeyValues *tokens = root->FindKey("Tokens");
  if (!tokens) abort();
  int checked = 0;
  for (KeyValues *token = tokens->GetFirstValue(); token && checked < 64;
       token = token->GetNextValue(), ++checked) {
    const std::string name = token->GetName();
    if (name.empty() || name == "#") continue;
    const char16_t *text = localize.Find(name.c_str());
    if (!text) abort();
    Fill(localize, text, nullptr);
    Fill(localize, text, tokens);
  }
  return 0;
}
