#include "browser_e2e_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "kstdlib/strtools.h"
#include "tests/host/host_fixture.h"

namespace {

// Rows of the lists sit this far below the list's top edge (the header), this far apart.
constexpr int kFirstRowMiddle = 34;
constexpr int kRowStep = 20;
constexpr int kNameCellOffset = 70;

}  // namespace

BrowserEndToEndTest::BrowserEndToEndTest() {
  std::filesystem::create_directories(m_Dir.File("user"));
  WriteWorld(ReadWholeFile(WORLD_FILE));
}

void BrowserEndToEndTest::WriteWorld(std::string world) {
  const std::string marker = "@USERDIR@";
  for (size_t at = world.find(marker); at != std::string::npos; at = world.find(marker))
    world.replace(at, marker.size(), m_Dir.File("user"));
  WriteWholeFile(getenv("PLEXA_CLIENT_CONFIG"), world);
}

int BrowserEndToEndTest::RunHost(const std::string &script, const std::vector<std::string> &options) {
  WriteWholeFile(m_Dir.File("script.txt"), script);
  const std::string source = getenv("SB_SOURCE_DIR") ? getenv("SB_SOURCE_DIR") : ".";
  std::vector<std::string> argv = {kguihost::BinPath("kgui-host"),
                                   "--headless",
                                   "--game",
                                   source + "/game",
                                   "--user-dir",
                                   m_Dir.File("user"),
                                   "--services",
                                   kguihost::BinPath("plexaclient.so"),
                                   "--script",
                                   m_Dir.File("script.txt")};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(kguihost::BinPath("serverbrowser.so"));
  return kguihost::RunProgram(argv, m_Output);
}

KeyValues *BrowserEndToEndTest::Load(const std::string &name) {
  for (size_t i = 0; i < m_FileNames.size(); ++i)
    if (m_FileNames[i] == name) return m_Files[i].get();
  KeyValues *file = new KeyValues(name.c_str());
  EXPECT_TRUE(file->LoadFromBuffer(name.c_str(), ReadWholeFile(m_Dir.File(name)).c_str()))
      << name << m_Output;
  m_Files.emplace_back(file);
  m_FileNames.push_back(name);
  return file;
}

KeyValues *BrowserEndToEndTest::FindPanel(KeyValues *panels, const char *name) {
  for (KeyValues *panel = panels ? panels->GetFirstSubKey() : nullptr; panel; panel = panel->GetNextKey()) {
    if (!V_stricmp(panel->GetString("name"), name)) return panel;
    if (KeyValues *found = FindPanel(panel->FindKey("Children"), name)) return found;
  }
  return nullptr;
}

KeyValues *BrowserEndToEndTest::List(const std::string &dump, const char *page) {
  KeyValues *pagePanel = FindPanel(Load(dump), page);
  return pagePanel ? FindPanel(pagePanel->FindKey("Children"), "gamelist") : nullptr;
}

std::vector<std::string> BrowserEndToEndTest::Rows(const std::string &dump, const char *page,
                                                   const std::vector<const char *> &columns) {
  std::vector<std::string> rows;
  KeyValues *list = List(dump, page);
  EXPECT_TRUE(list) << dump << " " << page;
  KeyValues *shown = list ? list->FindKey("Rows") : nullptr;
  for (KeyValues *row = shown ? shown->GetFirstSubKey() : nullptr; row; row = row->GetNextKey()) {
    std::string text;
    for (const char *column : columns)
      text += (text.empty() ? "" : " ") + std::string(row->GetString(column));
    rows.push_back(text);
  }
  return rows;
}

std::vector<std::string> BrowserEndToEndTest::Selected(const std::string &dump, const char *page) {
  std::vector<std::string> names;
  KeyValues *list = List(dump, page);
  KeyValues *rows = list ? list->FindKey("Rows") : nullptr;
  for (KeyValues *row = rows ? rows->GetFirstSubKey() : nullptr; row; row = row->GetNextKey())
    if (row->GetInt("selected")) names.push_back(row->GetString("Name"));
  return names;
}

std::string BrowserEndToEndTest::TextOf(const std::string &dump, const char *page, const char *panelName) {
  KeyValues *pagePanel = FindPanel(Load(dump), page);
  KeyValues *panel = pagePanel ? FindPanel(pagePanel->FindKey("Children"), panelName) : nullptr;
  return panel ? panel->GetString("text") : "<none>";
}

KeyValues *BrowserEndToEndTest::Column(const std::string &dump, const char *page, const char *columnName) {
  KeyValues *list = List(dump, page);
  KeyValues *columns = list ? list->FindKey("Columns") : nullptr;
  for (KeyValues *column = columns ? columns->GetFirstSubKey() : nullptr; column;
       column = column->GetNextKey())
    if (!V_stricmp(column->GetString("name"), columnName)) return column;
  return nullptr;
}

std::string BrowserEndToEndTest::EmptyText(const std::string &dump, const char *page) {
  KeyValues *list = List(dump, page);
  return list ? list->GetString("emptytext") : "<no list>";
}

std::string BrowserEndToEndTest::RowPoint(const std::string &dump, int row) {
  KeyValues *list = List(dump, kInternet);
  EXPECT_TRUE(list) << dump;
  if (!list) return "0 0";
  return std::to_string(list->GetInt("x") + kNameCellOffset) + " " +
         std::to_string(list->GetInt("y") + kFirstRowMiddle + row * kRowStep);
}

std::string BrowserEndToEndTest::ShowTab(const char *page, int frames) {
  return std::string("click CServerBrowserDialog/GameTabs/tab_") + page + "\nwait " + std::to_string(frames) +
         "frames\n";
}
