#include "host/script/script_runner.h"

#include <filesystem>
#include <thread>

#include "host/key_names.h"
#include "host/panel_dumper.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/IServerBrowser.h"
#include "tier0/dbg.h"

namespace kguihost {

namespace {

// How long a waitfile step waits for its file, in real seconds.
constexpr int kWaitFileSeconds = 30;

std::vector<std::string> SplitPath(const std::string &path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string FormatAddress(uint32 ip, uint16 port) {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
         std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF) + ":" + std::to_string(port);
}

CHostPanel *FindBelow(CKGuiRuntime &runtime, CHostPanel *panel, const std::vector<std::string> &names,
                      size_t depth) {
  if (depth == names.size()) return runtime.Panels().IsShown(panel) ? panel : nullptr;
  for (auto it = panel->children.rbegin(); it != panel->children.rend(); ++it) {
    if ((*it)->popup || V_stricmp((*it)->name.c_str(), names[depth].c_str()) != 0) continue;
    if (CHostPanel *found = FindBelow(runtime, *it, names, depth + 1)) return found;
  }
  return nullptr;
}

}  // namespace

bool SavePicture(CKGuiRuntime &runtime, const std::string &path) {
  std::error_code ignored;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  return runtime.Renderer().SavePng(path.c_str());
}

CScriptRunner::CScriptRunner(CKGuiRuntime &runtime, std::vector<CScriptStep> steps,
                             std::function<kgui::VPANEL()> messageTarget)
    : m_Runtime(runtime), m_Steps(std::move(steps)), m_MessageTarget(std::move(messageTarget)) {}

CHostPanel *CScriptRunner::FindPath(CKGuiRuntime &runtime, const std::string &path) {
  std::vector<std::string> names = SplitPath(path);
  if (names.empty()) return nullptr;
  CPanelRegistry &panels = runtime.Panels();
  std::vector<CHostPanel *> windows(panels.Popups().rbegin(), panels.Popups().rend());
  if (CHostPanel *root = panels.Root()) {
    for (auto it = root->children.rbegin(); it != root->children.rend(); ++it) {
      if (!(*it)->popup) windows.push_back(*it);
    }
  }
  for (CHostPanel *window : windows) {
    if (V_stricmp(window->name.c_str(), names[0].c_str()) != 0) continue;
    if (CHostPanel *found = FindBelow(runtime, window, names, 1)) return found;
  }
  return nullptr;
}

KeyValues *CScriptRunner::BuildMessage(const std::string &name,
                                       const std::vector<std::pair<std::string, std::string>> &pairs) {
  KeyValues *message = new KeyValues(name.c_str());
  for (const auto &pair : pairs) {
    const char *text = pair.second.c_str();
    const char *end = nullptr;
    bool overflow = false;
    int64 number = V_StringToInt64(text, &end, &overflow);
    bool whole = *text && end != text && *end == '\0' && !overflow;
    if (whole && number >= INT32_MIN && number <= INT32_MAX) {
      message->SetInt(pair.first.c_str(), static_cast<int>(number));
    } else if (whole && number > 0) {
      message->SetUint64(pair.first.c_str(), static_cast<uint64>(number));
    } else {
      uint64 large = V_StringToUint64(text, &end, &overflow);
      if (*text && *text != '-' && end != text && *end == '\0' && !overflow) {
        message->SetUint64(pair.first.c_str(), large);
      } else {
        message->SetString(pair.first.c_str(), text);
      }
    }
  }
  return message;
}

void CScriptRunner::OnInputStep() {
  if (m_Quit || m_pPending || WaitingForFile()) return;
  if (m_Runtime.FrameCount() < m_WaitFrame || m_Runtime.Now() < m_WaitTime) return;
  m_Waiting = false;
  while (m_Next < m_Steps.size()) {
    const CScriptStep &step = m_Steps[m_Next++];
    if (!Run(step)) break;
  }
}

void CScriptRunner::OnFramePainted() {
  const CScriptStep *step = m_pPending;
  m_pPending = nullptr;
  if (!step) return;
  if (step->kind == CScriptStep::SHOT) {
    if (!SavePicture(m_Runtime, step->path)) Fail(*step, "cannot write '" + step->path + "'");
  } else if (!CPanelDumper(m_Runtime).Write(step->path)) {
    Fail(*step, "cannot write '" + step->path + "'");
  }
}

bool CScriptRunner::WaitingForFile() {
  if (!m_pWaitFile) return false;
  std::error_code ignored;
  if (std::filesystem::exists(m_pWaitFile->path, ignored)) {
    m_pWaitFile = nullptr;
    return false;
  }
  if (std::chrono::steady_clock::now() >= m_WaitFileDeadline) {
    Fail(*m_pWaitFile, "'" + m_pWaitFile->path + "' did not appear");
    m_pWaitFile = nullptr;
    return false;
  }
  // Frames go on meanwhile (the other program may wait for what they do), a few hundred a second.
  std::this_thread::sleep_for(std::chrono::milliseconds(3));
  return true;
}

void CScriptRunner::Fail(const CScriptStep &step, const std::string &problem) {
  Warning("Script line %d: %s\n", step.line, problem.c_str());
  m_Failed = true;
}

bool CScriptRunner::Point(const CScriptStep &step, int &x, int &y) {
  if (step.hasPoint) {
    x = step.x;
    y = step.y;
    return true;
  }
  CHostPanel *panel = FindPath(m_Runtime, step.path);
  CRect clip = panel ? m_Runtime.Panels().ClipRect(panel) : CRect{};
  if (!panel || clip.IsEmpty()) {
    Fail(step, "no shown panel '" + step.path + "'");
    return false;
  }
  x = (clip.x0 + clip.x1 - 1) / 2;
  y = (clip.y0 + clip.y1 - 1) / 2;
  return true;
}

void CScriptRunner::Click(const CScriptStep &step) {
  int x = 0;
  int y = 0;
  if (!Point(step, x, y)) return;
  CHostInput &input = m_Runtime.Input();
  input.CursorMoved(x, y);
  kgui::MouseCode button = step.kind == CScriptStep::RIGHT_CLICK ? kgui::MOUSE_RIGHT : kgui::MOUSE_LEFT;
  input.MousePressed(button);
  input.MouseReleased(button);
  if (step.kind == CScriptStep::DOUBLE_CLICK) {
    input.MouseDoublePressed(button);
    input.MouseReleased(button);
  }
}

void CScriptRunner::TypeText(const std::string &utf8) {
  std::u16string wide(utf8.size() + 1, u'\0');
  int units = V_UTF8ToUTF16(utf8.c_str(), wide.data(), static_cast<int>(wide.size() * sizeof(char16_t)));
  wide.resize(units > 0 ? units - 1 : 0);
  CHostInput &input = m_Runtime.Input();
  for (size_t i = 0; i < wide.size(); ++i) {
    // Whole characters, as a keyboard gives them: a surrogate pair is one (the converter writes
    // only whole pairs).
    char32_t ch = wide[i];
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < wide.size())
      ch = 0x10000 + ((ch - 0xD800) << 10) + (wide[++i] - 0xDC00);
    kgui::KeyCode code = KeyCodeForChar(ch);
    if (code != kgui::KEY_NONE) input.KeyPressed(code);
    input.CharTyped(ch);
    if (code != kgui::KEY_NONE) input.KeyReleased(code);
  }
}

