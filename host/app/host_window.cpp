#include "host/app/host_window.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "kstdlib/strtools.h"
#include "tier0/dbg.h"

namespace kguihost {

using namespace kgui;

KeyCode KeyCodeForScancode(int scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return static_cast<KeyCode>(KEY_A + scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return static_cast<KeyCode>(KEY_1 + scancode - SDL_SCANCODE_1);
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12) {
    return static_cast<KeyCode>(KEY_F1 + scancode - SDL_SCANCODE_F1);
  }
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
    return static_cast<KeyCode>(KEY_PAD_1 + scancode - SDL_SCANCODE_KP_1);
  }
  static const struct {
    int scancode;
    KeyCode code;
  } kKeys[] = {
      {SDL_SCANCODE_0, KEY_0},
      {SDL_SCANCODE_RETURN, KEY_ENTER},
      {SDL_SCANCODE_ESCAPE, KEY_ESCAPE},
      {SDL_SCANCODE_BACKSPACE, KEY_BACKSPACE},
      {SDL_SCANCODE_TAB, KEY_TAB},
      {SDL_SCANCODE_SPACE, KEY_SPACE},
      {SDL_SCANCODE_MINUS, KEY_MINUS},
      {SDL_SCANCODE_EQUALS, KEY_EQUAL},
      {SDL_SCANCODE_LEFTBRACKET, KEY_LBRACKET},
      {SDL_SCANCODE_RIGHTBRACKET, KEY_RBRACKET},
      {SDL_SCANCODE_BACKSLASH, KEY_BACKSLASH},
      {SDL_SCANCODE_SEMICOLON, KEY_SEMICOLON},
      {SDL_SCANCODE_APOSTROPHE, KEY_APOSTROPHE},
      {SDL_SCANCODE_GRAVE, KEY_BACKQUOTE},
      {SDL_SCANCODE_COMMA, KEY_COMMA},
      {SDL_SCANCODE_PERIOD, KEY_PERIOD},
      {SDL_SCANCODE_SLASH, KEY_SLASH},
      {SDL_SCANCODE_CAPSLOCK, KEY_CAPSLOCK},
      {SDL_SCANCODE_PRINTSCREEN, KEY_PRINTSCREEN},
      {SDL_SCANCODE_SCROLLLOCK, KEY_SCROLLLOCK},
      {SDL_SCANCODE_PAUSE, KEY_BREAK},
      {SDL_SCANCODE_INSERT, KEY_INSERT},
      {SDL_SCANCODE_HOME, KEY_HOME},
      {SDL_SCANCODE_PAGEUP, KEY_PAGEUP},
      {SDL_SCANCODE_DELETE, KEY_DELETE},
      {SDL_SCANCODE_END, KEY_END},
      {SDL_SCANCODE_PAGEDOWN, KEY_PAGEDOWN},
      {SDL_SCANCODE_RIGHT, KEY_RIGHT},
      {SDL_SCANCODE_LEFT, KEY_LEFT},
      {SDL_SCANCODE_DOWN, KEY_DOWN},
      {SDL_SCANCODE_UP, KEY_UP},
      {SDL_SCANCODE_NUMLOCKCLEAR, KEY_NUMLOCK},
      {SDL_SCANCODE_KP_DIVIDE, KEY_PAD_DIVIDE},
      {SDL_SCANCODE_KP_MULTIPLY, KEY_PAD_MULTIPLY},
      {SDL_SCANCODE_KP_MINUS, KEY_PAD_MINUS},
      {SDL_SCANCODE_KP_PLUS, KEY_PAD_PLUS},
      {SDL_SCANCODE_KP_ENTER, KEY_PAD_ENTER},
      {SDL_SCANCODE_KP_0, KEY_PAD_0},
      {SDL_SCANCODE_KP_PERIOD, KEY_PAD_DECIMAL},
      {SDL_SCANCODE_NONUSBACKSLASH, KEY_NONUS_BACKSLASH},
      {SDL_SCANCODE_APPLICATION, KEY_APP},
      {SDL_SCANCODE_LCTRL, KEY_LCONTROL},
      {SDL_SCANCODE_LSHIFT, KEY_LSHIFT},
      {SDL_SCANCODE_LALT, KEY_LALT},
      {SDL_SCANCODE_LGUI, KEY_LWIN},
      {SDL_SCANCODE_RCTRL, KEY_RCONTROL},
      {SDL_SCANCODE_RSHIFT, KEY_RSHIFT},
      {SDL_SCANCODE_RALT, KEY_RALT},
      {SDL_SCANCODE_RGUI, KEY_RWIN},
  };
  for (const auto &key : kKeys) {
    if (key.scancode == scancode) return key.code;
  }
  return KEY_NONE;
}

