// ToolWindow: a slim frame holding a tab sheet.
#include "kgui_controls/ToolWindow.h"

#include "kgui_controls/PropertySheet.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ToolWindow, Frame)

namespace {
constexpr int kToolCaptionHeight = 22;
constexpr int kToolMargin = 6;
}  // namespace

ToolWindow::ToolWindow(Panel *parent, const char *panelName, const char *title)
    : Frame(parent, panelName, false) {
  m_nCaptionHeight = kToolCaptionHeight;
  SetTitle(title);
  SetMinimizeButtonVisible(false);
  SetMaximizeButtonVisible(false);
  SetDeleteSelfOnClose(true);
  SetMinimumSize(160, 120);
  m_pSheet = new PropertySheet(this, "ToolSheet");
}

void ToolWindow::AddPage(Panel *page, const char *title) {
  m_pSheet->AddPage(page, title);
}

void ToolWindow::PerformLayout() {
  BaseClass::PerformLayout();
  m_pSheet->SetBounds(kToolMargin, GetCaptionHeight() + kToolMargin, GetWide() - 2 * kToolMargin,
                      GetTall() - GetCaptionHeight() - 2 * kToolMargin);
}

}  // namespace kgui
