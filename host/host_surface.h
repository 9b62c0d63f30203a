// IHostSurface of the host: the desktop, popups, drawing through the renderer, fonts, textures,
// sounds.
#pragma once

#include "kgui/ISurface.h"

namespace kguihost {

class CKGuiRuntime;
struct CHostPanel;

class CHostSurface final : public kgui::IHostSurface {
 public:
  explicit CHostSurface(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

  kgui::VPANEL GetEmbeddedPanel() override;
  void GetScreenSize(int &wide, int &tall) override;
  void GetWorkspaceBounds(int &x, int &y, int &wide, int &tall) override;
  bool HasFocus() override;
  void CreatePopup(kgui::VPANEL panel, bool minimised, bool showTaskbarIcon, bool disabled, bool mouseInput,
                   bool keyboardInput) override;
  void MovePopupToFront(kgui::VPANEL panel) override;
  void MovePopupToBack(kgui::VPANEL panel) override;
  int GetPopupCount() override;
  kgui::VPANEL GetPopup(int index) override;
  void SetMinimized(kgui::VPANEL panel, bool state) override;
  bool IsMinimized(kgui::VPANEL panel) override;
  void SetTitle(kgui::VPANEL panel, const char16_t *title) override;
  void FlashWindow(kgui::VPANEL panel, bool state) override;
  void SetCursor(kgui::HCursor cursor) override;
  kgui::HCursor CurrentCursor() const { return m_Cursor; }

  void PushMakeCurrent(kgui::VPANEL panel, bool useInsets) override;
  void PopMakeCurrent(kgui::VPANEL panel) override;
  void DrawSetClipRect(int x0, int y0, int x1, int y1) override;
  void DrawClearClipRect() override;

  void DrawSetColor(Color color) override;
  void DrawFilledRect(int x0, int y0, int x1, int y1) override;
  void DrawFilledRectFade(int x0, int y0, int x1, int y1, int alpha0, int alpha1, bool horizontal) override;
  void DrawOutlinedRect(int x0, int y0, int x1, int y1) override;
  void DrawLine(int x0, int y0, int x1, int y1) override;
  void DrawPolyLine(const int *px, const int *py, int count) override;

  void DrawSetTextFont(kgui::HFont font) override;
  void DrawSetTextColor(Color color) override;
  void DrawSetTextPos(int x, int y) override;
  void DrawGetTextPos(int &x, int &y) override;
  void DrawPrintText(const char16_t *text, int length) override;
  void DrawUnicodeChar(char16_t ch) override;

  kgui::HTexture CreateNewTextureID() override;
  bool DrawSetTextureFile(kgui::HTexture id, const char *fileName, bool hardwareFilter,
                          bool forceReload) override;
  void DrawSetTextureRGBA(kgui::HTexture id, const uint8 *rgba, int wide, int tall) override;
  void DrawSetTexture(kgui::HTexture id) override;
  void DrawGetTextureSize(kgui::HTexture id, int &wide, int &tall) override;
  void DrawTexturedRect(int x0, int y0, int x1, int y1) override;
  bool IsTextureIDValid(kgui::HTexture id) override;
  void DestroyTextureID(kgui::HTexture id) override;

  kgui::HFont CreateFont() override;
  bool SetFontGlyphSet(kgui::HFont font, const char *fontName, int tall, int weight, int blur, int scanlines,
                       int flags) override;
  int GetFontTall(kgui::HFont font) override;
  int GetFontAscent(kgui::HFont font) override;
  void GetCharABCwide(kgui::HFont font, int ch, int &a, int &b, int &c) override;
  int GetCharacterWidth(kgui::HFont font, int ch) override;
  void GetTextSize(kgui::HFont font, const char16_t *text, int &wide, int &tall) override;

  void PlaySound(const char *fileName) override;

  void GetTextRunSize(kgui::HFont font, const char16_t *text, int length, int &wide, int &tall) override;
  int GetTextRunCaretX(kgui::HFont font, const char16_t *text, int length, int position) override;
  int GetTextRunPositionAt(kgui::HFont font, const char16_t *text, int length, int x) override;
  int GetTextRunMovedCaret(kgui::HFont font, const char16_t *text, int length, int position,
                           int steps) override;
  int GetTextRunRangeExtents(kgui::HFont font, const char16_t *text, int length, int start, int end,
                             int *ranges, int maxRanges) override;

 private:
  CHostPanel *Find(kgui::VPANEL panel) const;

  CKGuiRuntime &m_Runtime;
  kgui::HFont m_TextFont = kgui::INVALID_FONT;
  kgui::HTexture m_CurrentTexture = kgui::INVALID_TEXTURE;
  bool m_TextureFiltered = false;
  kgui::HCursor m_Cursor = kgui::dc_arrow;
};

}  // namespace kguihost
