// High-DPI: at a scale above 1 the host draws shapes, text and pictures at the device's
// resolution while panels, layouts, measures, dumps and scripts keep their logical numbers.
#include <cairo.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

const Color kRed(220, 30, 30, 255);
const Color kWhite(255, 255, 255, 255);

Color DevicePixel(CRenderer &renderer, int x, int y) {
  cairo_surface_flush(renderer.Surface());
  const unsigned char *data = cairo_image_surface_get_data(renderer.Surface());
  const uint32 argb =
      reinterpret_cast<const uint32 *>(data + y * cairo_image_surface_get_stride(renderer.Surface()))[x];
  return Color((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
}

class HighDpiTest : public HostTest {
 protected:
  CRenderer &Renderer() { return Runtime().Renderer(); }
  kgui::IHostSurface &Surface() { return Runtime().Surface(); }
};

TEST_F(HighDpiTest, ShapesCoverWholeDevicePixelsAtTheirLogicalPlaces) {
  Renderer().SetScale(2.0);
  Runtime().Invalidate();
  EXPECT_EQ(Renderer().Wide(), 1280);
  EXPECT_EQ(Renderer().DeviceWide(), 2560);
  EXPECT_EQ(Renderer().DeviceTall(), 1600);
  auto canvas = MakePanel("Canvas", 0, 10, 10, 60, 60);
  canvas->onPaint = [&]() {
    Surface().DrawSetColor(kRed);
    Surface().DrawFilledRect(0, 0, 10, 10);
    Surface().DrawSetColor(kWhite);
    Surface().DrawOutlinedRect(20, 20, 30, 30);
  };
  RunFrames(1);
  const Color desktop = DesktopColor();
  // The filled square: logical 10..20, device 20..40, with sharp edges.
  EXPECT_EQ(DevicePixel(Renderer(), 20, 20), kRed);
  EXPECT_EQ(DevicePixel(Renderer(), 39, 39), kRed);
  EXPECT_EQ(DevicePixel(Renderer(), 40, 40), desktop);
  EXPECT_EQ(DevicePixel(Renderer(), 19, 25), desktop);
  // A one-pixel frame is two device pixels wide, no blur either side.
  EXPECT_EQ(DevicePixel(Renderer(), 60, 70), kWhite);
  EXPECT_EQ(DevicePixel(Renderer(), 61, 70), kWhite);
  EXPECT_EQ(DevicePixel(Renderer(), 62, 70), desktop);
  EXPECT_EQ(DevicePixel(Renderer(), 59, 70), desktop);
  // Logical reads see the same picture.
  EXPECT_EQ(Pixel(15, 15), kRed);
  EXPECT_EQ(Pixel(30, 35), kWhite);
  EXPECT_EQ(Pixel(31, 35), desktop);
}

TEST_F(HighDpiTest, TextMeasuresTheSameAndIsRasterisedAtTheDeviceResolution) {
  kgui::HFont font = Surface().CreateFont();
  ASSERT_TRUE(Surface().SetFontGlyphSet(font, "DejaVu Sans", 16, 400, 0, 0, 0));
  const char16_t *texts[] = {u"Crisp text at two", u"واحة الصقور", u"青龙要塞"};
  std::vector<int> widths;
  for (const char16_t *text : texts) {
    int wide = 0, tall = 0;
    Surface().GetTextRunSize(font, text, static_cast<int>(std::char_traits<char16_t>::length(text)), wide,
                             tall);
    widths.push_back(wide);
  }
  Renderer().SetScale(2.0);
  Runtime().Invalidate();
  for (size_t i = 0; i < std::size(texts); ++i) {
    int wide = 0, tall = 0;
    Surface().GetTextRunSize(font, texts[i], static_cast<int>(std::char_traits<char16_t>::length(texts[i])),
                             wide, tall);
    EXPECT_EQ(wide, widths[i]);
  }
  auto label = MakePanel("Label", 0, 0, 0, 400, 30);
  label->onPaint = [&]() {
    Surface().DrawSetTextFont(font);
    Surface().DrawSetTextColor(kWhite);
    Surface().DrawSetTextPos(4, 4);
    Surface().DrawPrintText(texts[0], static_cast<int>(std::char_traits<char16_t>::length(texts[0])));
  };
  RunFrames(1);
  // A picture drawn at scale 1 and enlarged would be made of 2x2 blocks of one colour; text
  // rasterised at the device's resolution has edges inside those blocks.
  const Color desktop = DesktopColor();
  int inked = 0, split = 0;
  for (int y = 8; y < 48; y += 2) {
    for (int x = 8; x < 2 * (4 + widths[0]); x += 2) {
      const Color c = DevicePixel(Renderer(), x, y);
      const bool uniform = DevicePixel(Renderer(), x + 1, y) == c && DevicePixel(Renderer(), x, y + 1) == c &&
                           DevicePixel(Renderer(), x + 1, y + 1) == c;
      if (uniform && c == desktop) continue;
      ++inked;
      split += uniform ? 0 : 1;
    }
  }
  EXPECT_GT(inked, 100);
  EXPECT_GT(split * 2, inked);
}

// kgui-host end to end on the test module, at scale 1 and 2 from the environment.
class HighDpiHostTest : public ::testing::Test {
 protected:
  HighDpiHostTest() {
    InstallShippedScheme(m_Dir.File("game"));
    std::filesystem::create_directories(m_Dir.File("user"));
  }
  // Runs the script's steps, then a shot and a dump named after `tag`; returns the exit status.
  int Run(const std::string &tag, const std::string &scale, bool window = false) {
    WriteWholeFile(m_Dir.File("script.txt"), "wait 3frames\nclick 70 70\nwait 2frames\nshot " +
                                                 m_Dir.File(tag + ".png") + "\ndump " +
                                                 m_Dir.File(tag + ".vdf") + "\nquit\n");
    std::vector<std::string> argv = {BinPath("kgui-host"),
                                     "--headless",
                                     "--game",
                                     m_Dir.File("game"),
                                     "--user-dir",
                                     m_Dir.File("user"),
                                     "--script",
                                     m_Dir.File("script.txt"),
                                     BinPath("kguitestmodule.so")};
    if (!window) return RunProgram(argv, m_Output, {"KGUI_SCALE=" + scale});
    // SDL's offscreen video driver stands in for a display (its libraries keep memory until exit).
    // The window takes its scale from the command line, which the display's own does not replace.
    argv[1] = "--scale=" + scale;
    return RunProgram(argv, m_Output,
                      {"DISPLAY=:0", "SDL_VIDEODRIVER=offscreen", "ASAN_OPTIONS=detect_leaks=0"});
  }

  // The names and places of the dumped panels (texts that follow the clock left out).
  static std::string Geometry(const std::string &dump) {
    std::string kept;
    size_t start = 0;
    while (start < dump.size()) {
      size_t end = dump.find('\n', start);
      if (end == std::string::npos) end = dump.size();
      const std::string line = dump.substr(start, end - start);
      for (const char *key : {"\"name\"", "\"x\"", "\"y\"", "\"wide\"", "\"tall\""}) {
        if (line.find(key) != std::string::npos) kept += line + "\n";
      }
      start = end + 1;
    }
    return kept;
  }

  TempDir m_Dir;
  std::string m_Output;
};

TEST_F(HighDpiHostTest, TheSameLayoutsServeEveryScale) {
  ASSERT_EQ(Run("one", "1"), 0) << m_Output;
  ASSERT_EQ(Run("two", "2"), 0) << m_Output;
  // The same panels at the same logical places, and the click reached the same one.
  EXPECT_EQ(ReadWholeFile(m_Dir.File("one.vdf")), ReadWholeFile(m_Dir.File("two.vdf")));
  cairo_surface_t *one = cairo_image_surface_create_from_png(m_Dir.File("one.png").c_str());
  cairo_surface_t *two = cairo_image_surface_create_from_png(m_Dir.File("two.png").c_str());
  EXPECT_EQ(cairo_image_surface_get_width(one), 1280);
  EXPECT_EQ(cairo_image_surface_get_width(two), 2560);
  EXPECT_EQ(cairo_image_surface_get_height(two), 1600);
  cairo_surface_destroy(one);
  cairo_surface_destroy(two);
}

TEST_F(HighDpiHostTest, AWindowAtScaleTwoShowsTheSameLayout) {
  ASSERT_EQ(Run("one", "1"), 0) << m_Output;
  ASSERT_EQ(Run("window", "2", true), 0) << m_Output;
  EXPECT_EQ(m_Output.find("rendering offscreen"), std::string::npos) << m_Output;
  // A window runs on the real clock: panels that count ticks or delays may have more to say.
  const std::string geometry = Geometry(ReadWholeFile(m_Dir.File("one.vdf")));
  EXPECT_NE(geometry.find("ClickTarget"), std::string::npos);
  EXPECT_EQ(Geometry(ReadWholeFile(m_Dir.File("window.vdf"))), geometry);
  cairo_surface_t *picture = cairo_image_surface_create_from_png(m_Dir.File("window.png").c_str());
  EXPECT_EQ(cairo_image_surface_get_width(picture), 2560);
  cairo_surface_destroy(picture);
}

TEST_F(HighDpiHostTest, AScaleThatIsNotANumberFromOneToFourIsReportedAndIgnored) {
  for (const char *scale : {"0.5", "big", "9"}) {
    ASSERT_EQ(Run("bad", scale), 0) << m_Output;
    EXPECT_NE(m_Output.find("KGUI_SCALE"), std::string::npos) << m_Output;
    cairo_surface_t *picture = cairo_image_surface_create_from_png(m_Dir.File("bad.png").c_str());
    EXPECT_EQ(cairo_image_surface_get_width(picture), 1280);
    cairo_surface_destroy(picture);
  }
}

}  // namespace
}  // namespace kguihost
