// Image panels and image lists: scaling, alignment, fading, animation frames and blank images.
#include <string>

#include "kgui_controls/AnimatingImagePanel.h"
#include "kgui_controls/CBitmapImagePanel.h"
#include "kgui_controls/ImageList.h"
#include "kgui_controls/ImagePanel.h"
#include "kgui_controls/controls.h"
#include "support/toolkit_fixture.h"
#include "tier1/KeyValues.h"

using kgui::ImagePanel;
using kguitest::FakeImage;

namespace {

class ImagePanelTest : public ToolkitTest {
 protected:
  ImagePanelTest() {
    m_pWindow = new kgui::Panel(nullptr, "Window");
    m_pWindow->SetParent(Runtime().Desktop());
    m_pWindow->SetBounds(0, 0, 300, 300);
  }
  ~ImagePanelTest() override { delete m_pWindow; }
  void Apply(kgui::Panel *panel, KeyValues *keys) {
    KeyValuesAD owned(keys);
    panel->ApplySettings(owned.get());
  }
  // The test host's image of that name (32 x 16).
  FakeImage *Image(const char *name) { return static_cast<FakeImage *>(Runtime().GetImage(name, false)); }

  kgui::Panel *m_pWindow;
};

TEST_F(ImagePanelTest, ScalingModes) {
  struct Case {
    const char *scaling;
    int panelWide, panelTall;  // after the keys
    int drawWide, drawTall;
  };
  const Case cases[] = {
      {"none", 100, 60, 32, 16},
      {"panel", 100, 60, 100, 60},
      {"image", 32, 16, 32, 16},
      {"image-width-only", 32, 60, 32, 60},
      {"image-height-only", 100, 16, 100, 16},
  };
  for (const Case &c : cases) {
    auto *panel = new ImagePanel(m_pWindow, "icon");
    panel->SetSize(100, 60);
    Apply(panel, new KeyValues("icon", "image", "servers/icon_password", "scaling", c.scaling));
    EXPECT_EQ(panel->GetWide(), c.panelWide) << c.scaling;
    EXPECT_EQ(panel->GetTall(), c.panelTall) << c.scaling;
    Runtime().PaintAll();
    FakeImage *image = Image("servers/icon_password");
    EXPECT_EQ(image->drawWide, c.drawWide) << c.scaling;
    EXPECT_EQ(image->drawTall, c.drawTall) << c.scaling;
    delete panel;
  }
}

TEST_F(ImagePanelTest, UnknownScalingIsReportedAndIgnored) {
  ImagePanel panel(m_pWindow, "icon");
  m_Spew.Clear();
  Apply(&panel, new KeyValues("icon", "scaling", "stretch"));
  EXPECT_TRUE(m_Spew.Contains("Unknown scaling 'stretch'; valid values are none, panel, image, fit"));
  ImagePanel::Scaling scaling = ImagePanel::SCALING_NONE;
  EXPECT_TRUE(ImagePanel::ParseScaling("IMAGE-WIDTH-ONLY", scaling));
  EXPECT_EQ(scaling, ImagePanel::SCALING_IMAGE_WIDTH_ONLY);
}

TEST_F(ImagePanelTest, AlignmentPlacesTheImageAndTheAlphaFadesIt) {
  struct Case {
    const char *horizontal;
    const char *vertical;
    int x, y;
  };
  const Case cases[] = {{"left", "top", 0, 0}, {"center", "center", 34, 22}, {"right", "bottom", 68, 44}};
  for (const Case &c : cases) {
    ImagePanel panel(m_pWindow, "icon");
    panel.SetSize(100, 60);
    Apply(&panel, new KeyValues("icon", "image", "servers/icon_bots", "horizontal-align", c.horizontal));
    Apply(&panel, new KeyValues("icon", "vertical-align", c.vertical));
    m_pWindow->SetAlpha(128);
    Runtime().PaintAll();
    FakeImage *image = Image("servers/icon_bots");
    EXPECT_EQ(image->posX, c.x) << c.horizontal;
    EXPECT_EQ(image->posY, c.y) << c.vertical;
    EXPECT_EQ(image->color.a(), 128);
  }
}

TEST_F(ImagePanelTest, FillAndGradientKeysDrawBehindTheImage) {
  ImagePanel panel(m_pWindow, "swatch");
  panel.SetSize(40, 40);
  Runtime().PaintAll();
  const int empty = Runtime().DrawCallCount();
  KeyValuesAD keys(new KeyValues("swatch", "fillcolor", "10 20 30 255", "gradientStart", "255 0 0 255"));
  keys->SetString("gradientEnd", "0 0 255 128");
  panel.ApplySettings(keys.get());
  EXPECT_EQ(panel.GetFillColor(), Color(10, 20, 30, 255));
  Runtime().PaintAll();
  EXPECT_EQ(Runtime().DrawCallCount() - empty, 3);  // the fill and two fades
}

TEST_F(ImagePanelTest, BitmapPanelFillsItselfAndAnimationsStepWithTheClock) {
  kgui::CBitmapImagePanel bitmap(m_pWindow, "bitmap", "gallery/badge");
  bitmap.SetSize(48, 48);
  Runtime().PaintAll();
  EXPECT_EQ(Image("gallery/badge")->drawWide, 48);

  kgui::AnimatingImagePanel spinner(m_pWindow, "spinner");
  KeyValuesAD keys(new KeyValues("spinner", "image", "gallery/spinner%d", "frames", "4"));
  keys->SetString("anim_framerate", "100");
  spinner.ApplySettings(keys.get());
  const int first = spinner.GetCurrentFrame();
  Plat_AdvanceClock(0.15);
  EXPECT_EQ(spinner.GetCurrentFrame(), (first + 1) % 4);
  Runtime().PaintAll();
  EXPECT_GT(Image("gallery/spinner1")->paints + Image("gallery/spinner2")->paints +
                Image("gallery/spinner3")->paints + Image("gallery/spinner4")->paints,
            0);
  spinner.StopAnimation();
  EXPECT_EQ(spinner.GetCurrentFrame(), 0);
}

TEST_F(ImagePanelTest, ImageListStartsWithABlankImage) {
  kgui::ImageList list;
  EXPECT_EQ(list.GetImageCount(), 1);
  kgui::IImage *blank = list.GetImage(0);
  int wide = -1, tall = -1;
  blank->GetContentSize(wide, tall);
  EXPECT_EQ(wide, 0);
  const int index = list.AddImage(Image("servers/icon_secure_deny"));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(list.GetImage(1), Image("servers/icon_secure_deny"));
  EXPECT_EQ(list.GetImage(7), blank);  // out of range reads blank
  list.SetImageAtIndex(4, Image("servers/icon_bots"));
  EXPECT_EQ(list.GetImageCount(), 5);
  EXPECT_EQ(list.GetImage(3), blank);
  EXPECT_TRUE(list.IsValidIndex(4));
  EXPECT_FALSE(list.IsValidIndex(-1));
}

}  // namespace