namespace {

MouseCode MouseCodeForButton(int button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return MOUSE_LEFT;
    case SDL_BUTTON_RIGHT:
      return MOUSE_RIGHT;
    case SDL_BUTTON_MIDDLE:
      return MOUSE_MIDDLE;
    case SDL_BUTTON_X1:
      return MOUSE_4;
    case SDL_BUTTON_X2:
      return MOUSE_5;
    default:
      return MOUSE_LAST;
  }
}

}  // namespace

CHostWindow::CHostWindow(CKGuiRuntime &runtime) : m_Runtime(runtime) {}

CHostWindow::~CHostWindow() {
  if (m_pTexture) SDL_DestroyTexture(m_pTexture);
  if (m_pRenderer) SDL_DestroyRenderer(m_pRenderer);
  if (m_pWindow) SDL_DestroyWindow(m_pWindow);
  if (m_VideoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool CHostWindow::Open(const char *title) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    Msg("No display (%s); rendering offscreen\n", SDL_GetError());
    return false;
  }
  m_VideoStarted = true;
  CRenderer &renderer = m_Runtime.Renderer();
  // Without a setting, a high-DPI display gets its scale (a whole number, so lines stay crisp).
  if (!renderer.ScaleChosen()) {
    const double scale = DisplayScale();
    if (scale != renderer.Scale()) {
      renderer.SetScale(scale, false);
      m_Runtime.Invalidate();
    }
  }
  m_pWindow = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, renderer.DeviceWide(),
                               renderer.DeviceTall(), SDL_WINDOW_RESIZABLE);
  if (m_pWindow) m_pRenderer = SDL_CreateRenderer(m_pWindow, -1, 0);
  if (!m_pWindow || !m_pRenderer || !MakeTexture()) {
    Msg("Cannot open a window (%s); rendering offscreen\n", SDL_GetError());
    return false;
  }
  SDL_StartTextInput();
  return true;
}

double CHostWindow::DisplayScale() {
  float dpi = 0.0f;
  if (SDL_GetDisplayDPI(0, nullptr, &dpi, nullptr) != 0 || dpi <= 0.0f) return 1.0;
  // 96 dots an inch is scale 1; a display must be well past 1.5 to be drawn at 2.
  return std::clamp(std::floor(dpi / 96.0 + 0.25), 1.0, 4.0);
}

bool CHostWindow::MakeTexture() {
  CRenderer &renderer = m_Runtime.Renderer();
  if (m_pTexture && m_TextureWide == renderer.DeviceWide() && m_TextureTall == renderer.DeviceTall())
    return true;
  if (m_pTexture) SDL_DestroyTexture(m_pTexture);
  m_pTexture = SDL_CreateTexture(m_pRenderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 renderer.DeviceWide(), renderer.DeviceTall());
  m_TextureWide = renderer.DeviceWide();
  m_TextureTall = renderer.DeviceTall();
  m_TextureFresh = true;
  return m_pTexture != nullptr;
}

void CHostWindow::OnInputStep() {
  std::vector<SDL_Event> waiting;
  waiting.swap(m_WaitingEvents);
  for (const SDL_Event &event : waiting) HandleEvent(event);
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleEvent(event);
}

bool CHostWindow::WaitForEvent(double seconds) {
  if (!m_WaitingEvents.empty()) return true;
  SDL_Event event;
  const int milliseconds = seconds > 0.0 ? static_cast<int>(seconds * 1000.0 + 0.5) : 0;
  if (!SDL_WaitEventTimeout(&event, milliseconds)) return false;
  m_WaitingEvents.push_back(event);
  return true;
}

