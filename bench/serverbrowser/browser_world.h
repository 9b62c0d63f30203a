// The browser as the page benchmarks drive it: the host runtime offscreen, the services in
// process, the main window shown on the Internet page, and 100,000 invented servers of one game.
#pragma once

#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "plexa/matchmakingtypes.h"
#include "support/fake_services.h"

class CInternetGames;
class CServerBrowserDialog;

namespace sbbench {

inline constexpr int kServers = 100000;
inline constexpr AppId_t kApp = 1002;

// The same servers every run: spread latencies, a few full, empty and locked ones.
const std::vector<ServerRecord> &Servers();

class CBrowserWorld {
 public:
  CBrowserWorld();
  ~CBrowserWorld();
  CBrowserWorld(const CBrowserWorld &) = delete;
  CBrowserWorld &operator=(const CBrowserWorld &) = delete;

  CInternetGames *Page();
  // A new list: the page asks the services; returns the request's handle.
  ListRequestHandle NewList();
  // The services' own storage filled beforehand, so that it is not counted as the page's cost.
  void StoreRecords(ListRequestHandle request);
  // Answers from `next` on until `budgetMs` is spent; returns the next index to answer.
  int AnswerFor(ListRequestHandle request, int next, double budgetMs);
  void AnswerAll(ListRequestHandle request);
  void Done(ListRequestHandle request);
  kguihost::CKGuiRuntime &Runtime() { return m_Runtime; }

 private:
  kguihost::CKGuiRuntime m_Runtime;
  sbtest::FakeServices m_Services;
  std::string m_Folder;
  CServerBrowserDialog *m_pWindow = nullptr;
};

}  // namespace sbbench
