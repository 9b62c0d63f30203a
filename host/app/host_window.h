// The desktop window (SDL2): shows each painted frame and turns the window's events into input.
// At a scale above 1 (a high-DPI display, or $KGUI_SCALE) the window is that many device pixels
// a logical one, and the mouse is mapped back to logical pixels.
#pragma once

#include <vector>

#include "host/kgui_runtime.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace kguihost {

class CHostWindow final : public IFrameClient, public IWindowBackend {
 public:
  // Out of line: the members' destructors need SDL's complete event type.
  explicit CHostWindow(CKGuiRuntime &runtime);
  ~CHostWindow();
  CHostWindow(const CHostWindow &) = delete;
  CHostWindow &operator=(const CHostWindow &) = delete;

  // Opens a window of the runtime's screen size; false (with a message) when there is no display.
  bool Open(const char *title);
  bool CloseRequested() const { return m_CloseRequested; }
  // Waits up to `seconds` for an event of the window (kept for the next input step); true when
  // one came.
  bool WaitForEvent(double seconds);
  // Textures uploaded and frames shown, for tests and benchmarks.
  uint64 PresentCount() const { return m_Presents; }

  void OnInputStep() override;
  void OnFramePainted() override;
  bool HasFocus() override { return m_HasFocus; }
  void Flash() override;
  void WarpCursor(int x, int y) override;

 private:
  void HandleEvent(const SDL_Event &event);
  // The display's scale from its dots per inch, in whole steps; 1 when unknown.
  static double DisplayScale();
  bool MakeTexture();
  // A window coordinate (device pixels) in the runtime's logical pixels.
  int ToLogical(int devicePixels) const;
  // Copies `area` (device pixels) of the picture to the window's texture.
  void Upload(const CRect &area);

  CKGuiRuntime &m_Runtime;
  SDL_Window *m_pWindow = nullptr;
  SDL_Renderer *m_pRenderer = nullptr;
  SDL_Texture *m_pTexture = nullptr;
  int m_TextureWide = 0;
  int m_TextureTall = 0;
  bool m_VideoStarted = false;
  bool m_CloseRequested = false;
  bool m_HasFocus = true;
  bool m_TextureFresh = true;   // holds nothing yet: the next upload is whole
  bool m_PresentAgain = false;  // the window lost its picture (exposed) though nothing changed
  uint64 m_Presents = 0;
  std::vector<SDL_Event> m_WaitingEvents;
};

// The key code of an SDL scan code; KEY_NONE for keys the host does not know.
kgui::KeyCode KeyCodeForScancode(int scancode);

}  // namespace kguihost
