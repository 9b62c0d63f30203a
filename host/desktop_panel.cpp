#include "host/desktop_panel.h"

#include "host/host_scheme.h"
#include "host/kgui_runtime.h"
#include "host/scheme.h"

namespace kguihost {

void CDesktopPanel::Paint() {
  CRenderer &renderer = m_Runtime.Renderer();
  renderer.SetColor(m_Runtime.Scheme().Default().GetColor("Desktop.BgColor", Color(36, 40, 46, 255)));
  renderer.FilledRect(0, 0, renderer.Wide(), renderer.Tall());
}

}  // namespace kguihost
