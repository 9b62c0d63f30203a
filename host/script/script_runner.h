// Runs a host script inside the frame: input steps in the frame's input step, screenshots and
// dumps once the frame is painted, waits counted in frames or on the host clock.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "host/script/script_parser.h"

class IServerBrowser;

namespace kguihost {

class CScriptRunner final : public IFrameClient {
 public:
  // `messageTarget` answers the panel that receives "message" steps (the module's root panel).
  CScriptRunner(CKGuiRuntime &runtime, std::vector<CScriptStep> steps,
                std::function<kgui::VPANEL()> messageTarget);

  // The module's browser face that "browser" steps call; null (the default) makes them fail.
  void SetBrowser(IServerBrowser *browser) { m_pBrowser = browser; }

  void OnInputStep() override;
  void OnFramePainted() override;

  // Every step has run and a last wait, shot, dump or waitfile is over.
  bool Finished() const { return m_Next >= m_Steps.size() && !m_pPending && !m_pWaitFile && !m_Waiting; }
  bool QuitRequested() const { return m_Quit; }
  // A step could not run (its report went to Warning).
  bool Failed() const { return m_Failed; }

  // The first shown panel on the path (names joined by "/", ignoring case) from a top-level panel
  // or popup, front to back; null when there is none.
  static CHostPanel *FindPath(CKGuiRuntime &runtime, const std::string &path);
  // A message from "key=value" pairs: whole numbers become int (or unsigned 64-bit when larger),
  // the rest text. The caller owns it.
  static KeyValues *BuildMessage(const std::string &name,
                                 const std::vector<std::pair<std::string, std::string>> &pairs);

 private:
  // Runs the step; false when the frame's share of the script ends with it.
  bool Run(const CScriptStep &step);
  bool Point(const CScriptStep &step, int &x, int &y);
  void Click(const CScriptStep &step);
  void TypeText(const std::string &utf8);
  void Compose(const CScriptStep &step);
  void CallBrowser(const CScriptStep &step);
  void Fail(const CScriptStep &step, const std::string &problem);
  // True while a waitfile step still waits; gives the machine a moment each time.
  bool WaitingForFile();

  CKGuiRuntime &m_Runtime;
  std::vector<CScriptStep> m_Steps;
  std::function<kgui::VPANEL()> m_MessageTarget;
  IServerBrowser *m_pBrowser = nullptr;
  size_t m_Next = 0;
  const CScriptStep *m_pPending = nullptr;  // a shot or dump waiting for the paint
  uint64 m_WaitFrame = 0;
  double m_WaitTime = 0.0;
  // A wait step has begun and no input step has seen it over yet: what was posted before it is
  // delivered only then.
  bool m_Waiting = false;
  // A waitfile step: the file, and the real time it is given up at.
  const CScriptStep *m_pWaitFile = nullptr;
  std::chrono::steady_clock::time_point m_WaitFileDeadline;
  bool m_Quit = false;
  bool m_Failed = false;
};

// Saves the last painted frame as a PNG, making its folder when needed.
bool SavePicture(CKGuiRuntime &runtime, const std::string &path);

}  // namespace kguihost
