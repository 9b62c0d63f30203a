// TreeView: items in a hierarchy (each a record whose "Text" is shown) under expandable nodes.
// A click on a node's box opens or closes it; a click on an item selects it and signals
// "TreeViewItemSelected" ("itemIndex").
#pragma once

#include <vector>

#include "kgui_controls/Panel.h"
#include "tier1/KeyValues.h"

namespace kgui {

class TreeView : public Panel {
  DECLARE_CLASS_SIMPLE(TreeView, Panel);

 public:
  TreeView(Panel *parent, const char *panelName);

  // Adds a copy of `data` under `parentItemIndex` (-1: a root); returns the new item's index.
  int AddItem(const KeyValues *data, int parentItemIndex);
  void RemoveAll();
  int GetItemCount() const { return static_cast<int>(m_Items.size()); }
  KeyValues *GetItemData(int itemIndex);
  int GetItemParent(int itemIndex) const;
  void ExpandItem(int itemIndex, bool expand);
  bool IsItemExpanded(int itemIndex) const;
  void SetSelectedItem(int itemIndex);
  int GetSelectedItem() const { return m_nSelected; }
  // Items shown now (their ancestors are open), in display order.
  std::vector<int> GetShownItems() const;

  bool AcceptsFocus() override { return true; }
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PaintBackground() override;
  void Paint() override;
  void PaintBorder() override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseWheeled(int delta) override;
  void OnKeyCodeTyped(KeyCode code) override;

 private:
  struct Item {
    KeyValuesAD data;
    int parent;
    bool expanded;
  };
  int Depth(int itemIndex) const;
  bool HasChildren(int itemIndex) const;
  void AppendShown(int parent, std::vector<int> &out) const;

  std::vector<Item> m_Items;
  int m_nSelected = -1;
  int m_nTopRow = 0;
  HFont m_hFont = INVALID_FONT;
  Color m_SelectionBgColor;
  Color m_SelectionTextColor;
  Color m_BorderColor;
  Color m_LineColor;
};

}  // namespace kgui
