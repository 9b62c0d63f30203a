// CTreeViewListControl: a header label over a tree.
#include "kgui_controls/CTreeViewListControl.h"

#include "DefaultTheme.h"
#include "kgui_controls/TreeView.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(CTreeViewListControl, Panel)

namespace {
constexpr int kHeaderTall = 22;
}

CTreeViewListControl::CTreeViewListControl(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  m_pHeader = new Label(this, "Header", "");
  m_pHeader->SetTextInset(6, 0);
  m_pTree = new TreeView(this, "Tree");
}

bool CTreeViewListControl::ApplySingleSetting(KeyValues *setting) {
  if (V_stricmp(setting->GetName(), "title")) return BaseClass::ApplySingleSetting(setting);
  SetTitle(setting->GetString());
  return true;
}

void CTreeViewListControl::ApplySchemeSettings(IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_HeaderBgColor = GetSchemeColor("ListPanel.ColumnHeaderBgColor", theme::kButtonBg, schemeInterface);
}

void CTreeViewListControl::PaintBackground() {
  surface()->DrawSetColor(Faded(m_HeaderBgColor));
  surface()->DrawFilledRect(0, 0, GetWide(), kHeaderTall);
}

void CTreeViewListControl::PerformLayout() {
  m_pHeader->SetBounds(0, 0, GetWide(), kHeaderTall);
  m_pTree->SetBounds(0, kHeaderTall, GetWide(), GetTall() - kHeaderTall);
}

}  // namespace kgui
