// End to end: the browser headless in kgui-host, an input method composing into the map filter
// (script compose steps). While it composes, the dump shows the composition beside the filter's
// unchanged text, the list is not narrowed, and the screenshot shows the preview underlined;
// the committed text then filters the list like typing.
#include <cairo.h>

#include <algorithm>
#include <string>
#include <vector>

#include "browser_e2e_fixture.h"

namespace {

constexpr char kPage[] = "CServerBrowserDialog/GameTabs/InternetGames";

// The longest row of pixels unlike `background` inside a panel of a dump, in a PNG of the screen.
int LongestInkRun(const std::string &png, KeyValues *panel) {
  cairo_surface_t *picture = cairo_image_surface_create_from_png(png.c_str());
  int longest = 0;
  if (cairo_surface_status(picture) == CAIRO_STATUS_SUCCESS) {
    const int stride = cairo_image_surface_get_stride(picture);
    const unsigned char *data = cairo_image_surface_get_data(picture);
    auto at = [&](int x, int y) { return reinterpret_cast<const uint32_t *>(data + y * stride)[x]; };
    // Inside the border, and the entry's own colour from its empty right end.
    const int x0 = panel->GetInt("x") + 2, x1 = panel->GetInt("x") + panel->GetInt("wide") - 2;
    const int y0 = panel->GetInt("y") + 2, y1 = panel->GetInt("y") + panel->GetInt("tall") - 2;
    const uint32_t background = at(x1 - 2, y0 + 1);
    for (int y = y0; y < y1; ++y) {
      int run = 0;
      for (int x = x0; x < x1; ++x) {
        run = at(x, y) != background ? run + 1 : 0;
        longest = std::max(longest, run);
      }
    }
  }
  cairo_surface_destroy(picture);
  return longest;
}

class CompositionEndToEndTest : public BrowserEndToEndTest {
 protected:
  KeyValues *MapFilter(const std::string &dump) {
    KeyValues *page = FindPanel(Load(dump), kInternet);
    return page ? FindPanel(page->FindKey("Children"), "MapFilter") : nullptr;
  }
};

TEST_F(CompositionEndToEndTest, TheMapFilterShowsAComposingPreviewAndFiltersOnlyWhenCommitted) {
  const std::string script = std::string("wait 120frames\n") + "click " + kPage + "/Filter\n" +
                             "wait 10frames\n" + "click " + kPage + "/MapFilter\n" + "wait 10frames\n" +
                             "compose d\n" + "compose du\n" + "wait 10frames\n" + "dump " +
                             File("composing.kv") + "\n" + "shot " + File("composing.png") + "\n" +
                             "type du\n" + "compose\n" + "wait 10frames\n" + "dump " + File("committed.kv") +
                             "\n" + "shot " + File("committed.png") + "\n" + "quit\n";
  ASSERT_EQ(RunHost(script), 0) << m_Output;

  KeyValues *composing = MapFilter("composing.kv");
  ASSERT_TRUE(composing);
  EXPECT_STREQ(composing->GetString("text", "<none>"), "");
  EXPECT_STREQ(composing->GetString("composition", "<none>"), "du");
  EXPECT_EQ(Rows("composing.kv", kInternet, {"Name"}).size(), 6u);

  KeyValues *committed = MapFilter("committed.kv");
  ASSERT_TRUE(committed);
  EXPECT_STREQ(committed->GetString("text", "<none>"), "du");
  EXPECT_STREQ(committed->GetString("composition", "<none>"), "<none>");
  EXPECT_EQ(Rows("committed.kv", kInternet, {"Name"}), std::vector<std::string>{"Amber Hall"});

  // The same letters in both pictures; only the preview has a line under them.
  const int underlined = LongestInkRun(File("composing.png"), composing);
  const int plain = LongestInkRun(File("committed.png"), committed);
  EXPECT_GE(underlined, 10) << "no underline under the composition";
  EXPECT_LT(plain, underlined - 4);
}

}  // namespace
