// Drawing of the host: the paint order, clipping to parents, shapes, text, textures and images.
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/host_fixture.h"

namespace kguihost {
namespace {

const Color kRed(220, 30, 30, 255);
const Color kGreen(30, 200, 30, 255);
const Color kBlue(30, 30, 220, 255);
const Color kWhite(255, 255, 255, 255);

class DrawingTest : public HostTest {
 protected:
  // Counts pixels of a rectangle that differ from `background`.
  int CountInk(int x0, int y0, int x1, int y1, Color background) {
    int ink = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) ink += Pixel(x, y) == background ? 0 : 1;
    }
    return ink;
  }
  Color Desktop() { return DesktopColor(); }
};

TEST_F(DrawingTest, ChildrenAreClippedToTheirParentsAndPopupsDrawOnTop) {
  auto window = MakePanel("Window", 0, 10, 10, 100, 100, kBlue);
  auto child = MakePanel("Child", window->id, 50, 50, 200, 200, kGreen);  // reaches past the window
  auto popup = MakePopup("Popup", 90, 90, 40, 40, kRed);
  auto hidden = MakePanel("Hidden", 0, 300, 300, 50, 50, kRed);
  Runtime().PanelInterface().SetVisible(hidden->id, false);
  Runtime().PanelInterface().MoveToFront(window->id);
  RunFrames(1);

  EXPECT_EQ(Pixel(20, 20), kBlue);
  EXPECT_EQ(Pixel(70, 70), kGreen);
  EXPECT_EQ(Pixel(109, 70), kGreen);
  EXPECT_EQ(Pixel(112, 70), Desktop());  // the child's part outside the window is cut
  EXPECT_EQ(Pixel(95, 95), kRed);
  EXPECT_EQ(Pixel(125, 125), kRed);
  EXPECT_EQ(Pixel(310, 310), Desktop());
  EXPECT_EQ(hidden->paints, 0);
  EXPECT_EQ(child->paints, 1);
}

TEST_F(DrawingTest, ShapesLandOnExactPixels) {
  auto canvas = MakePanel("Canvas", 0, 100, 100, 60, 60);
  kgui::IHostSurface &surface = Runtime().Surface();
  canvas->onPaint = [&]() {
    surface.DrawSetColor(kWhite);
    surface.DrawOutlinedRect(0, 0, 10, 10);
    surface.DrawSetColor(kRed);
    surface.DrawLine(20, 5, 40, 5);
    surface.DrawSetColor(kGreen);
    surface.DrawSetClipRect(0, 20, 5, 25);
    surface.DrawFilledRect(0, 20, 60, 60);  // clipped to 5x5
    surface.DrawClearClipRect();
    surface.DrawSetColor(Color(0, 0, 0, 255));
    surface.DrawFilledRectFade(30, 30, 60, 40, 255, 0, true);
  };
  RunFrames(1);
  Color desktop = Desktop();
  EXPECT_EQ(Pixel(100, 100), kWhite);
  EXPECT_EQ(Pixel(109, 109), kWhite);
  EXPECT_EQ(Pixel(105, 105), desktop);  // only the frame
  EXPECT_EQ(Pixel(110, 110), desktop);
  EXPECT_EQ(Pixel(120, 105), kRed);
  EXPECT_EQ(Pixel(140, 105), kRed);
  EXPECT_EQ(Pixel(130, 106), desktop);
  EXPECT_EQ(Pixel(104, 124), kGreen);
  EXPECT_EQ(Pixel(105, 124), desktop);
  EXPECT_EQ(Pixel(100, 125), desktop);
  EXPECT_LT(Pixel(131, 135).r(), Pixel(158, 135).r());  // dark on the left, fading to the desktop
}

TEST_F(DrawingTest, TextDrawsWhereItsMeasurementsSay) {
  kgui::IHostSurface &surface = Runtime().Surface();
  kgui::HFont font = surface.CreateFont();
  ASSERT_TRUE(surface.SetFontGlyphSet(font, "DejaVu Sans", 20, 400, 0, 0, 0));
  EXPECT_EQ(surface.GetFontTall(font), 20);
  EXPECT_GT(surface.GetFontAscent(font), 10);
  const char16_t *text = u"Wide text";
  int wide = 0, tall = 0;
  surface.GetTextSize(font, text, wide, tall);
  int sum = 0;
  for (const char16_t *c = text; *c; ++c) {
    int a, b, cc;
    surface.GetCharABCwide(font, *c, a, b, cc);
    EXPECT_EQ(a + b + cc, surface.GetCharacterWidth(font, *c));
    sum += surface.GetCharacterWidth(font, *c);
  }
  EXPECT_EQ(wide, sum);
  EXPECT_EQ(tall, 20);
  EXPECT_GT(surface.GetCharacterWidth(font, 'W'), surface.GetCharacterWidth(font, 'i'));

  auto label = MakePanel("Label", 0, 0, 0, 400, 40);
  int endX = -1, endY = -1;
  label->onPaint = [&]() {
    surface.DrawSetTextFont(font);
    surface.DrawSetTextColor(kWhite);
    surface.DrawSetTextPos(10, 5);
    surface.DrawPrintText(text, 9);
    surface.DrawGetTextPos(endX, endY);
  };
  RunFrames(1);
  EXPECT_EQ(endX, 10 + wide);
  EXPECT_EQ(endY, 5);
  Color desktop = Desktop();
  EXPECT_GT(CountInk(10, 5, 10 + wide, 25, desktop), 40);
  EXPECT_EQ(CountInk(0, 0, 8, 40, desktop), 0);
  EXPECT_EQ(CountInk(12 + wide, 0, 400, 40, desktop), 0);
}

