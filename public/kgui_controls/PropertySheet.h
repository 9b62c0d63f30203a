// PropertySheet: pages behind a row of tabs, one page shown at a time. Showing a page tells it
// "PageShow" (and the previous one "PageHide") and signals "PageChanged" to the owners. Tabs are
// at least the minimum tab width wide; Control-Tab and the arrow keys on a tab change pages; the
// focus given to the sheet goes to its active page.
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/EditablePanel.h"

namespace kgui {

class Button;

class PropertySheet : public EditablePanel {
  DECLARE_CLASS_SIMPLE(PropertySheet, EditablePanel);

 public:
  PropertySheet(Panel *parent, const char *panelName);

  // The sheet takes the page as a child; the first page added becomes active.
  void AddPage(Panel *page, const char *title);
  // The page leaves the sheet (it is not deleted); another page becomes active if needed.
  void RemovePage(Panel *page);
  void DeleteAllPages();
  void SetActivePage(Panel *page);
  Panel *GetActivePage() { return m_hActivePage.Get(); }
  int GetActivePageNum();
  int GetNumPages() const { return static_cast<int>(m_Pages.size()); }
  Panel *GetPage(int index);
  // The tab of a page, or null.
  Button *GetTab(Panel *page);
  void SetTabWidth(int minimumWide);
  void SetTabTitle(Panel *page, const char *title);

  void RequestFocus(int direction = 0) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBackground() override;
  void OnKeyCodeTyped(KeyCode code) override;
  void OnTabPressed(Panel *tab);

 private:
  struct PageEntry {
    PHandle page;
    Button *tab;
  };
  void ChangeActivePage(int step);
  int IndexOf(Panel *page);

  std::vector<PageEntry> m_Pages;
  PHandle m_hActivePage;
  int m_nMinimumTabWide = 64;
  Color m_PageBgColor;
  Color m_BorderColor;
};

}  // namespace kgui
