// AnimatingImagePanel: frames chosen by the host's clock.
#include "kgui_controls/AnimatingImagePanel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kgui/IImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier1/KeyValues.h"

namespace kgui {

DEFINE_EMPTY_MESSAGE_MAP(AnimatingImagePanel, Panel)

namespace {
constexpr int kMaxFrames = 256;
}

AnimatingImagePanel::AnimatingImagePanel(Panel *parent, const char *panelName) : Panel(parent, panelName) {}

void AnimatingImagePanel::AddImage(IImage *image) {
  if (image) m_Frames.push_back(image);
}

void AnimatingImagePanel::LoadAnimation(const char *baseName, int frames) {
  m_Frames.clear();
  if (!baseName || !*baseName) return;
  // Only "%d" may be filled in: the name is the layout's, not a format of ours.
  const char *placeholder = strstr(baseName, "%d");
  for (int frame = 1; frame <= std::min(frames, kMaxFrames); ++frame) {
    std::string name(baseName);
    if (placeholder) name.replace(static_cast<size_t>(placeholder - baseName), 2, std::to_string(frame));
    AddImage(scheme()->GetImage(name.c_str(), false));
    if (!placeholder) break;
  }
}

int AnimatingImagePanel::GetCurrentFrame() {
  if (m_Frames.empty()) return -1;
  if (!m_bAnimating) return 0;
  const double milliseconds = system()->GetCurrentTime() * 1000.0;
  return static_cast<int>(
      std::fmod(milliseconds / m_nFrameMilliseconds, static_cast<double>(m_Frames.size())));
}

void AnimatingImagePanel::ApplySettings(KeyValues *inResourceData) {
  BaseClass::ApplySettings(inResourceData);
  if (inResourceData->FindKey("anim_framerate")) SetFrameTime(inResourceData->GetInt("anim_framerate"));
  if (inResourceData->FindKey("image"))
    LoadAnimation(inResourceData->GetString("image"), inResourceData->GetInt("frames", 1));
}

void AnimatingImagePanel::Describe(KeyValues *panelBlock) {
  panelBlock->SetInt("frames", static_cast<int>(m_Frames.size()));
}

void AnimatingImagePanel::Paint() {
  const int frame = GetCurrentFrame();
  if (frame < 0) return;
  IImage *image = m_Frames[frame];
  image->SetPos(0, 0);
  image->SetSize(GetWide(), GetTall());
  image->SetColor(Color(255, 255, 255, GetEffectiveAlpha()));
  image->Paint();
}

}  // namespace kgui
