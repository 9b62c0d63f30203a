// ImagePanel: an image of the host's ("servers/icon_password") drawn at its size, scaled to the
// panel, or with the panel sized to it; aligned, over an optional fill colour or gradient.
#pragma once

#include <string>

#include "kgui_controls/Panel.h"

namespace kgui {

class IImage;

class ImagePanel : public Panel {
  DECLARE_CLASS_SIMPLE(ImagePanel, Panel);

 public:
  enum Scaling {
    SCALING_NONE,
    SCALING_PANEL,
    SCALING_IMAGE,
    SCALING_IMAGE_WIDTH_ONLY,
    SCALING_IMAGE_HEIGHT_ONLY
  };
  enum Align { ALIGN_START, ALIGN_CENTER, ALIGN_END };

  ImagePanel(Panel *parent, const char *panelName);

  // The image of that name from the host ("" shows none).
  void SetImage(const char *imageName);
  void SetImage(IImage *image);
  IImage *GetImage() { return m_pImage; }
  const char *GetImageName() const { return m_ImageName.c_str(); }
  void SetShouldScaleImage(bool state) { SetScaling(state ? SCALING_PANEL : SCALING_NONE); }
  void SetScaling(Scaling scaling);
  // Reads "none", "panel", "image", "image-width-only", "image-height-only".
  static bool ParseScaling(const char *text, Scaling &scaling);
  void SetAlignment(Align horizontal, Align vertical);
  void SetFillColor(Color color) { m_FillColor = color; }
  Color GetFillColor() const { return m_FillColor; }
  // A gradient between two colours behind the image (alpha 0 for none).
  void SetGradient(Color start, Color end, bool vertical);

  bool ApplySingleSetting(KeyValues *setting) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void PaintBackground() override;
  void Paint() override;
  void PerformLayout() override;

 private:
  // Sizes the panel to the image where the scaling says so.
  void SizeToImage();

  IImage *m_pImage = nullptr;
  std::string m_ImageName;
  Scaling m_Scaling = SCALING_NONE;
  Align m_HorizontalAlign = ALIGN_START;
  Align m_VerticalAlign = ALIGN_START;
  Color m_FillColor{0, 0, 0, 0};
  Color m_GradientStart{0, 0, 0, 0};
  Color m_GradientEnd{0, 0, 0, 0};
  bool m_bGradientVertical = true;
};

}  // namespace kgui
