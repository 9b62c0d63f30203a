// ListPanel: its layout keys, the per-user settings (hidden columns, collapsed sections, sort
// columns) and the column menu.
#include <string>

#include "kgui_controls/ListPanel.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kgui_controls/Menu.h"
#include "kgui_controls/MenuItem.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {
namespace {

// A key of the user settings made from a text: "<text>_hidden", "<text>_collapsed".
std::string SettingKey(const std::string &text, const char *suffix) {
  return text + suffix;
}

// The value of a saved flag: 0 or 1, or -1 when missing or not a number.
int ReadFlag(KeyValues *userConfig, const std::string &key) {
  KeyValues *value = userConfig->FindKey(key.c_str());
  if (!value) return -1;
  KeyValues::ConversionStatus status = KeyValues::Success;
  const int flag = value->GetInt(nullptr, -1, &status);
  return (status == KeyValues::Success && (flag == 0 || flag == 1)) ? flag : -1;
}

}  // namespace

bool ListPanel::ApplySingleSetting(KeyValues *setting) {
  if (!V_stricmp(setting->GetName(), "rowheight")) {
    KeyValues::ConversionStatus status = KeyValues::Success;
    const int rowHeight = setting->GetInt(nullptr, 0, &status);
    if (rowHeight > 0) SetRowHeight(rowHeight);
    return true;
  }
  return BaseClass::ApplySingleSetting(setting);
}

// ---- per-user settings

void ListPanel::GetUserConfigSettings(KeyValues *userConfig) {
  if (!userConfig) return;
  for (const column_t &column : m_ColumnsData)
    userConfig->SetInt(SettingKey(column.m_SettingsName, "_hidden").c_str(), column.m_bHidden ? 1 : 0);
  for (size_t i = 1; i < m_vecSections.size(); ++i)
    userConfig->SetInt(SettingKey(m_vecSections[i].m_sName, "_collapsed").c_str(),
                       m_vecSections[i].m_bCollapsed ? 1 : 0);
  const char *primary = m_iSortColumn >= 0 ? m_ColumnsData[m_iSortColumn].m_SettingsName.c_str() : "";
  const char *secondary =
      m_iSortColumnSecondary >= 0 ? m_ColumnsData[m_iSortColumnSecondary].m_SettingsName.c_str() : "";
  userConfig->SetString("sort_column", primary);
  userConfig->SetString("sort_column_secondary", secondary);
  userConfig->SetInt("sort_column_asc", m_bSortAscending ? 1 : 0);
  userConfig->SetInt("sort_column_secondary_asc", m_bSortAscendingSecondary ? 1 : 0);
}

void ListPanel::ApplyUserConfigSettings(KeyValues *userConfig) {
  if (!userConfig) return;
  for (int col = 0; col < GetColumnCount(); ++col) {
    const int hidden = ReadFlag(userConfig, SettingKey(ColumnAt(col)->m_SettingsName, "_hidden"));
    if (hidden >= 0) SetColumnShown(col, hidden == 0);
  }
  for (int section = 1; section < GetSectionCount(); ++section) {
    const int collapsed = ReadFlag(userConfig, SettingKey(m_vecSections[section].m_sName, "_collapsed"));
    if (collapsed >= 0) SetSectionCollapsed(section, collapsed == 1);
  }
  RestoreSortColumns(userConfig);
}

int ListPanel::FindColumnBySettingsName(const char *text) {
  if (!text || !*text) return -1;
  for (size_t i = 0; i < m_ColumnsData.size(); ++i) {
    if (!V_stricmp(m_ColumnsData[i].m_SettingsName.c_str(), text)) return static_cast<int>(i);
  }
  return -1;
}

void ListPanel::RestoreSortColumns(KeyValues *userConfig) {
  // Each saved column is found by its header text; one that is missing or gone keeps the current
  // column and direction. Both end where they were saved, as sorting by the secondary column and
  // then by the primary one would leave them.
  const int primary = FindColumnBySettingsName(userConfig->GetString("sort_column", ""));
  const int secondary = FindColumnBySettingsName(userConfig->GetString("sort_column_secondary", ""));
  if (primary < 0 && secondary < 0) return;
  if (secondary >= 0) {
    m_iSortColumnSecondary = secondary;
    const int ascending = ReadFlag(userConfig, "sort_column_secondary_asc");
    if (ascending >= 0) m_bSortAscendingSecondary = ascending == 1;
  }
  if (primary >= 0) {
    m_iSortColumn = primary;
    const int ascending = ReadFlag(userConfig, "sort_column_asc");
    if (ascending >= 0) m_bSortAscending = ascending == 1;
  }
  m_bNeedsSort = true;
  UpdateSortArrows();
  InvalidateLayout();
}

// ---- the column menu

void ListPanel::OnOpenColumnChoiceMenu() {
  if (!m_bAllowUserAddDeleteColumns) return;
  if (!m_pColumnChoiceMenu) m_pColumnChoiceMenu = new Menu(this, "ContextMenu");
  m_pColumnChoiceMenu->DeleteAllItems();
  for (int col = 0; col < GetColumnCount(); ++col) {
    const column_t &column = *ColumnAt(col);
    if (column.m_iFlags & ColumnNotInMenu) continue;
    const int itemID =
        m_pColumnChoiceMenu->AddCheckableMenuItem(column.m_Name.c_str(), column.m_HeaderText.c_str(),
                                                  new KeyValues("ToggleColumnVisible", "col", col), this);
    m_pColumnChoiceMenu->GetMenuItem(itemID)->SetChecked(!column.m_bHidden);
    if (column.m_iFlags & ColumnAlwaysShown) m_pColumnChoiceMenu->SetItemEnabled(itemID, false);
  }
  Menu::PlaceContextMenu(this, m_pColumnChoiceMenu);
}

void ListPanel::OnToggleColumnVisible(int col) {
  SetColumnShown(col, !IsColumnShown(col));
  InvalidateLayout();
}

}  // namespace kgui