void CScriptRunner::Compose(const CScriptStep &step) {
  // Without a caret it stands after the last character.
  int caret = step.caret;
  if (caret < 0) {
    caret = 0;
    for (unsigned char byte : step.text) caret += (byte & 0xC0) != 0x80 ? 1 : 0;
  }
  m_Runtime.Input().CompositionChanged(step.text.c_str(), caret, 0);
}

void CScriptRunner::CallBrowser(const CScriptStep &step) {
  using Call = CScriptStep::BrowserCall;
  if (!m_pBrowser) {
    Fail(step,
         "the module offers no " SERVERBROWSER_INTERFACE_VERSION " face for 'browser " + step.text + "'");
    return;
  }
  // The log names the call and its arguments, never the password itself.
  std::string call = step.text;
  const char *result = nullptr;
  switch (step.browserCall) {
    case Call::SHOW:
      m_pBrowser->ShowMainWindow();
      break;
    case Call::ACTIVATE:
      result = m_pBrowser->ActivateBrowser() ? "true" : "false";
      break;
    case Call::OPEN_FRIEND:
      call += " " + std::to_string(step.friendID);
      result = m_pBrowser->OpenFriendGameInfo(step.friendID) ? "true" : "false";
      break;
    case Call::JOIN_FRIEND:
      call += " " + std::to_string(step.friendID);
      result = m_pBrowser->JoinFriendGame(step.friendID) ? "true" : "false";
      break;
    case Call::CLOSE_FRIEND:
      call += " " + std::to_string(step.friendID);
      m_pBrowser->CloseFriendGameInfo(step.friendID);
      break;
    case Call::CLOSE_ALL:
      m_pBrowser->CloseAllGameInfoDialogs();
      break;
    case Call::JOIN_SERVER:
      call += " " + FormatAddress(step.ip, step.port);
      if (step.hasPassword) call += step.password.empty() ? " with an empty password" : " with a password";
      result = m_pBrowser->JoinServer(step.ip, step.port, step.hasPassword ? step.password.c_str() : nullptr)
                   ? "true"
                   : "false";
      break;
  }
  if (result) {
    Msg("kgui-host: %s -> %s\n", call.c_str(), result);
  } else {
    Msg("kgui-host: %s\n", call.c_str());
  }
}