TEST_F(DrawingTest, InvalidFontsMeasureAndDrawNothing) {
  kgui::IHostSurface &surface = Runtime().Surface();
  kgui::HFont unset = surface.CreateFont();
  EXPECT_FALSE(surface.SetFontGlyphSet(unset, "DejaVu Sans", 0, 400, 0, 0, 0));
  EXPECT_FALSE(surface.SetFontGlyphSet(99999, "DejaVu Sans", 12, 400, 0, 0, 0));
  int wide = -1, tall = -1;
  surface.GetTextSize(unset, u"abc", wide, tall);
  EXPECT_EQ(wide + tall, 0);
  auto label = MakePanel("Label", 0, 0, 0, 100, 30);
  label->onPaint = [&]() {
    surface.DrawSetTextFont(kgui::INVALID_FONT);
    surface.DrawSetTextPos(0, 0);
    surface.DrawPrintText(u"abc", 3);
  };
  RunFrames(1);
  EXPECT_EQ(CountInk(0, 0, 100, 30, Desktop()), 0);
}

void AppendChunk(std::string &png, const char *type, const std::string &data) {
  const auto bigEndian = [&](uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>((value >> shift) & 0xFF);
  };
  bigEndian(static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  png += body;
  bigEndian(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(body.data()), body.size())));
}

// A valid one-bit grey PNG of any size: all black, so even a huge picture is a small file.
void WriteBlackPng(const std::string &path, uint32_t wide, uint32_t tall) {
  std::string header;
  for (uint32_t value : {wide, tall})
    for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>((value >> shift) & 0xFF);
  header += std::string("\x01\x00\x00\x00\x00", 5);  // 1 bit, grey, deflate, no filter choice, no interlace
  const std::string raw(static_cast<size_t>(tall) * ((wide + 7) / 8 + 1), '\0');
  std::string packed(compressBound(raw.size()), '\0');
  uLongf packedSize = packed.size();
  ASSERT_EQ(compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef *>(raw.data()), raw.size(), 9),
            Z_OK);
  packed.resize(packedSize);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::string png("\x89PNG\r\n\x1A\n", 8);
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", packed);
  AppendChunk(png, "IEND", "");
  WriteWholeFile(path, png);
}

TEST_F(DrawingTest, TexturesAndSchemeImagesDrawScaledAndMissingOnesDrawNothing) {
  WriteSolidPng(GameDir() + "/icons/dot.png", 4, 4, kGreen);
  kgui::IHostSurface &surface = Runtime().Surface();
  kgui::HTexture file = surface.CreateNewTextureID();
  EXPECT_TRUE(surface.DrawSetTextureFile(file, "icons/dot", false, false));
  kgui::HTexture pixels = surface.CreateNewTextureID();
  const uint8 rgba[] = {220, 30, 30, 255, 220, 30, 30, 255, 220, 30, 30, 255, 220, 30, 30, 255};
  surface.DrawSetTextureRGBA(pixels, rgba, 2, 2);
  kgui::HTexture missing = surface.CreateNewTextureID();
  EXPECT_FALSE(surface.DrawSetTextureFile(missing, "icons/none", false, false));
  int wide = 0, tall = 0;
  surface.DrawGetTextureSize(file, wide, tall);
  EXPECT_EQ(wide * tall, 16);

  kgui::IImage *image = Runtime().Scheme().GetImage("icons/dot", false);
  kgui::IImage *absent = Runtime().Scheme().GetImage("icons/absent", false);
  EXPECT_EQ(Runtime().Scheme().GetImage("icons/absent", false), absent);  // one image, one warning
  EXPECT_EQ(m_Spew.Warnings().size(), 1u);
  absent->GetContentSize(wide, tall);
  EXPECT_EQ(wide + tall, 0);

  auto canvas = MakePanel("Canvas", 0, 0, 0, 200, 100);
  canvas->onPaint = [&]() {
    surface.DrawSetColor(kWhite);
    surface.DrawSetTexture(file);
    surface.DrawTexturedRect(0, 0, 40, 40);
    surface.DrawSetTexture(pixels);
    surface.DrawTexturedRect(50, 0, 60, 10);
    surface.DrawSetTexture(missing);
    surface.DrawTexturedRect(70, 0, 90, 20);
    image->SetPos(100, 0);
    image->SetSize(30, 30);
    image->Paint();
    absent->SetPos(150, 0);
    absent->SetSize(30, 30);
    absent->Paint();
  };
  RunFrames(1);
  EXPECT_EQ(Pixel(0, 0), kGreen);
  EXPECT_EQ(Pixel(39, 39), kGreen);
  EXPECT_EQ(Pixel(40, 40), Desktop());
  EXPECT_EQ(Pixel(55, 5), kRed);
  EXPECT_EQ(Pixel(80, 10), Desktop());
  EXPECT_EQ(Pixel(129, 29), kGreen);
  EXPECT_EQ(Pixel(165, 15), Desktop());
  surface.DestroyTextureID(file);
  EXPECT_FALSE(surface.IsTextureIDValid(file));
}

