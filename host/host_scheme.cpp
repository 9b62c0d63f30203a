#include "host/host_scheme.h"

#include "host/kgui_runtime.h"
#include "host/scheme.h"
#include "host/scheme_image.h"
#include "host/texture_manager.h"
#include "tier0/dbg.h"

namespace kguihost {

CHostScheme::CHostScheme(CKGuiRuntime &runtime) : m_Runtime(runtime) {}
CHostScheme::~CHostScheme() = default;

kgui::HScheme CHostScheme::LoadSchemeFromFile(const char *fileName, const char *tag) {
  std::string key = tag ? tag : "";
  auto known = m_Tags.find(key);
  if (known != m_Tags.end()) return known->second;
  auto scheme = std::make_unique<CScheme>(m_Runtime);
  scheme->Load(m_Runtime.FileSystem(), fileName ? fileName : "");
  m_Schemes.push_back(std::move(scheme));
  kgui::HScheme handle = static_cast<kgui::HScheme>(m_Schemes.size());
  m_Tags[key] = handle;
  return handle;
}

kgui::HScheme CHostScheme::GetDefaultScheme() { return LoadSchemeFromFile(kDefaultSchemeFile, "Default"); }

kgui::HScheme CHostScheme::GetScheme(const char *tag) {
  auto it = m_Tags.find(tag ? tag : "");
  return it != m_Tags.end() ? it->second : GetDefaultScheme();
}

kgui::IScheme *CHostScheme::GetIScheme(kgui::HScheme scheme) {
  if (scheme == kgui::INVALID_SCHEME || scheme > m_Schemes.size()) return &Default();
  return m_Schemes[scheme - 1].get();
}

CScheme &CHostScheme::Default() { return *m_Schemes[GetDefaultScheme() - 1]; }

kgui::IImage *CHostScheme::GetImage(const char *imageName, bool) {
  std::string name = imageName ? imageName : "";
  auto it = m_Images.find(name);
  if (it != m_Images.end()) return it->second.get();
  cairo_surface_t *pixels = name.empty() ? nullptr : CTextureManager::ReadPng(m_Runtime.FileSystem(), PngFileName(name.c_str()));
  if (!pixels) Warning("Image '%s' not found; it draws nothing\n", name.c_str());
  auto image = std::make_unique<CSchemeImage>(m_Runtime.Renderer(), pixels);
  kgui::IImage *result = image.get();
  m_Images.emplace(name, std::move(image));
  return result;
}

int CHostScheme::GetProportionalScaledValue(int normalizedValue) { return m_Runtime.ProportionalScale(normalizedValue); }

}  // namespace kguihost
