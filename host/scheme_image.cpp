#include "host/scheme_image.h"

#include <cairo.h>

#include "host/renderer.h"

namespace kguihost {

CSchemeImage::CSchemeImage(CRenderer &renderer, cairo_surface_t *pixels) : m_Renderer(renderer), m_pPixels(pixels) {
  GetContentSize(m_Wide, m_Tall);
}

CSchemeImage::~CSchemeImage() {
  if (m_pPixels) cairo_surface_destroy(m_pPixels);
}

void CSchemeImage::Paint() {
  if (!m_pPixels) return;
  m_Renderer.TexturedRect(m_pPixels, m_X, m_Y, m_X + m_Wide, m_Y + m_Tall, true, m_Color.a());
}

void CSchemeImage::SetPos(int x, int y) {
  m_X = x;
  m_Y = y;
}

void CSchemeImage::GetContentSize(int &wide, int &tall) {
  wide = m_pPixels ? cairo_image_surface_get_width(m_pPixels) : 0;
  tall = m_pPixels ? cairo_image_surface_get_height(m_pPixels) : 0;
}

void CSchemeImage::GetSize(int &wide, int &tall) {
  wide = m_Wide;
  tall = m_Tall;
}

void CSchemeImage::SetSize(int wide, int tall) {
  m_Wide = wide < 0 ? 0 : wide;
  m_Tall = tall < 0 ? 0 : tall;
}

}  // namespace kguihost
