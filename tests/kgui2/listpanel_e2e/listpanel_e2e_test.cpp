// The list panel driven through kgui-host: a window with 300 invented servers, clicked, typed at
// and right-clicked by a script, checked through the host's state dumps and its pictures; a second
// run finds the sort column the first one left.
#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "kstdlib/strtools.h"
#include "tests/host/host_fixture.h"

namespace {

using kguihost::BinPath;
using kguihost::RunProgram;

// Where the layout file puts the list (the window at 40,40, the list at 10,40 in it), and the
// middle of a row's first column on the screen: below the border and the 24-pixel headers, 20
// pixels a row.
constexpr int kListX = 50;
constexpr int kListY = 80;
int RowY(int row) {
  return kListY + 1 + 24 + row * 20 + 10;
}
constexpr int kRowX = kListX + 40;

struct DumpedRow {
  std::string name;
  int ping = 0;
  bool selected = false;
};

class ListDemoTest : public ::testing::Test {
 protected:
  ListDemoTest() {
    const std::string source = getenv("SB_SOURCE_DIR") ? getenv("SB_SOURCE_DIR") : ".";
    kguihost::InstallShippedScheme(Game());
    std::filesystem::create_directories(Game() + "/listdemo");
    std::filesystem::create_directories(m_Dir.File("user"));
    for (const char *image : {"uparrow.png", "downarrow.png"})
      std::filesystem::copy_file(source + "/game/" + image, Game() + "/" + image);
    std::filesystem::copy_file(LISTDEMO_LAYOUT, Game() + "/listdemo/ListDemo.res");
  }

  std::string Game() const { return m_Dir.File("game"); }

  int RunHost(const std::string &script) {
    WriteWholeFile(m_Dir.File("script.txt"), script);
    return RunProgram({BinPath("kgui-host"), "--headless", "--game", Game(), "--user-dir", m_Dir.File("user"),
                       "--script", m_Dir.File("script.txt"), BinPath("kgui_listdemo.so")},
                      m_Output);
  }

  // A dump of the run; the test keeps it.
  KeyValues *Dump(const std::string &name) {
    KeyValues *dump = new KeyValues("Panels");
    EXPECT_TRUE(dump->LoadFromBuffer(name.c_str(), ReadWholeFile(m_Dir.File(name)).c_str())) << name;
    m_Dumps.emplace_back(dump);
    return dump;
  }
  // The first panel named `name` in a dump, depth first.
  static KeyValues *FindPanel(KeyValues *panels, const char *name) {
    for (KeyValues *panel = panels ? panels->GetFirstSubKey() : nullptr; panel; panel = panel->GetNextKey()) {
      if (!V_stricmp(panel->GetString("name"), name)) return panel;
      if (KeyValues *found = FindPanel(panel->FindKey("Children"), name)) return found;
    }
    return nullptr;
  }
  std::vector<DumpedRow> Rows(const std::string &dumpName) {
    KeyValues *list = FindPanel(Dump(dumpName), "Servers");
    std::vector<DumpedRow> rows;
    if (!list || !list->FindKey("Rows")) return rows;
    for (KeyValues *row = list->FindKey("Rows")->GetFirstSubKey(); row; row = row->GetNextKey())
      rows.push_back({row->GetString("name"), row->GetInt("ping"), row->GetInt("selected") != 0});
    return rows;
  }
  static std::vector<std::string> Names(const std::vector<DumpedRow> &rows) {
    std::vector<std::string> names;
    for (const DumpedRow &row : rows) names.push_back(row.name);
    return names;
  }
  static std::vector<int> SelectedRows(const std::vector<DumpedRow> &rows) {
    std::vector<int> selected;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].selected) selected.push_back(static_cast<int>(i));
    }
    return selected;
  }
  // What the window received, in order.
  std::vector<std::string> Received(const std::string &dumpName) {
    KeyValues *window = FindPanel(Dump(dumpName), "ListDemo");
    std::vector<std::string> received;
    KeyValues *block = window ? window->FindKey("received") : nullptr;
    for (KeyValues *entry = block ? block->GetFirstSubKey() : nullptr; entry; entry = entry->GetNextKey())
      received.push_back(entry->GetString());
    return received;
  }

  TempDir m_Dir;
  std::string m_Output;
  std::vector<KeyValuesAD> m_Dumps;
};

