#include "tests/host/host_fixture.h"

#include <cairo.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/scheme.h"
#include "tier0/platform.h"

extern char **environ;

namespace kguihost {

CProbePanel::CProbePanel(CKGuiRuntime &runtime, const char *name, Color fillColor)
    : fill(fillColor), m_Runtime(runtime) {
  id = runtime.KGui().CreatePanel(this);
  runtime.PanelInterface().SetName(id, name);
}

CProbePanel::~CProbePanel() {
  if (!freed) m_Runtime.KGui().FreePanel(id);
}

std::vector<std::string> CProbePanel::Logged(const std::string &prefix) const {
  std::vector<std::string> found;
  for (const std::string &entry : log) {
    if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
  }
  return found;
}

void CProbePanel::Paint() {
  ++paints;
  if (fill.a() > 0) {
    int wide = 0;
    int tall = 0;
    m_Runtime.PanelInterface().GetSize(id, wide, tall);
    m_Runtime.Surface().DrawSetColor(fill);
    m_Runtime.Surface().DrawFilledRect(0, 0, wide, tall);
  }
  if (onPaint) onPaint();
}

void CProbePanel::OnMessage(KeyValues *message, kgui::VPANEL) {
  std::string entry = message->GetName();
  if (entry == "CursorMoved") {
    entry += " " + std::to_string(message->GetInt("xpos")) + "," + std::to_string(message->GetInt("ypos"));
  } else if (entry == "Step") {
    entry += std::string(" ") + message->GetString("name");
  } else if (message->FindKey("code")) {
    entry += " " + std::to_string(message->GetInt("code"));
  } else if (message->FindKey("unichar")) {
    entry += " " + std::to_string(message->GetInt("unichar"));
  }
  log.push_back(entry);
  if (onMessage) onMessage(message);
}

void CProbePanel::DeletePanel() {
  ++deletes;
  if (!freed) m_Runtime.KGui().FreePanel(id);
  freed = true;
}

void CProbePanel::Describe(KeyValues *panelBlock) {
  if (!text.empty()) panelBlock->SetString("text", text.c_str());
}

bool CProbePanel::RequestInfo(KeyValues *outputData) {
  outputData->SetString("answeredBy", m_Runtime.PanelInterface().GetName(id));
  return true;
}

HostTest::HostTest() {
  Plat_SetClockOverride(true, 1000.0);
  std::filesystem::create_directories(GameDir() + "/resource");
  std::filesystem::create_directories(UserDir());
  InstallShippedScheme(GameDir());
  RestartRuntime();
}

HostTest::~HostTest() {
  m_pRuntime.reset();
  Plat_SetClockOverride(false);
}

void HostTest::RestartRuntime(const std::string &language) {
  m_pRuntime.reset();
  CRuntimeOptions options;
  options.gameDir = GameDir();
  options.userDir = UserDir();
  options.language = language;
  m_pRuntime = std::make_unique<CKGuiRuntime>(options);
}

std::unique_ptr<CProbePanel> HostTest::MakePanel(const char *name, kgui::VPANEL parent, int x, int y,
                                                 int wide, int tall, Color fill) {
  auto panel = std::make_unique<CProbePanel>(Runtime(), name, fill);
  CHostPanelInterface &ipanel = Runtime().PanelInterface();
  ipanel.SetParent(panel->id, parent ? parent : Runtime().RootPanel());
  ipanel.SetPos(panel->id, x, y);
  ipanel.SetSize(panel->id, wide, tall);
  return panel;
}

std::unique_ptr<CProbePanel> HostTest::MakePopup(const char *name, int x, int y, int wide, int tall,
                                                 Color fill) {
  auto panel = MakePanel(name, 0, x, y, wide, tall, fill);
  Runtime().Surface().CreatePopup(panel->id, false, false, false, true, true);
  return panel;
}

void HostTest::RunFrames(int count, double secondsPerFrame) {
  for (int i = 0; i < count; ++i) {
    Plat_AdvanceClock(secondsPerFrame);
    Runtime().RunFrame();
  }
}

Color HostTest::Pixel(int x, int y) {
  uint32 argb = Runtime().Renderer().PixelAt(x, y);
  return Color((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
}

Color HostTest::DesktopColor() {
  return Runtime().Scheme().Default().GetColor("Desktop.BgColor", Color(36, 40, 46, 255));
}

void WriteWav(const std::string &path) {
  const int samples = 800;
  std::string wav = "RIFF";
  auto u32 = [&](uint32 v) { wav.append(reinterpret_cast<const char *>(&v), 4); };
  auto u16 = [&](uint16 v) { wav.append(reinterpret_cast<const char *>(&v), 2); };
  u32(36 + samples * 2);
  wav += "WAVEfmt ";
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(8000);
  u32(16000);
  u16(2);
  u16(16);
  wav += "data";
  u32(samples * 2);
  wav.append(samples * 2, '\0');
  WriteWholeFile(path, wav);
}

void WriteSolidPng(const std::string &path, int wide, int tall, Color color) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, wide, tall);
  cairo_t *cr = cairo_create(surface);
  cairo_set_source_rgba(cr, color.r() / 255.0, color.g() / 255.0, color.b() / 255.0, color.a() / 255.0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
}

void InstallShippedScheme(const std::string &gameDir) {
  const char *source = getenv("SB_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "SB_SOURCE_DIR is not set";
  std::filesystem::create_directories(gameDir + "/resource");
  std::filesystem::copy_file(std::string(source) + "/game/resource/scheme.res",
                             gameDir + "/resource/scheme.res",
                             std::filesystem::copy_options::overwrite_existing);
}

std::string BinPath(const std::string &name) {
  const char *bin = getenv("SB_BIN_DIR");
  return std::string(bin ? bin : ".") + "/" + name;
}

int RunProgram(const std::vector<std::string> &argv, std::string &output,
               const std::vector<std::string> &environment) {
  TempDir scratch;
  std::string outputFile = scratch.File("output.txt");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char *> args;
  for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  std::vector<char *> env;
  for (const std::string &entry : environment) env.push_back(const_cast<char *>(entry.c_str()));
  for (char **entry = environ; *entry; ++entry) env.push_back(*entry);
  env.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    output = std::string("cannot start ") + args[0] + ": " + strerror(spawned);
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  output = ReadWholeFile(outputFile);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  // Say how it ended, so a failing test shows it.
  if (WIFSIGNALED(status)) output += "\n[ended by signal " + std::to_string(WTERMSIG(status)) + "]\n";
  return -1;
}

CRuntimeDir::CRuntimeDir() {
  std::string pattern = "/tmp/sb-run-XXXXXX";
  if (mkdtemp(pattern.data())) m_Path = pattern;  // mkdtemp makes it 0700
}

CRuntimeDir::~CRuntimeDir() {
  std::error_code ignored;
  if (!m_Path.empty()) std::filesystem::remove_all(m_Path, ignored);
}

}  // namespace kguihost
