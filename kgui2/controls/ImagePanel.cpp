// ImagePanel: scaling, alignment, fill and gradient around a host image.
#include "kgui_controls/ImagePanel.h"

#include "kgui/IImage.h"
#include "kgui_controls/PanelAnimationVar.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(ImagePanel, Panel)

namespace {

bool ParseAlign(const char *text, bool vertical, ImagePanel::Align &align) {
  if (!V_stricmp(text, vertical ? "top" : "left")) {
    align = ImagePanel::ALIGN_START;
  } else if (!V_stricmp(text, "center")) {
    align = ImagePanel::ALIGN_CENTER;
  } else if (!V_stricmp(text, vertical ? "bottom" : "right")) {
    align = ImagePanel::ALIGN_END;
  } else {
    return false;
  }
  return true;
}

int Place(ImagePanel::Align align, int space, int size) {
  return align == ImagePanel::ALIGN_START    ? 0
         : align == ImagePanel::ALIGN_CENTER ? (space - size) / 2
                                             : space - size;
}

}  // namespace

ImagePanel::ImagePanel(Panel *parent, const char *panelName) : Panel(parent, panelName) {
  SetPaintBackgroundEnabled(true);
}

void ImagePanel::SetImage(const char *imageName) {
  m_ImageName = imageName ? imageName : "";
  SetImage(m_ImageName.empty() ? nullptr : scheme()->GetImage(m_ImageName.c_str(), false));
}

void ImagePanel::SetImage(IImage *image) {
  m_pImage = image;
  SizeToImage();
  Repaint();
}

void ImagePanel::SetScaling(Scaling scaling) {
  m_Scaling = scaling;
  SizeToImage();
  Repaint();
}

bool ImagePanel::ParseScaling(const char *text, Scaling &scaling) {
  static const struct {
    const char *name;
    Scaling scaling;
  } kNames[] = {{"none", SCALING_NONE},
                {"panel", SCALING_PANEL},
                {"image", SCALING_IMAGE},
                {"image-width-only", SCALING_IMAGE_WIDTH_ONLY},
                {"image-height-only", SCALING_IMAGE_HEIGHT_ONLY}};
  for (const auto &entry : kNames) {
    if (!V_stricmp(entry.name, text)) {
      scaling = entry.scaling;
      return true;
    }
  }
  return false;
}

void ImagePanel::SetAlignment(Align horizontal, Align vertical) {
  m_HorizontalAlign = horizontal;
  m_VerticalAlign = vertical;
  Repaint();
}

void ImagePanel::SetGradient(Color start, Color end, bool vertical) {
  m_GradientStart = start;
  m_GradientEnd = end;
  m_bGradientVertical = vertical;
  Repaint();
}

void ImagePanel::SizeToImage() {
  if (!m_pImage || m_Scaling == SCALING_NONE || m_Scaling == SCALING_PANEL) return;
  int wide = 0, tall = 0;
  m_pImage->GetContentSize(wide, tall);
  if (m_Scaling == SCALING_IMAGE) SetSize(wide, tall);
  if (m_Scaling == SCALING_IMAGE_WIDTH_ONLY) SetWide(wide);
  if (m_Scaling == SCALING_IMAGE_HEIGHT_ONLY) SetTall(tall);
}

bool ImagePanel::ApplySingleSetting(KeyValues *setting) {
  const char *key = setting->GetName();
  const char *text = setting->GetString();
  if (!V_stricmp(key, "image")) {
    SetImage(text);
  } else if (!V_stricmp(key, "scaleImage")) {
    SetShouldScaleImage(setting->GetInt() != 0);
  } else if (!V_stricmp(key, "scaling")) {
    Scaling scaling = m_Scaling;
    if (ParseScaling(text, scaling))
      SetScaling(scaling);
    else
      Warning("Unknown scaling '%s'; valid values are none, panel, image, fit\n", text);
  } else if (!V_stricmp(key, "horizontal-align") || !V_stricmp(key, "vertical-align")) {
    const bool vertical = !V_stricmp(key, "vertical-align");
    Align align = ALIGN_START;
    if (ParseAlign(text, vertical, align)) (vertical ? m_VerticalAlign : m_HorizontalAlign) = align;
  } else if (!V_stricmp(key, "fillcolor")) {
    m_FillColor = AnimVarTextToColor(text, GetSchemeInterface(), m_FillColor);
  } else if (!V_stricmp(key, "gradientStart")) {
    m_GradientStart = AnimVarTextToColor(text, GetSchemeInterface(), m_GradientStart);
  } else if (!V_stricmp(key, "gradientEnd")) {
    m_GradientEnd = AnimVarTextToColor(text, GetSchemeInterface(), m_GradientEnd);
  } else if (!V_stricmp(key, "gradientVertical")) {
    m_bGradientVertical = setting->GetInt() != 0;
  } else {
    return BaseClass::ApplySingleSetting(setting);
  }
  Repaint();
  return true;
}

void ImagePanel::Describe(KeyValues *panelBlock) {
  panelBlock->SetString("image", m_ImageName.c_str());
}

void ImagePanel::PerformLayout() {
  SizeToImage();
}

void ImagePanel::PaintBackground() {
  const int wide = GetWide(), tall = GetTall();
  if (m_FillColor.a() > 0) {
    surface()->DrawSetColor(Faded(m_FillColor));
    surface()->DrawFilledRect(0, 0, wide, tall);
  }
  if (m_GradientStart.a() > 0 || m_GradientEnd.a() > 0) {
    // The start colour fades out as the end colour fades in.
    const bool horizontal = !m_bGradientVertical;
    surface()->DrawSetColor(Faded(Color(m_GradientStart.r(), m_GradientStart.g(), m_GradientStart.b(), 255)));
    surface()->DrawFilledRectFade(0, 0, wide, tall, m_GradientStart.a(), 0, horizontal);
    surface()->DrawSetColor(Faded(Color(m_GradientEnd.r(), m_GradientEnd.g(), m_GradientEnd.b(), 255)));
    surface()->DrawFilledRectFade(0, 0, wide, tall, 0, m_GradientEnd.a(), horizontal);
  }
}

void ImagePanel::Paint() {
  if (!m_pImage) return;
  int wide = 0, tall = 0;
  m_pImage->GetContentSize(wide, tall);
  if (m_Scaling == SCALING_PANEL) {
    wide = GetWide();
    tall = GetTall();
  } else if (m_Scaling == SCALING_IMAGE_WIDTH_ONLY) {
    tall = GetTall();
  } else if (m_Scaling == SCALING_IMAGE_HEIGHT_ONLY) {
    wide = GetWide();
  }
  m_pImage->SetSize(wide, tall);
  m_pImage->SetPos(Place(m_HorizontalAlign, GetWide(), wide), Place(m_VerticalAlign, GetTall(), tall));
  m_pImage->SetColor(Color(255, 255, 255, GetEffectiveAlpha()));
  m_pImage->Paint();
}

}  // namespace kgui
