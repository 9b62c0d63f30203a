// ListViewPanel: a plain list of items (each a record whose "text" is shown), one of which can
// be selected with the mouse or the arrow keys; selecting one signals "ItemSelected" ("itemID").
#pragma once

#include <vector>

#include "kgui_controls/Panel.h"
#include "tier1/KeyValues.h"

namespace kgui {

class ListViewPanel : public Panel {
  DECLARE_CLASS_SIMPLE(ListViewPanel, Panel);

 public:
  ListViewPanel(Panel *parent, const char *panelName);

  // Adds a copy of `data`; returns the item's id.
  int AddItem(const KeyValues *data);
  void RemoveAllItems();
  int GetItemCount() const { return static_cast<int>(m_Items.size()); }
  KeyValues *GetItem(int itemID);
  void SetSelectedItem(int itemID);
  int GetSelectedItem() const { return m_nSelected; }

  bool AcceptsFocus() override { return true; }
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override;
  void OnMousePressed(MouseCode code) override;
  void OnKeyCodeTyped(KeyCode code) override;

 private:
  std::vector<KeyValuesAD> m_Items;
  int m_nSelected = -1;
  HFont m_hFont = INVALID_FONT;
  Color m_SelectionBgColor;
  Color m_SelectionTextColor;
  Color m_BorderColor;
};

}  // namespace kgui
