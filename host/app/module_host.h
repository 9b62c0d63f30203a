// The module the host drives: loaded by path, both faces looked up through its CreateInterface.
#pragma once

#include <string>

class CSysModule;
class IKGuiModule;
class IServerBrowser;

namespace kguihost {

class CModuleHost {
 public:
  CModuleHost() = default;
  ~CModuleHost();
  CModuleHost(const CModuleHost &) = delete;
  CModuleHost &operator=(const CModuleHost &) = delete;

  // Loads the library (a relative path is taken from the working directory) and finds
  // CreateInterface, "KGuiModuleServerBrowser001" and "ServerBrowser003". False with a message in
  // `error` when any of them is missing; nothing stays loaded then.
  bool Load(const std::string &path, std::string &error);
  void Unload();

  IKGuiModule *Module() const { return m_pModule; }
  IServerBrowser *Browser() const { return m_pBrowser; }

 private:
  CSysModule *m_pLibrary = nullptr;
  IKGuiModule *m_pModule = nullptr;
  IServerBrowser *m_pBrowser = nullptr;
};

}  // namespace kguihost
