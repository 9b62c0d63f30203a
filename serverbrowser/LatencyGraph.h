// The details dialog's graph of its server's latency since the dialog opened: one point per
// query, answered ones joined by a line, queries without an answer marked by a red bar. It is the
// toolkit's graph panel (background, grid, layout settings) drawing its own points, since the
// panel knows no losses.
#pragma once

#include <deque>
#include <string>

#include "kgui_controls/GraphPanel.h"

class CLatencyGraph : public kgui::GraphPanel {
  DECLARE_CLASS_SIMPLE(CLatencyGraph, kgui::GraphPanel);

 public:
  // Samples kept: an hour of ten-second queries.
  static constexpr size_t kMaxSamples = 360;
  // Pixels between two samples, newest at the right edge.
  static constexpr int kPixelsPerSample = 6;
  // The lowest top of the scale, in milliseconds.
  static constexpr int kMinimumTopMs = 100;

  CLatencyGraph(kgui::Panel *parent, const char *panelName) : GraphPanel(parent, panelName) {}

  // A query answered after `pingMs` milliseconds.
  void AddAnswer(int pingMs);
  // A query that got no answer.
  void AddLoss();

  int GetSampleCount() const { return static_cast<int>(m_Samples.size()); }
  int GetLossCount() const;
  // The samples oldest first: the latency in milliseconds, or "-" for a loss ("45 47 - 50").
  std::string GetSampleText() const;
  // The latency at the top edge: the scale grows with the highest latency kept.
  int GetTopMs() const;

  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(kgui::IScheme *schemeInterface) override;
  void Paint() override;

 private:
  static constexpr int kLoss = -1;
  void Add(int value);

  std::deque<int> m_Samples;  // milliseconds, or kLoss
  Color m_LineColor;
  Color m_LossColor;
};
