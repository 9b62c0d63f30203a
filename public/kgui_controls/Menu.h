// Menu: a popup list of items. It opens at a position, takes the mouse while open, highlights
// the item under the cursor or chosen with the arrow keys, and closes when an item is chosen,
// on Escape, or on a click outside it. Choosing an item posts the item's message to its target
// and signals "MenuItemSelected" ("itemID") to the menu's owners; closing signals "MenuClose".
#pragma once

#include <vector>

#include "kgui_controls/Panel.h"

namespace kgui {

class MenuItem;
class ScrollBar;

class Menu : public Panel {
  DECLARE_CLASS_SIMPLE(Menu, Panel);

 public:
  Menu(Panel *parent, const char *panelName);

  // Adds an item that posts "Command" with `command` (or `message`, taken over) to `target`.
  // Returns the item's id.
  int AddMenuItem(const char *itemName, const char *itemText, const char *command, Panel *target,
                  const KeyValues *userData = nullptr);
  int AddMenuItem(const char *itemName, const char *itemText, KeyValues *message, Panel *target,
                  const KeyValues *userData = nullptr);
  int AddCheckableMenuItem(const char *itemName, const char *itemText, KeyValues *message, Panel *target,
                           const KeyValues *userData = nullptr);
  void AddSeparator();
  void DeleteAllItems();
  // The item of an id, or null.
  MenuItem *GetMenuItem(int itemID);
  int GetItemCount() const { return static_cast<int>(m_Items.size()); }
  // The id of the item at `index` in display order (separators included), or -1.
  int GetMenuID(int index) const;
  void SetItemEnabled(int itemID, bool state);
  void SetItemVisible(int itemID, bool state);

  // Chooses an item as a click would.
  void ActivateItem(int itemID);
  void SetCurrentlyHighlightedItem(int itemID);
  int GetCurrentlyHighlightedItem() const { return m_nHighlightedItem; }

  // Opens with its top left corner at a screen position, kept on the screen. Items added while it
  // is open show at once: it takes its new size from the same point.
  void OpenAt(int screenX, int screenY);
  // Opens as the drop-down of a control spanning the screen rows `top` to `bottom`: below them
  // when the menu fits there, else above them, never over them. When neither side has room it
  // takes the roomier one and shows fewer items at once.
  void OpenBelowOrAbove(int screenX, int top, int bottom);
  // Opens at the cursor, as a context menu of `parent`.
  static void PlaceContextMenu(Panel *parent, Menu *menu);
  void SetVisible(bool state) override;
  void SetMinimumWidth(int wide) { m_nMinimumWidth = wide; }
  // Beyond this many items the menu scrolls.
  void SetNumberOfVisibleItems(int count) { m_nMaxVisibleItems = count > 0 ? count : 0; }

  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBorder() override;
  void OnCursorMoved(int x, int y) override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnMouseWheeled(int delta) override;
  void OnMouseCaptureLost() override;
  void OnKeyCodeTyped(KeyCode code) override;
  void OnSliderMoved();

 private:
  int AddItem(MenuItem *item, KeyValues *message, Panel *target, const KeyValues *userData);
  // The id of the chooseable item under a point of the menu, or -1.
  int ItemAt(int x, int y);
  bool IsChooseable(MenuItem *item);
  void MoveHighlight(int step);
  void ScrollToHighlighted();
  void SizeToItems();
  // Sizes to the items and places the menu from the point OpenAt was given, on the screen.
  void PlaceAtOpeningPoint();
  // How many shown items, from the first, fit in `tall` pixels with the menu's edges (at least 1).
  int ItemsFitting(int tall);
  // The most items shown at once for this opening (0: all).
  int VisibleLimit() const;
  std::vector<MenuItem *> ShownItems();

  std::vector<MenuItem *> m_Items;  // an item's id is its index
  ScrollBar *m_pScrollBar = nullptr;
  VPanelHandle m_hPreviousFocus;
  Color m_BorderColor;
  int m_nHighlightedItem = -1;
  int m_nMinimumWidth = 0;
  int m_nMaxVisibleItems = 0;
  int m_nFitLimit = 0;  // fewer items for an opening short of room; 0 for none
  int m_nFirstShown = 0;
  int m_nOpenedAtX = 0, m_nOpenedAtY = 0;
  bool m_bOpenedAtPoint = false;  // OpenAt opened it, not OpenBelowOrAbove
  bool m_bPressedInside = false;
};

}  // namespace kgui