bool CScriptRunner::Run(const CScriptStep &step) {
  CHostInput &input = m_Runtime.Input();
  switch (step.kind) {
    case CScriptStep::WAIT:
      m_WaitFrame = m_Runtime.FrameCount() + static_cast<uint64>(step.waitFrames);
      m_WaitTime = m_Runtime.Now() + step.waitSeconds;
      m_Waiting = true;
      return false;
    case CScriptStep::MOVE:
      input.CursorMoved(step.x, step.y);
      return true;
    case CScriptStep::CLICK:
    case CScriptStep::RIGHT_CLICK:
    case CScriptStep::DOUBLE_CLICK:
      Click(step);
      return true;
    case CScriptStep::TYPE:
      TypeText(step.text);
      return true;
    case CScriptStep::COMPOSE:
      Compose(step);
      return true;
    case CScriptStep::KEY:
      input.KeyPressed(step.key);
      input.KeyReleased(step.key);
      return true;
    case CScriptStep::KEY_DOWN:
      input.KeyPressed(step.key);
      return true;
    case CScriptStep::KEY_UP:
      input.KeyReleased(step.key);
      return true;
    case CScriptStep::MESSAGE: {
      kgui::VPANEL target = m_MessageTarget ? m_MessageTarget() : kgui::NULL_PANEL;
      if (!m_Runtime.Panels().Find(target)) {
        Fail(step, "the module has no root panel for '" + step.text + "'");
        return true;
      }
      m_Runtime.KGui().PostMessage(target, BuildMessage(step.text, step.pairs), kgui::NULL_PANEL, 0.0f);
      return true;
    }
    case CScriptStep::SHOT:
    case CScriptStep::DUMP:
      m_pPending = &step;
      return false;
    case CScriptStep::BROWSER:
      CallBrowser(step);
      return true;
    case CScriptStep::WAIT_FILE:
      m_pWaitFile = &step;
      m_WaitFileDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(kWaitFileSeconds);
      return false;
    case CScriptStep::QUIT:
      m_Quit = true;
      m_Next = m_Steps.size();
      return false;
  }
  return true;
}

}  // namespace kguihost
