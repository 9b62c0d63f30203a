// Textures: cairo image surfaces made from PNG files of the host file system or from pixels.
#pragma once

#include <string>
#include <unordered_map>

#include "kgui/kgui.h"

class IFileSystem;
typedef struct _cairo_surface cairo_surface_t;

namespace kguihost {

class CTextureManager {
 public:
  explicit CTextureManager(IFileSystem &fileSystem);
  ~CTextureManager();
  CTextureManager(const CTextureManager &) = delete;
  CTextureManager &operator=(const CTextureManager &) = delete;

  kgui::HTexture Create();
  // Loads "<name>.png" ("name.png" works too); false leaves the texture empty.
  bool LoadFile(kgui::HTexture id, const char *name, bool forceReload);
  void SetRGBA(kgui::HTexture id, const uint8 *rgba, int wide, int tall);
  bool IsValid(kgui::HTexture id) const;
  void Destroy(kgui::HTexture id);
  // The pixels of a texture, or null when it is empty or unknown.
  cairo_surface_t *Surface(kgui::HTexture id) const;
  void Size(kgui::HTexture id, int &wide, int &tall) const;

  // Reads a PNG through the file system (path id "GAME" first, as all relative reads do); null
  // when it is missing or not a PNG.
  static cairo_surface_t *ReadPng(IFileSystem &fileSystem, const std::string &path);

 private:
  struct Texture {
    cairo_surface_t *surface = nullptr;
    std::string file;
  };
  static void Release(Texture &texture);

  IFileSystem &m_FileSystem;
  std::unordered_map<kgui::HTexture, Texture> m_Textures;
  kgui::HTexture m_NextId = 1;
};

// The file name of an image: ".png" is appended unless present (ignoring case); "\" reads as "/".
std::string PngFileName(const char *name);

}  // namespace kguihost
