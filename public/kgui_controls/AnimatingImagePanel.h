// AnimatingImagePanel: a sequence of images shown in turn ("image" names them with "%d" for the
// frame number, "frames" counts them, "anim_framerate" is milliseconds per frame).
#pragma once

#include <string>
#include <vector>

#include "kgui_controls/Panel.h"

namespace kgui {

class IImage;

class AnimatingImagePanel : public Panel {
  DECLARE_CLASS_SIMPLE(AnimatingImagePanel, Panel);

 public:
  AnimatingImagePanel(Panel *parent, const char *panelName);

  void AddImage(IImage *image);
  // Loads frames 1 to `frames` of a name such as "gallery/spinner%d".
  void LoadAnimation(const char *baseName, int frames);
  void SetFrameTime(int milliseconds) { m_nFrameMilliseconds = milliseconds > 0 ? milliseconds : 100; }
  void StartAnimation() { m_bAnimating = true; }
  void StopAnimation() { m_bAnimating = false; }
  // The frame shown now.
  int GetCurrentFrame();

  void ApplySettings(KeyValues *inResourceData) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void Paint() override;

 private:
  std::vector<IImage *> m_Frames;
  int m_nFrameMilliseconds = 100;
  bool m_bAnimating = true;
};

}  // namespace kgui