// A pixel of a PNG written by the host.
Color PixelAt(const std::string &path, int x, int y) {
  cairo_surface_t *surface = cairo_image_surface_create_from_png(path.c_str());
  Color color;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const uint32 argb =
        reinterpret_cast<const uint32 *>(data + y * cairo_image_surface_get_stride(surface))[x];
    color = Color((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
  }
  cairo_surface_destroy(surface);
  return color;
}

bool LessIgnoringCase(const std::string &a, const std::string &b) {
  return V_stricmp(a.c_str(), b.c_str()) < 0;
}

TEST_F(ListDemoTest, HeadersSortRangesSelectTypingJumpsAndTheSortColumnIsKept) {
  const auto file = [&](const char *name) { return m_Dir.File(name); };
  const auto row = [](int r) { return std::to_string(kRowX) + " " + std::to_string(RowY(r)); };
  // One step a line.
  // clang-format off
  const std::string script =
      "wait 5frames\n"
      "dump " + file("start.vdf") + "\n"
      "click ListDemo/Servers/name\n"
      "wait 2frames\n"
      "dump " + file("ascending.vdf") + "\n"
      "click ListDemo/Servers/name\n"
      "wait 2frames\n"
      "dump " + file("descending.vdf") + "\n"
      "click " + row(2) + "\n"
      "keydown LSHIFT\n"
      "click " + row(5) + "\n"
      "keyup LSHIFT\n"
      "wait 2frames\n"
      "rclick " + row(3) + "\n"
      "wait 2frames\n"
      "shot " + file("range.png") + "\n"
      "dump " + file("range.vdf") + "\n"
      "dclick " + row(1) + "\n"
      "wait 2frames\n"
      "dump " + file("double.vdf") + "\n"
      "wait 1500ms\n"
      "type qu\n"
      "wait 2frames\n"
      "shot " + file("typed.png") + "\n"
      "dump " + file("typed.vdf") + "\n"
      "quit\n";
  // clang-format on
  ASSERT_EQ(RunHost(script), 0) << m_Output;

  // The list sits where the script clicks, with its 300 rows sorted by ping.
  KeyValues *list = FindPanel(Dump("start.vdf"), "Servers");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetInt("x"), kListX);
  ASSERT_EQ(list->GetInt("y"), kListY);
  EXPECT_STREQ(list->GetString("class"), "ListPanel");
  const std::vector<DumpedRow> start = Rows("start.vdf");
  ASSERT_EQ(start.size(), 300u);
  EXPECT_TRUE(std::is_sorted(start.begin(), start.end(),
                             [](const DumpedRow &a, const DumpedRow &b) { return a.ping < b.ping; }));

  // A header click sorts by it; the second click reverses the order.
  const std::vector<std::string> ascending = Names(Rows("ascending.vdf"));
  EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end(), LessIgnoringCase));
  std::vector<std::string> descending = Names(Rows("descending.vdf"));
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(descending, ascending);

  // Shift-click selected rows 2 to 5; the right click inside the range kept it and asked for the
  // context menu of the first selected row.
  const std::vector<DumpedRow> range = Rows("range.vdf");
  EXPECT_EQ(SelectedRows(range), (std::vector<int>{2, 3, 4, 5}));
  const std::vector<std::string> received = Received("range.vdf");
  ASSERT_FALSE(received.empty());
  const std::string &menu = received.back();
  EXPECT_EQ(menu.rfind("OpenContextMenu ", 0), 0u) << menu;
  EXPECT_EQ(menu.substr(menu.size() - range[2].name.size()), range[2].name) << menu;

  // A double click selects the row and acts on it as Enter.
  const std::vector<DumpedRow> doubled = Rows("double.vdf");
  EXPECT_EQ(SelectedRows(doubled), (std::vector<int>{1}));
  const std::vector<std::string> afterDoubleClick = Received("double.vdf");
  EXPECT_NE(std::find(afterDoubleClick.begin(), afterDoubleClick.end(), "Enter " + doubled[1].name),
            afterDoubleClick.end());

  // "qu" jumps to the one server whose name (after its article) begins with it, far down the list.
  const std::vector<DumpedRow> typed = Rows("typed.vdf");
  ASSERT_EQ(SelectedRows(typed).size(), 1u);
  EXPECT_EQ(typed[SelectedRows(typed)[0]].name, "The Quarry Lodge");
  EXPECT_GT(SelectedRows(typed)[0], 25);  // beyond the rows that fit, so the list scrolled to it

  // The picture shows the selection behind rows 2 to 5 only (away from the text, at the right end
  // of the rows), in the colour of a focused list.
  const std::string shot = m_Dir.File("range.png");
  const int x = kListX + 850;
  const Color selected = PixelAt(shot, x, RowY(2));
  EXPECT_EQ(selected, Color(74, 144, 226, 255));
  for (int r : {3, 4, 5}) EXPECT_EQ(PixelAt(shot, x, RowY(r)), selected) << r;
  for (int r : {0, 1, 6}) EXPECT_NE(PixelAt(shot, x, RowY(r)), selected) << r;

  // The row found was scrolled into view: it is the last one, at the bottom of the row area.
  const int rowAreaBottom = kListY + 532 - 1;
  EXPECT_EQ(PixelAt(m_Dir.File("typed.png"), x, rowAreaBottom - 10), selected);
  EXPECT_NE(PixelAt(m_Dir.File("typed.png"), x, rowAreaBottom - 30), selected);

  // A new run finds the list sorted as the last one left it: by name, descending.
  ASSERT_EQ(RunHost("wait 5frames\ndump " + m_Dir.File("restored.vdf") + "\nquit\n"), 0) << m_Output;
  std::vector<std::string> restored = Names(Rows("restored.vdf"));
  std::reverse(restored.begin(), restored.end());
  EXPECT_EQ(restored, ascending);
}

}  // namespace
