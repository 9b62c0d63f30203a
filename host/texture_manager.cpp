#include "host/texture_manager.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "filesystem.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/keyvalues_text/control_characters.h"

namespace kguihost {

namespace {

// Pictures larger than this are refused rather than allocated: a small file can describe a huge
// picture, and decoding it would take width x height x 4 bytes.
constexpr int kMaxTextureSide = 8192;
constexpr long long kMaxTexturePixels = 4096LL * 4096;

struct PngReader {
  const std::vector<unsigned char> *bytes;
  size_t offset;
};

cairo_status_t ReadChunk(void *closure, unsigned char *data, unsigned int length) {
  auto *reader = static_cast<PngReader *>(closure);
  if (reader->bytes->size() - reader->offset < length) return CAIRO_STATUS_READ_ERROR;
  memcpy(data, reader->bytes->data() + reader->offset, length);
  reader->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

bool ReadWholeFile(IFileSystem &fileSystem, const std::string &path, std::vector<unsigned char> &bytes) {
  FileHandle_t file = fileSystem.Open(path.c_str(), "rb", nullptr);
  if (!file) return false;
  unsigned int size = fileSystem.Size(file);
  bytes.resize(size);
  int read = size ? fileSystem.Read(bytes.data(), static_cast<int>(size), file) : 0;
  fileSystem.Close(file);
  return read == static_cast<int>(size);
}

// The size a PNG file declares in its header, before anything is decoded; false when the bytes do
// not start like a PNG.
bool DeclaredPngSize(const std::vector<unsigned char> &bytes, long long &wide, long long &tall) {
  static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static const unsigned char kHeaderChunk[] = {'I', 'H', 'D', 'R'};
  if (bytes.size() < 24 || memcmp(bytes.data(), kSignature, 8) != 0 ||
      memcmp(bytes.data() + 12, kHeaderChunk, 4) != 0)
    return false;
  const auto bigEndian = [&](size_t at) {
    return (static_cast<long long>(bytes[at]) << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) |
           bytes[at + 3];
  };
  wide = bigEndian(16);
  tall = bigEndian(20);
  return true;
}

}  // namespace

std::string PngFileName(const char *name) {
  std::string file = name ? name : "";
  std::replace(file.begin(), file.end(), '\\', '/');
  if (file.size() < 4 || V_stricmp(file.c_str() + file.size() - 4, ".png") != 0) file += ".png";
  return file;
}

cairo_surface_t *CTextureManager::ReadPng(IFileSystem &fileSystem, const std::string &path) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(fileSystem, path, bytes) || bytes.empty()) return nullptr;
  long long wide = 0, tall = 0;
  if (!DeclaredPngSize(bytes, wide, tall)) {
    Warning("Image '%s' is not a PNG picture\n", EscapeControlCharacters(path).c_str());
    return nullptr;
  }
  if (wide > kMaxTextureSide || tall > kMaxTextureSide || wide * tall > kMaxTexturePixels) {
    Warning("Image '%s' is %lld x %lld pixels; pictures of at most %lld pixels and %d a side are drawn\n",
            EscapeControlCharacters(path).c_str(), wide, tall, kMaxTexturePixels, kMaxTextureSide);
    return nullptr;
  }
  PngReader reader{&bytes, 0};
  cairo_surface_t *surface = cairo_image_surface_create_from_png_stream(ReadChunk, &reader);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;
}

CTextureManager::CTextureManager(IFileSystem &fileSystem) : m_FileSystem(fileSystem) {}

CTextureManager::~CTextureManager() {
  for (auto &entry : m_Textures) Release(entry.second);
}

void CTextureManager::Release(Texture &texture) {
  if (texture.surface) cairo_surface_destroy(texture.surface);
  texture.surface = nullptr;
}

kgui::HTexture CTextureManager::Create() {
  kgui::HTexture id = m_NextId++;
  m_Textures.emplace(id, Texture{});
  return id;
}

bool CTextureManager::IsValid(kgui::HTexture id) const {
  return m_Textures.count(id) != 0;
}

void CTextureManager::Destroy(kgui::HTexture id) {
  auto it = m_Textures.find(id);
  if (it == m_Textures.end()) return;
  Release(it->second);
  m_Textures.erase(it);
}

bool CTextureManager::LoadFile(kgui::HTexture id, const char *name, bool forceReload) {
  auto it = m_Textures.find(id);
  if (it == m_Textures.end()) return false;
  std::string file = PngFileName(name);
  Texture &texture = it->second;
  if (!forceReload && texture.surface && texture.file == file) return true;
  Release(texture);
  texture.file = file;
  texture.surface = ReadPng(m_FileSystem, file);
  return texture.surface != nullptr;
}

void CTextureManager::SetRGBA(kgui::HTexture id, const uint8 *rgba, int wide, int tall) {
  auto it = m_Textures.find(id);
  if (it == m_Textures.end()) return;
  Release(it->second);
  it->second.file.clear();
  if (!rgba || wide <= 0 || tall <= 0 || wide > kMaxTextureSide || tall > kMaxTextureSide) return;
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, wide, tall);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return;
  }
  cairo_surface_flush(surface);
  unsigned char *data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < tall; ++y) {
    auto *row = reinterpret_cast<uint32 *>(data + y * stride);
    for (int x = 0; x < wide; ++x) {
      const uint8 *px = rgba + (static_cast<size_t>(y) * wide + x) * 4;
      uint32 a = px[3];
      // cairo keeps premultiplied alpha.
      uint32 r = px[0] * a / 255, g = px[1] * a / 255, b = px[2] * a / 255;
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface);
  it->second.surface = surface;
}

cairo_surface_t *CTextureManager::Surface(kgui::HTexture id) const {
  auto it = m_Textures.find(id);
  return it == m_Textures.end() ? nullptr : it->second.surface;
}

void CTextureManager::Size(kgui::HTexture id, int &wide, int &tall) const {
  wide = tall = 0;
  cairo_surface_t *surface = Surface(id);
  if (!surface) return;
  wide = cairo_image_surface_get_width(surface);
  tall = cairo_image_surface_get_height(surface);
}

}  // namespace kguihost
