// Frame: a top-level window with a title bar (title, close, minimise and maximise buttons),
// dragged by its title bar and sized by its edges down to a minimum size. By default closing
// hides it; it may delete itself instead. It can be modal, centre itself on the screen, fade
// when it opens and closes, and fill "%name%" in its title from its dialog variables.
#pragma once

#include <string>

#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/TextImage.h"

namespace kgui {

class FrameButton;
class FrameGrip;

class Frame : public EditablePanel {
  DECLARE_CLASS_SIMPLE(Frame, EditablePanel);

 public:
  Frame(Panel *parent, const char *panelName, bool showTaskbarIcon = true);
  ~Frame() override;

  // Shows the frame in front of the others, gives it the focus and fades it in.
  virtual void Activate();
  // Fades out (when fading is on), then hides or deletes itself.
  virtual void Close();
  // Makes the frame the only window that takes input, then activates it.
  virtual void DoModal();
  virtual void CloseModal();
  bool IsModal();
  void MoveToCenterOfScreen();

  // The title, or a "#" token; "%name%" is filled from the dialog variables.
  void SetTitle(const char *title, bool surfaceTitle = true);
  std::string GetTitle() const { return m_Title.GetTextUtf8(); }
  void SetTitleBarVisible(bool state);
  bool IsTitleBarVisible() const { return m_bTitleBarVisible; }
  void SetSizeable(bool state);
  bool IsSizeable() const { return m_bSizeable; }
  void SetMoveable(bool state) { m_bMoveable = state; }
  bool IsMoveable() const { return m_bMoveable; }
  void SetCloseButtonVisible(bool state);
  void SetMinimizeButtonVisible(bool state);
  void SetMaximizeButtonVisible(bool state);
  void SetDeleteSelfOnClose(bool state) { m_bDeleteSelfOnClose = state; }
  bool GetDeleteSelfOnClose() const { return m_bDeleteSelfOnClose; }
  // Seconds a fade takes; 0 turns fading off.
  void SetTransitionEffectTime(float seconds) { m_flTransitionEffectTime = seconds; }
  void Minimize();
  // Fills the work area, or returns to the size it had.
  void ToggleMaximize();
  bool IsMaximized() const { return m_bMaximized; }
  // The frame is the window the user works in: it holds the focus or is in front.
  bool IsActiveFrame();
  int GetCaptionHeight() const;

  void ApplySettings(KeyValues *inResourceData) override;
  bool ApplySingleSetting(KeyValues *setting) override;
  void GetAnimationVars(std::vector<PanelAnimationVar> &vars) override;
  bool HasUserConfigSettings() override { return true; }
  void ApplyUserConfigSettings(KeyValues *userConfig) override;
  void GetUserConfigSettings(KeyValues *userConfig) override;
  void Describe(KeyValues *panelBlock) override;
  void OnCommand(const char *command) override;

 protected:
  // Called when the frame has finished closing (after the fade).
  virtual void OnClose();
  virtual void OnFinishedClose();
  void ApplySchemeSettings(IScheme *schemeInterface) override;
  void PerformLayout() override;
  void PaintBackground() override;
  void PaintBorder() override;
  void OnThink() override;
  void OnMousePressed(MouseCode code) override;
  void OnMouseDoublePressed(MouseCode code) override;
  void OnMouseReleased(MouseCode code) override;
  void OnCursorMoved(int x, int y) override;
  void OnMouseCaptureLost() override { m_bDragging = false; }
  void OnDialogVariablesUpdated() override;
  void OnLocalizationFileChanged() override;
  void OnCloseFrameButtonPressed() { Close(); }
  void OnMinimizeButtonPressed() { Minimize(); }
  void OnMaximizeButtonPressed() { ToggleMaximize(); }
  // The scheme font of the title; a ToolWindow draws a smaller one.
  virtual const char *GetTitleFontName() { return "Title"; }
  int m_nCaptionHeight;

 private:
  void UpdateSurfaceTitle();
  bool IsInTitleBar(int x, int y);
  void FinishClose();

  TextImage m_Title;
  FrameButton *m_pCloseButton;
  FrameButton *m_pMinimizeButton;
  FrameButton *m_pMaximizeButton;
  FrameGrip *m_pGrips[8];
  bool m_bTitleBarVisible = true;
  bool m_bSizeable = true;
  bool m_bMoveable = true;
  bool m_bDeleteSelfOnClose = false;
  bool m_bSurfaceTitle = true;
  bool m_bDragging = false;
  bool m_bFadingOut = false;
  bool m_bMaximized = false;
  double m_flFadeOutEnd = 0.0;
  float m_flTransitionEffectTime = 0.2f;
  int m_nDragOffsetX = 0, m_nDragOffsetY = 0;
  int m_RestoreBounds[4] = {0, 0, 0, 0};
  Color m_TitleBarBgColor;
  Color m_TitleBarInactiveBgColor;
  Color m_TitleTextColor;
  Color m_TitleInactiveTextColor;
  Color m_BorderColor;
};

}  // namespace kgui
