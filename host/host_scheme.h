// IHostScheme of the host: schemes by tag and the shared images by name.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/case_less.h"
#include "kgui/IScheme.h"

namespace kguihost {

class CKGuiRuntime;
class CScheme;
class CSchemeImage;

class CHostScheme final : public kgui::IHostScheme {
 public:
  static constexpr const char *kDefaultSchemeFile = "resource/scheme.res";

  explicit CHostScheme(CKGuiRuntime &runtime);
  ~CHostScheme();
  CHostScheme(const CHostScheme &) = delete;
  CHostScheme &operator=(const CHostScheme &) = delete;

  kgui::HScheme LoadSchemeFromFile(const char *fileName, const char *tag) override;
  kgui::HScheme GetDefaultScheme() override;
  kgui::HScheme GetScheme(const char *tag) override;
  kgui::IScheme *GetIScheme(kgui::HScheme scheme) override;
  kgui::IImage *GetImage(const char *imageName, bool hardwareFiltered) override;
  int GetProportionalScaledValue(int normalizedValue) override;

  CScheme &Default();

 private:
  CKGuiRuntime &m_Runtime;
  std::vector<std::unique_ptr<CScheme>> m_Schemes;  // index = handle - 1
  std::map<std::string, kgui::HScheme, CCaseLess> m_Tags;
  std::map<std::string, std::unique_ptr<CSchemeImage>, CCaseLess> m_Images;
};

}  // namespace kguihost