// A small file may describe a huge picture (12,000 x 12,000 in well under a megabyte): its size is
// checked from the header before anything is decoded, with a warning that says why.
TEST_F(DrawingTest, PicturesBeyondTheSizeCapAreRefusedBeforeDecoding) {
  struct Case {
    uint32_t wide, tall;
    bool drawn;
  };
  const Case cases[] = {{12000, 12000, false}, {9000, 1, false}, {4097, 4096, false}, {4096, 4096, true}};
  kgui::IHostSurface &surface = Runtime().Surface();
  for (const Case &c : cases) {
    const std::string name = "icons/big" + std::to_string(c.wide) + "x" + std::to_string(c.tall);
    WriteBlackPng(GameDir() + "/" + name + ".png", c.wide, c.tall);
    m_Spew.Clear();
    const kgui::HTexture texture = surface.CreateNewTextureID();
    EXPECT_EQ(surface.DrawSetTextureFile(texture, name.c_str(), false, false), c.drawn) << name;
    int wide = 0, tall = 0;
    surface.DrawGetTextureSize(texture, wide, tall);
    EXPECT_EQ(wide, c.drawn ? static_cast<int>(c.wide) : 0) << name;
    if (!c.drawn) {
      ASSERT_EQ(m_Spew.Warnings().size(), 1u) << name;
      EXPECT_EQ(m_Spew.Warnings()[0],
                "Image '" + name + ".png' is " + std::to_string(c.wide) + " x " + std::to_string(c.tall) +
                    " pixels; pictures of at most 16777216 pixels and 8192 a side are drawn\n");
    }
    surface.DestroyTextureID(texture);
  }
  WriteWholeFile(GameDir() + "/icons/words.png", "not a picture at all, only words");
  m_Spew.Clear();
  EXPECT_FALSE(surface.DrawSetTextureFile(surface.CreateNewTextureID(), "icons/words", false, false));
  EXPECT_EQ(m_Spew.Warnings(), std::vector<std::string>{"Image 'icons/words.png' is not a PNG picture\n"});
}

TEST_F(DrawingTest, PushMakeCurrentDrawsIntoAPanelInsideItsInsets) {
  auto panel = MakePanel("Panel", 0, 20, 20, 50, 50);
  Runtime().PanelInterface().SetInset(panel->id, 5, 5, 5, 5);
  RunFrames(1);
  kgui::IHostSurface &surface = Runtime().Surface();
  surface.PushMakeCurrent(panel->id, true);
  surface.DrawSetColor(kRed);
  surface.DrawFilledRect(-10, -10, 100, 100);
  surface.PopMakeCurrent(panel->id);
  surface.DrawFilledRect(0, 0, 10, 10);  // outside a paint: nothing
  EXPECT_EQ(Pixel(25, 25), kRed);
  EXPECT_EQ(Pixel(64, 64), kRed);
  EXPECT_EQ(Pixel(24, 24), Desktop());
  EXPECT_EQ(Pixel(65, 65), Desktop());
  EXPECT_EQ(Pixel(5, 5), Desktop());
}

TEST_F(DrawingTest, ScreenSizeChangeTellsTopLevelPanels) {
  auto window = MakePanel("Window", 0, 0, 0, 10, 10);
  Runtime().SetScreenSize(800, 600);
  int wide = 0, tall = 0;
  Runtime().Surface().GetScreenSize(wide, tall);
  EXPECT_EQ(wide, 800);
  EXPECT_EQ(tall, 600);
  EXPECT_EQ(window->log, std::vector<std::string>{"OnScreenSizeChanged"});
  int x, y;
  Runtime().Surface().GetWorkspaceBounds(x, y, wide, tall);
  EXPECT_EQ(std::vector<int>({x, y, wide, tall}), std::vector<int>({0, 0, 800, 600}));
}

}  // namespace
}  // namespace kguihost
