// ComboBox: a text entry with a drop-down menu of entries, each carrying a record of the
// caller's. Choosing an entry puts its text in the box. An editable box also takes typed text;
// one that is not opens its menu on any click. Every change of the text signals "TextChanged"
// with "text" (the new text, wide).
#pragma once

#include "kgui_controls/TextEntry.h"

namespace kgui {

class Button;
class Menu;

class ComboBox : public TextEntry {
  DECLARE_CLASS_SIMPLE(ComboBox, TextEntry);

 public:
  // `numLines` entries show at once before the menu scrolls.
  ComboBox(Panel *parent, const char *panelName, int numLines, bool allowEdit);

  // Adds an entry with a copy of `userData`; returns its id.
  int AddItem(const char *itemText, const KeyValues *userData);
  int AddItem(const char16_t *itemText, const KeyValues *userData);
  void UpdateItem(int itemID, const char *itemText, const KeyValues *userData);
  void DeleteAllItems();
  int GetItemCount();
  // The entry's id at a row of the menu, or -1.
  int GetItemIDFromRow(int row);

  // Chooses an entry: its text goes into the box.
  void ActivateItem(int itemID);
  void ActivateItemByRow(int row);
  // The chosen entry's id, or -1.
  int GetActiveItem() const { return m_nActiveItem; }
  KeyValues *GetActiveItemUserData();
  KeyValues *GetItemUserData(int itemID);

  void ShowMenu();
  void HideMenu();
  bool IsDropdownVisible();
  Menu *GetMenu() { return m_pDropDown; }
  void SetNumberOfEditLines(int numLines);

  void SetEditable(bool state);
  void SetEnabled(bool state) override;
  bool ApplySingleSetting(KeyValues *setting) override;

 protected:
  void PerformLayout() override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override;
  void OnKeyCodeTyped(KeyCode code) override;
  void OnCommand(const char *command) override;
  void OnMenuItemSelected(int itemID);
  void OnMenuClose();
  void FireActionSignal() override;
  void Paint() override;
  int GetTextRightInset() override { return GetTall() + GetTextInsetX(); }

 private:
  Menu *m_pDropDown;
  Button *m_pButton;
  int m_nActiveItem = -1;
  bool m_bAllowEdit;
};

}  // namespace kgui
