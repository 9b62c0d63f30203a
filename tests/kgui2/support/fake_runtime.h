// A small in-process stand-in for the host GUI runtime, for toolkit tests and benchmarks: panel
// records, a message queue driven by the test clock, focus and capture, a scheme that knows only
// what a test puts in it, token lookup, a clipboard and files under one directory. Drawing calls
// are counted and printed texts kept on request; text is measured at 7 pixels a UTF-16 unit and
// 16 pixels a line.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "filesystem.h"
#include "kgui/IClientPanel.h"
#include "kgui/IImage.h"
#include "kgui/IInput.h"
#include "kgui/IKGui.h"
#include "kgui/ILocalize.h"
#include "kgui/IPanel.h"
#include "kgui/IScheme.h"
#include "kgui/ISurface.h"
#include "kgui/ISystem.h"
#include "serverbrowser/IKGuiModule.h"
#include "tier1/KeyValues.h"

namespace kgui {
class Panel;
}

namespace kguitest {

using kgui::HFont;
using kgui::HPanel;
using kgui::VPANEL;

// An image of 32 x 16 pixels that remembers how it was last drawn.
class FakeImage final : public kgui::IImage {
 public:
  void Paint() override { ++paints; }
  void SetPos(int x, int y) override { posX = x, posY = y; }
  void GetContentSize(int &wide, int &tall) override { wide = 32, tall = 16; }
  void GetSize(int &wide, int &tall) override { wide = drawWide, tall = drawTall; }
  void SetSize(int wide, int tall) override { drawWide = wide, drawTall = tall; }
  void SetColor(Color newColor) override { color = newColor; }
  Color GetColor() override { return color; }

