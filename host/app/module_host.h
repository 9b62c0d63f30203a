// The module the host drives: loaded by path, both faces looked up once through its CreateInterface.
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
  // CreateInterface and "KGuiModuleServerBrowser001", then asks for "ServerBrowser003". False with
  // a message in `error` when the library, its CreateInterface or the module face is missing;
  // nothing stays loaded then.
  bool Load(const std::string &path, std::string &error);
  void Unload();

  IKGuiModule *Module() const { return m_pModule; }
  // Null when the module does not offer that face: the lifecycle needs only the module face, so
  // such a module still runs and only what calls the browser operations is refused.
  IServerBrowser *Browser() const { return m_pBrowser; }

 private:
  CSysModule *m_pLibrary = nullptr;
  IKGuiModule *m_pModule = nullptr;
  IServerBrowser *m_pBrowser = nullptr;
};

}  // namespace kguihost