void CHostWindow::HandleEvent(const SDL_Event &event) {
  CHostInput &input = m_Runtime.Input();
  switch (event.type) {
    case SDL_QUIT:
      m_CloseRequested = true;
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        m_Runtime.SetScreenSize(ToLogical(event.window.data1), ToLogical(event.window.data2));
      } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        m_HasFocus = true;
      } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        m_HasFocus = false;
      } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
        m_PresentAgain = true;
      }
      break;
    case SDL_MOUSEMOTION:
      input.CursorMoved(ToLogical(event.motion.x), ToLogical(event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN: {
      MouseCode code = MouseCodeForButton(event.button.button);
      if (event.button.clicks == 2) {
        input.MouseDoublePressed(code);
      } else {
        input.MousePressed(code);
      }
      break;
    }
    case SDL_MOUSEBUTTONUP:
      input.MouseReleased(MouseCodeForButton(event.button.button));
      break;
    case SDL_MOUSEWHEEL:
      if (event.wheel.y != 0) input.MouseWheel(event.wheel.y > 0 ? 1 : -1);
      break;
    case SDL_KEYDOWN: {
      KeyCode code = KeyCodeForScancode(event.key.keysym.scancode);
      if (event.key.repeat) {
        input.KeyRepeated(code);
      } else {
        input.KeyPressed(code);
      }
      break;
    }
    case SDL_KEYUP:
      input.KeyReleased(KeyCodeForScancode(event.key.keysym.scancode));
      break;
    case SDL_TEXTINPUT:
      input.TextTyped(event.text.text);
      break;
    case SDL_TEXTEDITING: {
      input.CompositionChanged(event.edit.text, event.edit.start, event.edit.length);
      // The input method's window follows the caret the focused panel last drew.
      int x = 0, y = 0, wide = 0, tall = 0;
      if (input.TextInputArea(x, y, wide, tall)) {
        const double scale = m_Runtime.Renderer().Scale();
        SDL_Rect area{static_cast<int>(x * scale), static_cast<int>(y * scale),
                      static_cast<int>(wide * scale), static_cast<int>(tall * scale)};
        SDL_SetTextInputRect(&area);
      }
      break;
    }
    default:
      break;
  }
}

void CHostWindow::OnFramePainted() {
  if (!m_pRenderer || !MakeTexture()) return;
  // A frame that painted nothing leaves the window as it is.
  if (!m_Runtime.PaintedLastFrame() && !m_TextureFresh && !m_PresentAgain) return;
  m_PresentAgain = false;
  const CRenderer &renderer = m_Runtime.Renderer();
  Upload(renderer.DeviceRect(m_TextureFresh ? CRect{0, 0, renderer.Wide(), renderer.Tall()}
                                            : m_Runtime.LastPaintedArea()));
  m_TextureFresh = false;
  ++m_Presents;
  SDL_RenderClear(m_pRenderer);
  SDL_RenderCopy(m_pRenderer, m_pTexture, nullptr, nullptr);
  SDL_RenderPresent(m_pRenderer);
}

int CHostWindow::ToLogical(int devicePixels) const {
  return static_cast<int>(std::floor(devicePixels / m_Runtime.Renderer().Scale()));
}

void CHostWindow::Upload(const CRect &area) {
  if (!m_Runtime.PaintedLastFrame() && !m_TextureFresh) return;
  cairo_surface_t *surface = m_Runtime.Renderer().Surface();
  cairo_surface_flush(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char *data = cairo_image_surface_get_data(surface);
  // Only the rows and columns painted again travel to the texture.
  const SDL_Rect rect{area.x0, area.y0, area.x1 - area.x0, area.y1 - area.y0};
  if (rect.w <= 0 || rect.h <= 0) return;
  SDL_UpdateTexture(m_pTexture, &rect,
                    data + static_cast<size_t>(area.y0) * stride + static_cast<size_t>(area.x0) * 4, stride);
}

void CHostWindow::Flash() {
  if (m_pWindow) SDL_FlashWindow(m_pWindow, SDL_FLASH_UNTIL_FOCUSED);
}

void CHostWindow::WarpCursor(int x, int y) {
  const double scale = m_Runtime.Renderer().Scale();
  if (m_pWindow) SDL_WarpMouseInWindow(m_pWindow, static_cast<int>(x * scale), static_cast<int>(y * scale));
}

}  // namespace kguihost