  int paints = 0, posX = 0, posY = 0, drawWide = 32, drawTall = 16;
  Color color{255, 255, 255, 255};
};

struct FakePanelRecord {
  kgui::IClientPanel *client = nullptr;
  VPANEL parent = 0;
  std::vector<VPANEL> children;
  std::string name;
  int x = 0, y = 0, wide = 0, tall = 0;
  int minWide = 0, minTall = 0;
  int insetLeft = 0, insetTop = 0, insetRight = 0, insetBottom = 0;
  int zpos = 0;
  bool visible = true, enabled = true, mouseInput = true, keyboardInput = true;
  bool popup = false, topmost = false, minimized = false;
  bool layoutDirty = true;
};

struct PostedMessage {
  VPANEL target;
  KeyValues *message;
  VPANEL from;
  double due;
  int order;
};

// Every interface of the runtime in one object; Start() starts the toolkit against it.
class FakeRuntime final : public InterfaceProvider,
                          public kgui::IKGui,
                          public kgui::IPanel,
                          public kgui::IHostSurface,
                          public kgui::IHostScheme,
                          public kgui::IScheme,
                          public kgui::IHostSystem,
                          public kgui::IHostInput,
                          public kgui::IHostLocalize,
                          public IFileSystem {
 public:
  // `fileRoot` is where relative file names are found ("" for none).
  explicit FakeRuntime(const std::string &fileRoot = "");
  ~FakeRuntime();
  FakeRuntime(const FakeRuntime &) = delete;
  FakeRuntime &operator=(const FakeRuntime &) = delete;

  // Starts the toolkit against this runtime; the destructor deletes leftover panels and stops it.
  bool Start();
  VPANEL Desktop() const { return m_Desktop; }

  // ---- driving
  // Delivers every posted message that is due (and the ones they post, when due).
  int DeliverMessages();
  // One host frame: messages, think, layout of invalidated panels, deletions.
  void RunFrame();
  // Paints every visible top-level panel and popup with its children, as the host would.
  void PaintAll();
  int PendingMessageCount() const { return static_cast<int>(m_Queue.size()); }
  const std::vector<PostedMessage> &Queue() const { return m_Queue; }
  // Removes and returns the posted messages for `target` (the caller destroys them).
  std::vector<KeyValues *> TakeMessagesFor(VPANEL target);

  // ---- input as the host turns it into messages
  void MoveCursorTo(int x, int y);
  void ClickAt(int x, int y, kgui::MouseCode code = kgui::MOUSE_LEFT);
  void Click(kgui::Panel *panel, kgui::MouseCode code = kgui::MOUSE_LEFT);
  void DoubleClick(kgui::Panel *panel);
  // Press, typed and release of a key to the focused panel (or the frontmost window).
  void PressKey(kgui::KeyCode code, bool control = false, bool shift = false);
  // "KeyTyped" for every character.
  void TypeText(const char *utf8);
  void Scroll(kgui::Panel *panel, int delta);
  void SetKeyDown(kgui::KeyCode code, bool down);
  // Holds a mouse button down (or lets it go) with no click, as during a drag.
  void SetMouseDown(kgui::MouseCode code, bool down) {
    if (down)
      m_MouseDown.insert(code);
    else
      m_MouseDown.erase(code);
  }
  VPANEL PanelAt(int x, int y);
  // The tick interval a panel asked for, or -1 when it asked for none. Ticks are not delivered:
  // tests send "Tick" themselves.
  int TickInterval(VPANEL panel) const {
    auto found = m_Ticks.find(panel);
    return found == m_Ticks.end() ? -1 : found->second;
  }

  // ---- data for tests
  void SetSchemeColor(const std::string &name, Color color) { m_Colors[name] = color; }
  void AddToken(const std::string &name, const std::u16string &text) { m_Tokens[Lower(name)] = text; }
  int OpenCount(const std::string &path) const;
  int DrawCallCount() const { return m_nDrawCalls; }
  // Texts printed since recording was last turned on, in order (off by default, so long runs
  // keep no log).
  void RecordPrintedTexts(bool state) {
    m_bRecordTexts = state;
    m_PrintedTexts.clear();
  }
  const std::vector<std::u16string> &PrintedTexts() const { return m_PrintedTexts; }
  const std::vector<std::string> &PlayedSounds() const { return m_Sounds; }
  const FakePanelRecord *Record(VPANEL panel) const;

  // ---- InterfaceProvider
  int GetFactoryCount() const override { return 0; }
  InterfaceFactoryFn GetFactory(int) const override { return nullptr; }
  void AddFactory(InterfaceFactoryFn) override {}
  bool HasInterface(const char *versionName) override { return QueryInterface(versionName) != nullptr; }
  void *QueryInterface(const char *versionName) override;
  // Names QueryInterface answers null for (to test a start without them).
  std::set<std::string> m_MissingInterfaces;

  // ---- IKGui
  void SetInterfaceProvider(InterfaceProvider *provider) override { m_pProvider = provider; }
  InterfaceProvider *m_pProvider = nullptr;
  bool IsRunning() override { return true; }
  VPANEL CreatePanel(kgui::IClientPanel *client) override;
  void FreePanel(VPANEL panel) override;
  HPanel PanelToHandle(VPANEL panel) override;
  VPANEL HandleToPanel(HPanel handle) override;
  void MarkPanelForDeletion(VPANEL panel) override;
  void PostMessage(VPANEL target, KeyValues *message, VPANEL from, float delaySeconds) override;
  void AddTickSignal(VPANEL panel, int intervalMilliseconds) override {
    m_Ticks[panel] = intervalMilliseconds;
  }
  void RemoveTickSignal(VPANEL panel) override { m_Ticks.erase(panel); }

  // ---- IPanel
  void SetPos(VPANEL panel, int x, int y) override;
  void GetPos(VPANEL panel, int &x, int &y) override;
  void SetSize(VPANEL panel, int wide, int tall) override;
  void GetSize(VPANEL panel, int &wide, int &tall) override;
  void SetMinimumSize(VPANEL panel, int wide, int tall) override;
  void GetMinimumSize(VPANEL panel, int &wide, int &tall) override;
  void SetInset(VPANEL panel, int left, int top, int right, int bottom) override;
  void GetInset(VPANEL panel, int &left, int &top, int &right, int &bottom) override;
  void GetAbsPos(VPANEL panel, int &x, int &y) override;
  void GetClipRect(VPANEL panel, int &x0, int &y0, int &x1, int &y1) override;
  void SetZPos(VPANEL panel, int z) override;
  int GetZPos(VPANEL panel) override;
  void MoveToFront(VPANEL panel) override;
  void MoveToBack(VPANEL panel) override;
  void SetVisible(VPANEL panel, bool state) override;
  bool IsVisible(VPANEL panel) override;
  bool IsFullyVisible(VPANEL panel) override;
  void SetEnabled(VPANEL panel, bool state) override;
  bool IsEnabled(VPANEL panel) override;
  void SetMouseInputEnabled(VPANEL panel, bool state) override;
  bool IsMouseInputEnabled(VPANEL panel) override;
  void SetKeyboardInputEnabled(VPANEL panel, bool state) override;
  bool IsKeyboardInputEnabled(VPANEL panel) override;
  bool IsPopup(VPANEL panel) override;
  void SetTopmostPopup(VPANEL panel, bool state) override;
  bool IsTopmostPopup(VPANEL panel) override;
  void SetParent(VPANEL panel, VPANEL newParent) override;
  VPANEL GetParent(VPANEL panel) override;
  int GetChildCount(VPANEL panel) override;
  VPANEL GetChild(VPANEL panel, int index) override;
  bool HasParent(VPANEL panel, VPANEL potentialParent) override;
  VPANEL FindChildByName(VPANEL panel, const char *name, bool recurse) override;
  void SetName(VPANEL panel, const char *name) override;
  const char *GetName(VPANEL panel) override;
  const char *GetClassName(VPANEL panel) override;
  kgui::IClientPanel *Client(VPANEL panel) override;
  void InvalidateLayout(VPANEL panel, bool layoutNow) override;
  void Repaint(VPANEL) override {}
  void SendMessage(VPANEL target, KeyValues *message, VPANEL from) override;
  bool RequestInfo(VPANEL panel, KeyValues *outputData) override;

  // ---- IHostSurface
  VPANEL GetEmbeddedPanel() override { return m_Desktop; }
  void GetScreenSize(int &wide, int &tall) override;
  void GetWorkspaceBounds(int &x, int &y, int &wide, int &tall) override;
  bool HasFocus() override { return true; }
  void CreatePopup(VPANEL panel, bool minimised, bool showTaskbarIcon, bool disabled, bool mouseInput,
                   bool keyboardInput) override;
  void MovePopupToFront(VPANEL panel) override;
  void MovePopupToBack(VPANEL panel) override;
  int GetPopupCount() override { return static_cast<int>(m_Popups.size()); }
  VPANEL GetPopup(int index) override;
  void SetMinimized(VPANEL panel, bool state) override;
  bool IsMinimized(VPANEL panel) override;
  void SetTitle(VPANEL, const char16_t *) override {}
  void FlashWindow(VPANEL, bool) override {}
  void SetCursor(kgui::HCursor cursor) override { m_Cursor = cursor; }
  void PushMakeCurrent(VPANEL, bool) override {}
  void PopMakeCurrent(VPANEL) override {}
  void DrawSetClipRect(int, int, int, int) override { ++m_nDrawCalls; }
  void DrawClearClipRect() override {}
  void DrawSetColor(Color) override {}
  void DrawFilledRect(int, int, int, int) override { ++m_nDrawCalls; }
  void DrawFilledRectFade(int, int, int, int, int, int, bool) override { ++m_nDrawCalls; }
  void DrawOutlinedRect(int, int, int, int) override { ++m_nDrawCalls; }
  void DrawLine(int, int, int, int) override { ++m_nDrawCalls; }
  void DrawPolyLine(const int *, const int *, int) override { ++m_nDrawCalls; }
  void DrawSetTextFont(HFont) override {}
  void DrawSetTextColor(Color) override {}
  void DrawSetTextPos(int x, int y) override { m_nTextX = x, m_nTextY = y; }
  void DrawGetTextPos(int &x, int &y) override { x = m_nTextX, y = m_nTextY; }
  void DrawPrintText(const char16_t *text, int length) override;
  void DrawUnicodeChar(char16_t ch) override { DrawPrintText(&ch, 1); }
  kgui::HTexture CreateNewTextureID() override { return m_nNextTexture++; }
  bool DrawSetTextureFile(kgui::HTexture, const char *, bool, bool) override { return false; }
  void DrawSetTextureRGBA(kgui::HTexture, const uint8 *, int, int) override {}
  void DrawSetTexture(kgui::HTexture) override {}
  void DrawGetTextureSize(kgui::HTexture, int &wide, int &tall) override { wide = tall = 0; }
  void DrawTexturedRect(int, int, int, int) override { ++m_nDrawCalls; }
  bool IsTextureIDValid(kgui::HTexture id) override { return id >= 1 && id < m_nNextTexture; }
  void DestroyTextureID(kgui::HTexture) override {}
  HFont CreateFont() override { return m_nNextFont++; }
  bool SetFontGlyphSet(HFont, const char *, int, int, int, int, int) override { return true; }
  int GetFontTall(HFont font) override { return font ? 16 : 0; }
  int GetFontAscent(HFont font) override { return font ? 12 : 0; }
  void GetCharABCwide(HFont font, int, int &a, int &b, int &c) override { a = 0, b = font ? 7 : 0, c = 0; }
  int GetCharacterWidth(HFont font, int) override { return font ? 7 : 0; }
  void GetTextSize(HFont font, const char16_t *text, int &wide, int &tall) override;
  void PlaySound(const char *fileName) override { m_Sounds.push_back(fileName ? fileName : ""); }

  // ---- IHostScheme / IScheme (one scheme)
  kgui::HScheme LoadSchemeFromFile(const char *, const char *) override { return 1; }
  kgui::HScheme GetDefaultScheme() override { return 1; }
  kgui::HScheme GetScheme(const char *) override { return 1; }
  kgui::IScheme *GetIScheme(kgui::HScheme) override { return this; }
  kgui::IImage *GetImage(const char *imageName, bool hardwareFiltered) override;
  int GetProportionalScaledValue(int normalizedValue) override { return normalizedValue * 2; }
  Color GetColor(const char *name, Color defaultColor) override;
  HFont GetFont(const char *, bool) override { return kgui::INVALID_FONT; }
  kgui::IBorder *GetBorder(const char *) override { return nullptr; }
  const char *GetResourceString(const char *) override { return ""; }

  // ---- IHostSystem
  double GetCurrentTime() override;
  int32 GetTimeMillis() override { return static_cast<int32>(GetCurrentTime() * 1000.0); }
  double GetFrameTime() override { return GetCurrentTime(); }
  KeyValues *GetUserConfigFileData(const char *dialogName, int dialogID) override;
  bool SaveUserConfigFile() override { return true; }
  bool ShellExecute(const char *verb, const char *file) override;
  void SetClipboardText(const char16_t *text, int length) override;
  int GetClipboardTextCount() override { return static_cast<int>(m_Clipboard.size()); }
  int GetClipboardText(int offset, char16_t *buffer, int bufferSizeInBytes) override;
  std::vector<std::string> m_ShellExecuted;

  // ---- IHostInput
  VPANEL GetFocus() override { return m_Focus; }
  void SetFocus(VPANEL panel) override;
  VPANEL GetMouseOver() override { return m_MouseOver; }
  void SetMouseCapture(VPANEL panel) override;
  VPANEL GetMouseCapture() override { return m_Capture; }
  void GetCursorPos(int &x, int &y) override { x = m_nCursorX, y = m_nCursorY; }
  void SetCursorPos(int x, int y) override { m_nCursorX = x, m_nCursorY = y; }
  bool IsMouseDown(kgui::MouseCode code) override { return m_MouseDown.count(code) != 0; }
  bool IsKeyDown(kgui::KeyCode code) override { return m_KeysDown.count(code) != 0; }
  void SetAppModalSurface(VPANEL panel) override { m_Modal = panel; }
  VPANEL GetAppModalSurface() override { return m_Modal; }
  void ReleaseAppModalSurface() override { m_Modal = 0; }
  const char *GetKeyCodeName(kgui::KeyCode) override { return ""; }

  // ---- IHostLocalize
  bool AddFile(IFileSystem *, const char *, const char *) override { return false; }
  const char16_t *Find(const char *tokenName) override;
  void AddString(const char *tokenName, const char16_t *text) override { AddToken(tokenName, text); }
  const char *GetLanguage() override { return "english"; }
  int ConstructStringArgs(char16_t *output, int outputSizeInBytes, const char16_t *format, int numArgs,
                          const char16_t *const *args) override;
  int ConstructStringVariables(char16_t *output, int outputSizeInBytes, const char16_t *format,
                               KeyValues *variables) override;

  // ---- IFileSystem
  FileHandle_t Open(const char *fileName, const char *options, const char *pathID) override;
  unsigned int Size(FileHandle_t file) override;
  int Read(void *output, int size, FileHandle_t file) override;
  int Write(const void *input, int size, FileHandle_t file) override;
  bool Close(FileHandle_t file) override;
  bool RenameFile(const char *oldPath, const char *newPath, const char *pathID) override;
  bool RemoveFile(const char *path, const char *pathID) override;
  bool GetLocalWritePath(const char *fileName, const char *pathID, char *localPath,
                         int localPathSize) override;

 private:
  FakePanelRecord *Get(VPANEL panel);
  static std::string Lower(std::string text);
  std::string FullPath(const char *fileName) const;
  void Send(VPANEL target, KeyValues *message);
  void SendInput(VPANEL target, const char *name, const char *key, int value);
  VPANEL KeyTarget();
  void PaintTree(VPANEL panel);
  void LayoutTree(VPANEL panel);
  void ThinkTree(VPANEL panel);
  void DeleteMarked();
  void DeleteAllPanels();
  std::vector<VPANEL> TopLevelPanels();
  VPANEL HitTest(VPANEL panel, int x, int y);

  std::map<VPANEL, FakePanelRecord> m_Panels;
  VPANEL m_NextId = 1;
  VPANEL m_Desktop = 0;
  std::vector<VPANEL> m_Popups;
  std::vector<PostedMessage> m_Queue;
  int m_nPostOrder = 0;
  std::map<VPANEL, int> m_Ticks;
  std::vector<VPANEL> m_MarkedForDeletion;
  VPANEL m_Focus = 0, m_Capture = 0, m_MouseOver = 0, m_Modal = 0;
  int m_nCursorX = 0, m_nCursorY = 0;
  std::set<int> m_MouseDown;
  std::set<int> m_KeysDown;
  kgui::HCursor m_Cursor = 0;
  std::map<std::string, Color> m_Colors;
  std::map<std::string, std::u16string> m_Tokens;
  std::map<std::string, KeyValues *> m_UserConfig;
  std::map<std::string, std::unique_ptr<FakeImage>> m_Images;
  std::u16string m_Clipboard;
  std::string m_FileRoot;
  std::map<std::string, int> m_OpenCounts;
  std::vector<std::string> m_Sounds;
  int m_nDrawCalls = 0;
  bool m_bRecordTexts = false;
  std::vector<std::u16string> m_PrintedTexts;
  int m_nTextX = 0, m_nTextY = 0;
  kgui::HTexture m_nNextTexture = 1;
  HFont m_nNextFont = 1;
};

}  // namespace kguitest
