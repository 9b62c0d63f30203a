// CTreeViewListControl: a tree under a header strip with its title ("title").
#pragma once

#include "kgui_controls/Label.h"

namespace kgui {

class TreeView;

class CTreeViewListControl : public Panel {
  DECLARE_CLASS_SIMPLE(CTreeViewListControl, Panel);

 public:
  CTreeViewListControl(Panel *parent, const char *panelName);

  TreeView *GetTreeView() { return m_pTree; }
  void SetTitle(const char *title) { m_pHeader->SetText(title); }

  bool ApplySingleSetting(KeyValues *setting) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBackground() override;

 private:
  Label *m_pHeader;
  TreeView *m_pTree;
  Color m_HeaderBgColor;
};

}  // namespace kgui
