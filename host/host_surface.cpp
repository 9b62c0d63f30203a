#include "host/host_surface.h"

#include "host/kgui_runtime.h"

namespace kguihost {

CHostPanel *CHostSurface::Find(kgui::VPANEL panel) const {
  return m_Runtime.Panels().Find(panel);
}

kgui::VPANEL CHostSurface::GetEmbeddedPanel() {
  CHostPanel *root = m_Runtime.Panels().Root();
  return root ? root->id : kgui::NULL_PANEL;
}

void CHostSurface::GetScreenSize(int &wide, int &tall) {
  wide = m_Runtime.Renderer().Wide();
  tall = m_Runtime.Renderer().Tall();
}

void CHostSurface::GetWorkspaceBounds(int &x, int &y, int &wide, int &tall) {
  // The host's window is the whole desktop: nothing is reserved inside it.
  x = y = 0;
  GetScreenSize(wide, tall);
}

bool CHostSurface::HasFocus() {
  return m_Runtime.HasWindowFocus();
}

void CHostSurface::CreatePopup(kgui::VPANEL panel, bool minimised, bool, bool disabled, bool mouseInput,
                               bool keyboardInput) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  m_Runtime.InvalidatePanel(p);
  m_Runtime.Panels().MakePopup(p);
  p->minimized = minimised;
  p->enabled = !disabled;
  p->mouseInput = mouseInput;
  p->keyboardInput = keyboardInput;
  m_Runtime.InvalidatePanel(p);
}

void CHostSurface::MovePopupToFront(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  m_Runtime.Panels().MovePopupToFront(p);
  m_Runtime.InvalidatePanel(p);
}

void CHostSurface::MovePopupToBack(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  m_Runtime.Panels().MovePopupToBack(p);
  // What was behind it may now cover it.
  m_Runtime.InvalidatePanel(p);
}

int CHostSurface::GetPopupCount() {
  return static_cast<int>(m_Runtime.Panels().Popups().size());
}

kgui::VPANEL CHostSurface::GetPopup(int index) {
  const auto &popups = m_Runtime.Panels().Popups();
  if (index < 0 || index >= static_cast<int>(popups.size())) return kgui::NULL_PANEL;
  return popups[index]->id;
}

void CHostSurface::SetMinimized(kgui::VPANEL panel, bool state) {
  CHostPanel *p = Find(panel);
  if (!p || p->minimized == state) return;
  m_Runtime.InvalidatePanel(p);
  p->minimized = state;
  m_Runtime.InvalidatePanel(p);
}

bool CHostSurface::IsMinimized(kgui::VPANEL panel) {
  CHostPanel *p = Find(panel);
  return p && p->minimized;
}

void CHostSurface::SetTitle(kgui::VPANEL panel, const char16_t *title) {
  if (CHostPanel *p = Find(panel)) p->title = title ? title : u"";
}

void CHostSurface::FlashWindow(kgui::VPANEL panel, bool state) {
  CHostPanel *p = Find(panel);
  if (!p) return;
  p->flashing = state;
  if (state) m_Runtime.FlashHostWindow();
}

void CHostSurface::SetCursor(kgui::HCursor cursor) {
  m_Cursor = cursor;
}

void CHostSurface::PushMakeCurrent(kgui::VPANEL panel, bool useInsets) {
  CHostPanel *p = Find(panel);
  if (!p) {
    // Keep Push and Pop paired even for a panel that is gone: it draws nowhere.
    m_Runtime.Renderer().PushContext(0, 0, CRect{});
    return;
  }
  int x = 0;
  int y = 0;
  m_Runtime.Panels().AbsPos(p, x, y);
  CRect clip = m_Runtime.Panels().ClipRect(p);
  if (useInsets) {
    x += p->insetLeft;
    y += p->insetTop;
    clip = clip.Intersect(
        CRect{x, y, x + p->wide - p->insetLeft - p->insetRight, y + p->tall - p->insetTop - p->insetBottom});
  }
  m_Runtime.Renderer().PushContext(x, y, clip);
}

void CHostSurface::PopMakeCurrent(kgui::VPANEL) {
  m_Runtime.Renderer().PopContext();
}

void CHostSurface::DrawSetClipRect(int x0, int y0, int x1, int y1) {
  m_Runtime.Renderer().SetLocalClip(x0, y0, x1, y1);
}

void CHostSurface::DrawClearClipRect() {
  m_Runtime.Renderer().ClearLocalClip();
}

void CHostSurface::DrawSetColor(Color color) {
  m_Runtime.Renderer().SetColor(color);
}

void CHostSurface::DrawFilledRect(int x0, int y0, int x1, int y1) {
  m_Runtime.Renderer().FilledRect(x0, y0, x1, y1);
}

void CHostSurface::DrawFilledRectFade(int x0, int y0, int x1, int y1, int alpha0, int alpha1,
                                      bool horizontal) {
  m_Runtime.Renderer().FilledRectFade(x0, y0, x1, y1, alpha0, alpha1, horizontal);
}

void CHostSurface::DrawOutlinedRect(int x0, int y0, int x1, int y1) {
  m_Runtime.Renderer().OutlinedRect(x0, y0, x1, y1);
}

void CHostSurface::DrawLine(int x0, int y0, int x1, int y1) {
  m_Runtime.Renderer().Line(x0, y0, x1, y1);
}

void CHostSurface::DrawPolyLine(const int *px, const int *py, int count) {
  m_Runtime.Renderer().PolyLine(px, py, count);
}

