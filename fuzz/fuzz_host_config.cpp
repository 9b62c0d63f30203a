// The host's configuration file on arbitrary bytes, read from a file through the file service as
// the host reads it. A configuration that is taken has a catalogue of real application ids in
// file order, each game's command splits into the arguments a launch would use, and its start
// messages copy out whole; one that is refused says which entry it could not read.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/filesystem_stdio.h"
#include "host/app/game_launcher.h"
#include "host/app/host_config.h"
#include "support/fuzz_support.h"
#include "tier1/KeyValues.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzzsupport::SilenceReports();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 200000) return 0;
  static const std::string path = fuzzsupport::ScratchFolder() + "/host.vdf";
  if (!fuzzsupport::WriteFileBytes(path, data, size)) abort();

  CStdioFileSystem fileSystem;
  kguihost::CHostConfig config;
  std::string error;
  if (!config.Load(fileSystem, path, error)) {
    if (error.empty()) abort();
    return 0;
  }
  // Entries of the catalogue, in file order, as they were read.
  KeyValuesAD root(new KeyValues("HostConfig"));
  if (!root->LoadFromFile(&fileSystem, path.c_str())) abort();
  KeyValues *games = root->FindKey("Games");
  if (config.HasGameCatalogue() != (games != nullptr)) abort();
  size_t index = 0;
  for (KeyValues *game = games ? games->GetFirstSubKey() : nullptr; game;
       game = game->GetNextKey(), ++index) {
    if (index >= config.Games().size()) abort();
    const kguihost::CGameEntry &entry = config.Games()[index];
    if (entry.appID == 0 || entry.command != game->GetString("command", "")) abort();
  }
  if (index != config.Games().size()) abort();

  kguihost::CGameLauncher launcher(config, fuzzsupport::ScratchFolder() + "/none");
  for (const kguihost::CGameEntry &entry : config.Games()) {
    const std::vector<std::string> args = launcher.BuildArguments(entry, "+connect 10.0.0.1:27015");
    if (args.size() != kguihost::SplitCommandLine(entry.command).size() + 2) abort();
    (void)launcher.IsGameRunning(entry.appID, entry.gameDir.c_str());
  }
  for (KeyValues *message : config.MakeStartMessages()) message->Destroy();
  return 0;
}
