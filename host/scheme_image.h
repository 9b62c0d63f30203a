// An image of the scheme: a PNG of the host file system drawn into the panel being painted.
#pragma once

#include "kgui/IImage.h"

typedef struct _cairo_surface cairo_surface_t;

namespace kguihost {

class CRenderer;

class CSchemeImage final : public kgui::IImage {
 public:
  // Takes over `pixels`, which may be null: the image then draws nothing and measures 0x0.
  CSchemeImage(CRenderer &renderer, cairo_surface_t *pixels);
  ~CSchemeImage();
  CSchemeImage(const CSchemeImage &) = delete;
  CSchemeImage &operator=(const CSchemeImage &) = delete;

  bool IsLoaded() const { return m_pPixels != nullptr; }

  void Paint() override;
  void SetPos(int x, int y) override;
  void GetContentSize(int &wide, int &tall) override;
  void GetSize(int &wide, int &tall) override;
  void SetSize(int wide, int tall) override;
  void SetColor(Color color) override { m_Color = color; }
  Color GetColor() override { return m_Color; }

 private:
  CRenderer &m_Renderer;
  cairo_surface_t *m_pPixels;
  int m_X = 0;
  int m_Y = 0;
  int m_Wide = 0;
  int m_Tall = 0;
  Color m_Color{255, 255, 255, 255};
};

}  // namespace kguihost
