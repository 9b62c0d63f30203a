// URLLabel: an underlined link; a click opens its address ("URLText") with the desktop's
// handler.
#pragma once

#include <string>

#include "kgui_controls/Label.h"

namespace kgui {

class URLLabel : public Label {
  DECLARE_CLASS_SIMPLE(URLLabel, Label);

 public:
  URLLabel(Panel *parent, const char *panelName, const char *text, const char *url);

  void SetURL(const char *url) { m_URL = url ? url : ""; }
  const char *GetURL() const { return m_URL.c_str(); }

  bool ApplySingleSetting(KeyValues *setting) override;
  void Describe(KeyValues *panelBlock) override;

 protected:
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void Paint() override;
  void OnMousePressed(MouseCode code) override;
  void OnCursorEntered() override { Repaint(); }
  void OnCursorExited() override { Repaint(); }

 private:
  std::string m_URL;
};

}  // namespace kgui
