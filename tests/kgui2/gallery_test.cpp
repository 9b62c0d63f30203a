// End to end: kgui-host runs the control gallery headless from a script. A click on a button
// reaches the window as "Command" and then as the named message, typing into a text entry sends
// "TextChanged", and the screenshot shows the states a person relies on (hover, pressed,
// disabled, focus, the default button).
#include <cairo.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tier1/KeyValues.h"
#include "tier1/utlbuffer.h"

extern char **environ;

namespace {

std::string EnvOr(const char *name, const char *fallback) {
  const char *value = getenv(name);
  return value ? value : fallback;
}

// Runs a program, its output collected; its exit status, or -1 when it did not exit normally.
int RunProgram(const std::vector<std::string> &argv, const std::string &outputFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char *> args;
  for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The block of the panel named `name` anywhere under `panels`.
KeyValues *FindPanel(KeyValues *panels, const char *name) {
  for (KeyValues *panel = panels->GetFirstTrueSubKey(); panel; panel = panel->GetNextTrueSubKey()) {
    if (!strcmp(panel->GetString("name"), name)) return panel;
    if (KeyValues *children = panel->FindKey("Children")) {
      if (KeyValues *found = FindPanel(children, name)) return found;
    }
  }
  return nullptr;
}

// A PNG's pixels, read through cairo.
class Picture {
 public:
  explicit Picture(const std::string &path) : m_pSurface(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Picture() { cairo_surface_destroy(m_pSurface); }
  bool IsValid() const { return cairo_surface_status(m_pSurface) == CAIRO_STATUS_SUCCESS; }
  // Opaque pixels read exactly.
  Color At(int x, int y) const {
    const unsigned char *row =
        cairo_image_surface_get_data(m_pSurface) + y * cairo_image_surface_get_stride(m_pSurface);
    const uint32_t pixel = reinterpret_cast<const uint32_t *>(row)[x];
    return Color((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF, pixel >> 24);
  }

 private:
  cairo_surface_t *m_pSurface;
};

class GalleryTest : public testing::Test {
 protected:
  // Runs the gallery with `steps` (one script step a line) and reads the dump it writes last.
  void Run(const std::string &steps) {
    const std::string script = m_Dir.File("script.txt");
    m_DumpFile = m_Dir.File("dump.txt");
    WriteWholeFile(script, steps + "dump " + m_DumpFile + "\nquit\n");
    const std::string bin = EnvOr("SB_BIN_DIR", ".");
    const std::string output = m_Dir.File("host.log");
    const int status =
        RunProgram({bin + "/kgui-host", "--headless", "--game", EnvOr("SB_SOURCE_DIR", ".") + "/game",
                    "--user-dir", m_Dir.File("user"), "--script", script, bin + "/kgui_gallery.so"},
                   output);
    ASSERT_EQ(status, 0) << ReadWholeFile(output);
    m_pDump.reset(new KeyValues("dump"));
    ASSERT_TRUE(m_pDump->LoadFromBuffer(m_DumpFile.c_str(), ReadWholeFile(m_DumpFile).c_str()));
  }
  KeyValues *Panel(const char *name) { return FindPanel(m_pDump.get(), name); }
  // The messages the gallery recorded, in order.
  std::vector<std::string> Received() {
    std::vector<std::string> received;
    KeyValues *gallery = Panel("Gallery");
    KeyValues *list = gallery ? gallery->FindKey("received") : nullptr;
    for (KeyValues *entry = list ? list->GetFirstValue() : nullptr; entry; entry = entry->GetNextValue())
      received.push_back(entry->GetString());
    return received;
  }
  // A point inside a panel, `inset` pixels from its top left corner (from its bottom right one
  // when negative), in screen pixels.
  void Inside(const char *name, int inset, int &x, int &y) {
    KeyValues *panel = Panel(name);
    ASSERT_NE(panel, nullptr) << name;
    x = panel->GetInt("x") + (inset >= 0 ? inset : panel->GetInt("wide") + inset);
    y = panel->GetInt("y") + (inset >= 0 ? inset : panel->GetInt("tall") + inset);
  }

  TempDir m_Dir;
  std::string m_DumpFile;
  KeyValuesAD m_pDump;
};

TEST_F(GalleryTest, ButtonCommandArrivesAsCommandThenAsTheNamedMessage) {
  Run("wait 3frames\nclick Gallery/PlainButton\nwait 3frames\n");
  EXPECT_EQ(Received(), (std::vector<std::string>{"Command PlainPressed", "PlainPressed"}));
  ASSERT_NE(Panel("Status"), nullptr);
  EXPECT_STREQ(Panel("Status")->GetString("text"), "Last message: PlainPressed");
}

TEST_F(GalleryTest, TypingIntoATextEntrySendsTextChanged) {
  Run("wait 3frames\nclick Gallery/NameEntry\ntype Ada\nkey BACKSPACE\nwait 3frames\n");
  EXPECT_EQ(Received(), std::vector<std::string>(4, "TextChanged NameEntry"));
  EXPECT_STREQ(Panel("NameEntry")->GetString("text"), "Ad");
}

TEST_F(GalleryTest, ComboBoxChoiceArrivesWithItsText) {
  Run("wait 3frames\nclick Gallery/GameCombo\nwait 2frames\nkey DOWN\nkey ENTER\nwait 3frames\n");
  const std::vector<std::string> received = Received();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), "TextChanged GameCombo Copperline Rally");
}

TEST_F(GalleryTest, ScreenshotShowsHoverPressedDisabledAndFocus) {
  const std::string shot = EnvOr("SB_TEST_TMP", ".") + "/gallery.png";
  Run("wait 3frames\nclick Gallery/PortEntry\nmove 190 156\nwait 30frames\nshot " + shot + "\n");
  Picture picture(shot);
  ASSERT_TRUE(picture.IsValid());
  int x = 0, y = 0;
  Inside("PlainButton", 3, x, y);  // under the cursor
  EXPECT_EQ(picture.At(x, y), Color(74, 144, 226, 255));
  Inside("ToggleButton", 3, x, y);  // selected: drawn pressed
  EXPECT_EQ(picture.At(x, y), Color(46, 98, 160, 255));
  Inside("DisabledButton", -4, x, y);  // greyed (its top may lie under the tooltip)
  EXPECT_EQ(picture.At(x, y), Color(66, 72, 82, 255));
  Inside("DefaultButton", 3, x, y);
  EXPECT_EQ(picture.At(x, y), Color(84, 92, 104, 255));
  Inside("DefaultButton", 1, x, y);  // the default button's second edge line
  EXPECT_EQ(picture.At(x, y), Color(120, 176, 240, 255));
  Inside("PortEntry", 0, x, y);  // the focused entry's edge
  EXPECT_EQ(picture.At(x, y + 10), Color(74, 144, 226, 255));
  Inside("NameEntry", 0, x, y);  // an entry without the focus
  EXPECT_EQ(picture.At(x, y + 10), Color(84, 92, 104, 255));
}

}  // namespace
