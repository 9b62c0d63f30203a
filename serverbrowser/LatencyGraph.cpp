#include "serverbrowser/LatencyGraph.h"

#include <algorithm>
#include <vector>

#include "kgui_controls/controls.h"
#include "tier1/KeyValues.h"

DEFINE_EMPTY_MESSAGE_MAP(CLatencyGraph, kgui::GraphPanel)

void CLatencyGraph::AddAnswer(int pingMs) {
  Add(std::max(0, pingMs));
}

void CLatencyGraph::AddLoss() {
  Add(kLoss);
}

void CLatencyGraph::Add(int value) {
  m_Samples.push_back(value);
  while (m_Samples.size() > kMaxSamples) m_Samples.pop_front();
  Repaint();
}

int CLatencyGraph::GetLossCount() const {
  return static_cast<int>(std::count(m_Samples.begin(), m_Samples.end(), kLoss));
}

std::string CLatencyGraph::GetSampleText() const {
  std::string text;
  for (int sample : m_Samples) {
    if (!text.empty()) text += ' ';
    text += sample == kLoss ? "-" : std::to_string(sample);
  }
  return text;
}

// Rounded up to a multiple of 50 ms above the highest latency, so that the line never touches the
// top and the scale moves in steps a reader can follow.
int CLatencyGraph::GetTopMs() const {
  int highest = 0;
  for (int sample : m_Samples) highest = std::max(highest, sample);
  const int top = (highest + highest / 5 + 49) / 50 * 50;
  return std::max(kMinimumTopMs, top);
}

void CLatencyGraph::Describe(KeyValues *panelBlock) {
  BaseClass::Describe(panelBlock);
  panelBlock->SetInt("samples", GetSampleCount());
  panelBlock->SetInt("losses", GetLossCount());
  panelBlock->SetString("latencies", GetSampleText().c_str());
  panelBlock->SetInt("topms", GetTopMs());
}

void CLatencyGraph::ApplySchemeSettings(kgui::IScheme *schemeInterface) {
  BaseClass::ApplySchemeSettings(schemeInterface);
  m_LineColor = GetSchemeColor("GraphPanel.FgColor", Color(74, 144, 226, 255), schemeInterface);
  m_LossColor = GetSchemeColor("LatencyGraph.LossColor", Color(214, 64, 52, 255), schemeInterface);
}

// Only the samples that fit the width are drawn; runs of answers are lines, a lone answer a dot.
void CLatencyGraph::Paint() {
  const int count = static_cast<int>(m_Samples.size());
  const int shown = std::min(count, GetWide() / kPixelsPerSample + 1);
  const int tall = GetTall() - 2;
  const float top = static_cast<float>(GetTopMs());
  std::vector<int> xs, ys;
  const auto flush = [&]() {
    kgui::surface()->DrawSetColor(m_LineColor);
    if (xs.size() == 1) kgui::surface()->DrawFilledRect(xs[0] - 1, ys[0] - 1, xs[0] + 2, ys[0] + 2);
    if (xs.size() > 1) kgui::surface()->DrawPolyLine(xs.data(), ys.data(), static_cast<int>(xs.size()));
    xs.clear();
    ys.clear();
  };
  for (int i = count - shown; i < count; ++i) {
    const int x = GetWide() - 2 - (count - 1 - i) * kPixelsPerSample;
    const int sample = m_Samples[static_cast<size_t>(i)];
    if (sample == kLoss) {
      flush();
      kgui::surface()->DrawSetColor(m_LossColor);
      kgui::surface()->DrawFilledRect(x - 1, 1, x + 1, GetTall() - 1);
      continue;
    }
    const float fraction = std::min(1.0f, static_cast<float>(sample) / top);
    xs.push_back(x);
    ys.push_back(1 + tall - static_cast<int>(fraction * static_cast<float>(tall)));
  }
  flush();
}