void CHostSurface::DrawSetTextFont(kgui::HFont font) {
  m_TextFont = font;
  m_Runtime.Renderer().SetTextFont(m_Runtime.Fonts().Get(font));
}

void CHostSurface::DrawSetTextColor(Color color) {
  m_Runtime.Renderer().SetTextColor(color);
}

void CHostSurface::DrawSetTextPos(int x, int y) {
  m_Runtime.Renderer().SetTextPos(x, y);
}

void CHostSurface::DrawGetTextPos(int &x, int &y) {
  m_Runtime.Renderer().GetTextPos(x, y);
}

void CHostSurface::DrawPrintText(const char16_t *text, int length) {
  // The font may have been given a new glyph set since it was chosen.
  m_Runtime.Renderer().SetTextFont(m_Runtime.Fonts().Get(m_TextFont));
  const CTextRun *run = m_Runtime.Fonts().Run(m_TextFont, text, length);
  if (run) m_Runtime.Renderer().PrintRun(*run);
}

void CHostSurface::DrawUnicodeChar(char16_t ch) {
  DrawPrintText(&ch, 1);
}

kgui::HTexture CHostSurface::CreateNewTextureID() {
  return m_Runtime.Textures().Create();
}

bool CHostSurface::DrawSetTextureFile(kgui::HTexture id, const char *fileName, bool, bool forceReload) {
  return m_Runtime.Textures().LoadFile(id, fileName, forceReload);
}

void CHostSurface::DrawSetTextureRGBA(kgui::HTexture id, const uint8 *rgba, int wide, int tall) {
  m_Runtime.Textures().SetRGBA(id, rgba, wide, tall);
}

void CHostSurface::DrawSetTexture(kgui::HTexture id) {
  m_CurrentTexture = id;
}

void CHostSurface::DrawGetTextureSize(kgui::HTexture id, int &wide, int &tall) {
  m_Runtime.Textures().Size(id, wide, tall);
}

void CHostSurface::DrawTexturedRect(int x0, int y0, int x1, int y1) {
  m_Runtime.Renderer().TexturedRect(m_Runtime.Textures().Surface(m_CurrentTexture), x0, y0, x1, y1,
                                    m_TextureFiltered, m_Runtime.Renderer().DrawColor().a());
}

bool CHostSurface::IsTextureIDValid(kgui::HTexture id) {
  return m_Runtime.Textures().IsValid(id);
}

void CHostSurface::DestroyTextureID(kgui::HTexture id) {
  m_Runtime.Textures().Destroy(id);
  if (m_CurrentTexture == id) m_CurrentTexture = kgui::INVALID_TEXTURE;
}

kgui::HFont CHostSurface::CreateFont() {
  return m_Runtime.Fonts().Create();
}

bool CHostSurface::SetFontGlyphSet(kgui::HFont font, const char *fontName, int tall, int weight, int, int,
                                   int flags) {
  return m_Runtime.Fonts().SetGlyphSet(font, fontName, tall, weight, flags);
}

int CHostSurface::GetFontTall(kgui::HFont font) {
  return m_Runtime.Fonts().Tall(font);
}

int CHostSurface::GetFontAscent(kgui::HFont font) {
  return m_Runtime.Fonts().Ascent(font);
}

void CHostSurface::GetCharABCwide(kgui::HFont font, int ch, int &a, int &b, int &c) {
  m_Runtime.Fonts().CharABC(font, ch, a, b, c);
}

int CHostSurface::GetCharacterWidth(kgui::HFont font, int ch) {
  return m_Runtime.Fonts().CharWidth(font, ch);
}

void CHostSurface::GetTextSize(kgui::HFont font, const char16_t *text, int &wide, int &tall) {
  wide = m_Runtime.Fonts().TextWidth(font, text, -1);
  tall = m_Runtime.Fonts().Tall(font);
}

void CHostSurface::PlaySound(const char *fileName) {
  m_Runtime.Sounds().Play(fileName);
}

void CHostSurface::GetTextRunSize(kgui::HFont font, const char16_t *text, int length, int &wide, int &tall) {
  const CTextRun *run = m_Runtime.Fonts().Run(font, text, length);
  wide = run ? run->Width() : 0;
  tall = m_Runtime.Fonts().Tall(font);
}

int CHostSurface::GetTextRunCaretX(kgui::HFont font, const char16_t *text, int length, int position) {
  const CTextRun *run = m_Runtime.Fonts().Run(font, text, length);
  return run ? run->CaretX(position) : 0;
}

int CHostSurface::GetTextRunPositionAt(kgui::HFont font, const char16_t *text, int length, int x) {
  const CTextRun *run = m_Runtime.Fonts().Run(font, text, length);
  return run ? run->PositionAt(x) : 0;
}

int CHostSurface::GetTextRunMovedCaret(kgui::HFont font, const char16_t *text, int length, int position,
                                       int steps) {
  const CTextRun *run = m_Runtime.Fonts().Run(font, text, length);
  return run ? run->MovedCaret(position, steps) : 0;
}

int CHostSurface::GetTextRunRangeExtents(kgui::HFont font, const char16_t *text, int length, int start,
                                         int end, int *ranges, int maxRanges) {
  const CTextRun *run = m_Runtime.Fonts().Run(font, text, length);
  return run ? run->RangeExtents(start, end, ranges, maxRanges) : 0;
}

}  // namespace kguihost
