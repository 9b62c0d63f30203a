// The test stand-in for the host GUI runtime.
#include "support/fake_runtime.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/filesystem_helpers.h"
#include "kgui_controls/Panel.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/platform.h"

namespace kguitest {
namespace {

struct FakeFile {
  FILE *file;
};

}  // namespace

FakeRuntime::FakeRuntime(const std::string &fileRoot) : m_FileRoot(fileRoot) {
  m_Desktop = CreatePanel(nullptr);
  m_Panels[m_Desktop].name = "Desktop";
  m_Panels[m_Desktop].wide = 1280;
  m_Panels[m_Desktop].tall = 800;
}

FakeRuntime::~FakeRuntime() {
  DeleteAllPanels();
  for (PostedMessage &posted : m_Queue) posted.message->Destroy();
  for (auto &entry : m_UserConfig) entry.second->Destroy();
  // Also after a failed start: the toolkit may hold some of this runtime's interfaces.
  kgui::KGui_ShutdownInterfaces();
}

bool FakeRuntime::Start() {
  return kgui::KGui_InitInterfacesList("fake", this);
}

void *FakeRuntime::QueryInterface(const char *versionName) {
  const std::string name = versionName ? versionName : "";
  if (m_MissingInterfaces.count(name)) return nullptr;
  if (name == KGUI_INTERFACE_VERSION) return static_cast<kgui::IKGui *>(this);
  if (name == KGUI_PANEL_INTERFACE_VERSION) return static_cast<kgui::IPanel *>(this);
  if (name == KGUI_SURFACE_INTERFACE_VERSION) return static_cast<kgui::IHostSurface *>(this);
  if (name == KGUI_SCHEME_INTERFACE_VERSION) return static_cast<kgui::IHostScheme *>(this);
  if (name == KGUI_SYSTEM_INTERFACE_VERSION) return static_cast<kgui::IHostSystem *>(this);
  if (name == KGUI_INPUT_INTERFACE_VERSION) return static_cast<kgui::IHostInput *>(this);
  if (name == KGUI_LOCALIZE_INTERFACE_VERSION) return static_cast<kgui::IHostLocalize *>(this);
  if (name == FILESYSTEM_INTERFACE_VERSION) return static_cast<IFileSystem *>(this);
  return nullptr;
}

std::string FakeRuntime::Lower(std::string text) {
  for (char &c : text) c = V_tolower(c);
  return text;
}

FakePanelRecord *FakeRuntime::Get(VPANEL panel) {
  auto it = m_Panels.find(panel);
  return it == m_Panels.end() ? nullptr : &it->second;
}

const FakePanelRecord *FakeRuntime::Record(VPANEL panel) const {
  auto it = m_Panels.find(panel);
  return it == m_Panels.end() ? nullptr : &it->second;
}

// ---- panels and the queue

VPANEL FakeRuntime::CreatePanel(kgui::IClientPanel *client) {
  const VPANEL id = m_NextId++;
  m_Panels[id].client = client;
  return id;
}

void FakeRuntime::FreePanel(VPANEL panel) {
  FakePanelRecord *record = Get(panel);
  if (!record) return;
  SetParent(panel, 0);
  for (VPANEL child : std::vector<VPANEL>(record->children)) {
    if (FakePanelRecord *childRecord = Get(child)) childRecord->parent = 0;
  }
  m_Popups.erase(std::remove(m_Popups.begin(), m_Popups.end(), panel), m_Popups.end());
  m_Ticks.erase(panel);
  if (m_Focus == panel) m_Focus = 0;
  if (m_Capture == panel) m_Capture = 0;
  if (m_MouseOver == panel) m_MouseOver = 0;
  if (m_Modal == panel) m_Modal = 0;
  m_Panels.erase(panel);
}

HPanel FakeRuntime::PanelToHandle(VPANEL panel) {
  return Get(panel) ? panel : kgui::INVALID_PANEL_HANDLE;
}
VPANEL FakeRuntime::HandleToPanel(HPanel handle) {
  return Get(handle) ? handle : 0;
}

void FakeRuntime::MarkPanelForDeletion(VPANEL panel) {
  if (std::find(m_MarkedForDeletion.begin(), m_MarkedForDeletion.end(), panel) == m_MarkedForDeletion.end())
    m_MarkedForDeletion.push_back(panel);
}

void FakeRuntime::PostMessage(VPANEL target, KeyValues *message, VPANEL from, float delaySeconds) {
  if (!message) return;
  m_Queue.push_back({target, message, from, GetCurrentTime() + delaySeconds, m_nPostOrder++});
}

int FakeRuntime::DeliverMessages() {
  int delivered = 0;
  // Bounded, so a panel that posts to itself forever cannot hang a test.
  for (int round = 0; round < 10000; ++round) {
    const double now = GetCurrentTime();
    auto due =
        std::min_element(m_Queue.begin(), m_Queue.end(), [](const PostedMessage &a, const PostedMessage &b) {
          return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
    if (due == m_Queue.end() || due->due > now) break;
    PostedMessage posted = *due;
    m_Queue.erase(due);
    if (FakePanelRecord *record = Get(posted.target); record && record->client)
      record->client->OnMessage(posted.message, posted.from);
    posted.message->Destroy();
    ++delivered;
  }
  return delivered;
}

std::vector<KeyValues *> FakeRuntime::TakeMessagesFor(VPANEL target) {
  std::vector<KeyValues *> taken;
  auto it = m_Queue.begin();
  while (it != m_Queue.end()) {
    if (it->target == target) {
      taken.push_back(it->message);
      it = m_Queue.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

void FakeRuntime::RunFrame() {
  DeliverMessages();
  DeleteMarked();
  for (VPANEL top : TopLevelPanels()) ThinkTree(top);
  for (VPANEL top : TopLevelPanels()) LayoutTree(top);
  DeleteMarked();
}

void FakeRuntime::DeleteMarked() {
  std::vector<VPANEL> marked;
  marked.swap(m_MarkedForDeletion);
  for (VPANEL panel : marked) {
    if (FakePanelRecord *record = Get(panel); record && record->client) record->client->DeletePanel();
  }
}

void FakeRuntime::DeleteAllPanels() {
  // Roots first: a toolkit panel deletes its own children.
  for (int guard = 0; guard < 100000; ++guard) {
    VPANEL root = 0;
    for (auto &entry : m_Panels) {
      if (entry.first != m_Desktop && entry.second.client &&
          (entry.second.parent == 0 || entry.second.parent == m_Desktop)) {
        root = entry.first;
        break;
      }
    }
    if (!root) {
      for (auto &entry : m_Panels) {
        if (entry.first != m_Desktop && entry.second.client) {
          root = entry.first;
          break;
        }
      }
    }
    if (!root) return;
    m_Panels[root].client->DeletePanel();
    if (Get(root)) FreePanel(root);
  }
}

std::vector<VPANEL> FakeRuntime::TopLevelPanels() {
  std::vector<VPANEL> tops(m_Panels[m_Desktop].children);
  for (VPANEL popup : m_Popups) {
    if (std::find(tops.begin(), tops.end(), popup) == tops.end()) tops.push_back(popup);
  }
  return tops;
}

void FakeRuntime::ThinkTree(VPANEL panel) {
  FakePanelRecord *record = Get(panel);
  if (!record || !record->visible) return;
  if (record->client) record->client->Think();
  for (VPANEL child : std::vector<VPANEL>(record->children)) ThinkTree(child);
}

void FakeRuntime::LayoutTree(VPANEL panel) {
  FakePanelRecord *record = Get(panel);
  if (!record || !record->visible) return;
  if (record->layoutDirty && record->client) {
    record->layoutDirty = false;
    record->client->PerformLayout();
  }
  if ((record = Get(panel)) == nullptr) return;
  for (VPANEL child : std::vector<VPANEL>(record->children)) LayoutTree(child);
}

void FakeRuntime::PaintAll() {
  for (VPANEL top : TopLevelPanels()) PaintTree(top);
}

void FakeRuntime::PaintTree(VPANEL panel) {
  FakePanelRecord *record = Get(panel);
  if (!record || !record->visible || record->minimized) return;
  if (record->client) record->client->Paint();
  for (VPANEL child : std::vector<VPANEL>(record->children)) {
    if (!IsPopup(child)) PaintTree(child);
  }
  if ((record = Get(panel)) && record->client) record->client->PostChildPaint();
}

// ---- IPanel

void FakeRuntime::SetPos(VPANEL panel, int x, int y) {
  if (FakePanelRecord *r = Get(panel)) r->x = x, r->y = y;
}

void FakeRuntime::GetPos(VPANEL panel, int &x, int &y) {
  const FakePanelRecord *r = Get(panel);
  x = r ? r->x : 0;
  y = r ? r->y : 0;
}

void FakeRuntime::SetSize(VPANEL panel, int wide, int tall) {
  FakePanelRecord *r = Get(panel);
  if (!r) return;
  wide = std::max({wide, 0, r->minWide});
  tall = std::max({tall, 0, r->minTall});
  if (wide == r->wide && tall == r->tall) return;
  r->wide = wide;
  r->tall = tall;
  r->layoutDirty = true;
}

void FakeRuntime::GetSize(VPANEL panel, int &wide, int &tall) {
  const FakePanelRecord *r = Get(panel);
  wide = r ? r->wide : 0;
  tall = r ? r->tall : 0;
}

void FakeRuntime::SetMinimumSize(VPANEL panel, int wide, int tall) {
  if (FakePanelRecord *r = Get(panel)) r->minWide = wide, r->minTall = tall;
}

void FakeRuntime::GetMinimumSize(VPANEL panel, int &wide, int &tall) {
  const FakePanelRecord *r = Get(panel);
  wide = r ? r->minWide : 0;
  tall = r ? r->minTall : 0;
}

void FakeRuntime::SetInset(VPANEL panel, int left, int top, int right, int bottom) {
  if (FakePanelRecord *r = Get(panel))
    r->insetLeft = left, r->insetTop = top, r->insetRight = right, r->insetBottom = bottom;
}

void FakeRuntime::GetInset(VPANEL panel, int &left, int &top, int &right, int &bottom) {
  const FakePanelRecord *r = Get(panel);
  left = r ? r->insetLeft : 0;
  top = r ? r->insetTop : 0;
  right = r ? r->insetRight : 0;
  bottom = r ? r->insetBottom : 0;
}

void FakeRuntime::GetAbsPos(VPANEL panel, int &x, int &y) {
  x = y = 0;
  for (FakePanelRecord *r = Get(panel); r; r = r->popup ? nullptr : Get(r->parent)) {
    x += r->x;
    y += r->y;
  }
}

void FakeRuntime::GetClipRect(VPANEL panel, int &x0, int &y0, int &x1, int &y1) {
  GetAbsPos(panel, x0, y0);
  const FakePanelRecord *r = Get(panel);
  x1 = x0 + (r ? r->wide : 0);
  y1 = y0 + (r ? r->tall : 0);
}

void FakeRuntime::SetZPos(VPANEL panel, int z) {
  if (FakePanelRecord *r = Get(panel)) r->zpos = z;
}

int FakeRuntime::GetZPos(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r ? r->zpos : 0;
}

void FakeRuntime::MoveToFront(VPANEL panel) {
  FakePanelRecord *r = Get(panel);
  if (!r) return;
  if (FakePanelRecord *parent = Get(r->parent)) {
    auto &siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), panel), siblings.end());
    siblings.push_back(panel);
  }
}

void FakeRuntime::MoveToBack(VPANEL panel) {
  FakePanelRecord *r = Get(panel);
  if (!r) return;
  if (FakePanelRecord *parent = Get(r->parent)) {
    auto &siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), panel), siblings.end());
    siblings.insert(siblings.begin(), panel);
  }
}

void FakeRuntime::SetVisible(VPANEL panel, bool state) {
  if (FakePanelRecord *r = Get(panel)) r->visible = state;
}

bool FakeRuntime::IsVisible(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->visible;
}

bool FakeRuntime::IsFullyVisible(VPANEL panel) {
  for (FakePanelRecord *r = Get(panel); r; r = Get(r->parent)) {
    if (!r->visible) return false;
  }
  return Get(panel) != nullptr;
}

void FakeRuntime::SetEnabled(VPANEL panel, bool state) {
  if (FakePanelRecord *r = Get(panel)) r->enabled = state;
}

bool FakeRuntime::IsEnabled(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->enabled;
}

void FakeRuntime::SetMouseInputEnabled(VPANEL panel, bool state) {
  if (FakePanelRecord *r = Get(panel)) r->mouseInput = state;
}

bool FakeRuntime::IsMouseInputEnabled(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->mouseInput;
}

void FakeRuntime::SetKeyboardInputEnabled(VPANEL panel, bool state) {
  if (FakePanelRecord *r = Get(panel)) r->keyboardInput = state;
}

bool FakeRuntime::IsKeyboardInputEnabled(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->keyboardInput;
}

bool FakeRuntime::IsPopup(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->popup;
}

void FakeRuntime::SetTopmostPopup(VPANEL panel, bool state) {
  if (FakePanelRecord *r = Get(panel)) r->topmost = state;
}

bool FakeRuntime::IsTopmostPopup(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->topmost;
}

void FakeRuntime::SetParent(VPANEL panel, VPANEL newParent) {
  FakePanelRecord *r = Get(panel);
  if (!r) return;
  if (newParent && HasParent(newParent, panel)) return;
  if (FakePanelRecord *old = Get(r->parent))
    old->children.erase(std::remove(old->children.begin(), old->children.end(), panel), old->children.end());
  r->parent = newParent;
  if (FakePanelRecord *parent = Get(newParent)) parent->children.push_back(panel);
}

VPANEL FakeRuntime::GetParent(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r ? r->parent : 0;
}

int FakeRuntime::GetChildCount(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r ? static_cast<int>(r->children.size()) : 0;
}

VPANEL FakeRuntime::GetChild(VPANEL panel, int index) {
  const FakePanelRecord *r = Get(panel);
  return (r && index >= 0 && index < static_cast<int>(r->children.size())) ? r->children[index] : 0;
}

bool FakeRuntime::HasParent(VPANEL panel, VPANEL potentialParent) {
  for (VPANEL p = panel; p; p = GetParent(p)) {
    if (p == potentialParent) return true;
  }
  return false;
}

VPANEL FakeRuntime::FindChildByName(VPANEL panel, const char *name, bool recurse) {
  const FakePanelRecord *r = Get(panel);
  if (!r) return 0;
  for (VPANEL child : r->children) {
    if (!V_stricmp(GetName(child), name)) return child;
    if (recurse) {
      if (VPANEL found = FindChildByName(child, name, true)) return found;
    }
  }
  return 0;
}

void FakeRuntime::SetName(VPANEL panel, const char *name) {
  if (FakePanelRecord *r = Get(panel)) r->name = name ? name : "";
}

const char *FakeRuntime::GetName(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r ? r->name.c_str() : "";
}

const char *FakeRuntime::GetClassName(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return (r && r->client) ? r->client->GetClassName() : "";
}

kgui::IClientPanel *FakeRuntime::Client(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r ? r->client : nullptr;
}

void FakeRuntime::InvalidateLayout(VPANEL panel, bool layoutNow) {
  FakePanelRecord *r = Get(panel);
  if (!r) return;
  r->layoutDirty = true;
  if (layoutNow && r->client) {
    r->layoutDirty = false;
    r->client->PerformLayout();
  }
}

void FakeRuntime::SendMessage(VPANEL target, KeyValues *message, VPANEL from) {
  FakePanelRecord *r = Get(target);
  if (r && r->client) r->client->OnMessage(message, from);
}

bool FakeRuntime::RequestInfo(VPANEL panel, KeyValues *outputData) {
  FakePanelRecord *r = Get(panel);
  return r && r->client && r->client->RequestInfo(outputData);
}

// ---- IHostSurface

void FakeRuntime::GetScreenSize(int &wide, int &tall) {
  wide = 1280;
  tall = 800;
}

void FakeRuntime::GetWorkspaceBounds(int &x, int &y, int &wide, int &tall) {
  x = 0;
  y = 0;
  GetScreenSize(wide, tall);
}

void FakeRuntime::CreatePopup(VPANEL panel, bool minimised, bool, bool, bool, bool) {
  FakePanelRecord *r = Get(panel);
  if (!r) return;
  r->popup = true;
  r->minimized = minimised;
  if (!r->parent) SetParent(panel, m_Desktop);
  MovePopupToFront(panel);
}

void FakeRuntime::MovePopupToFront(VPANEL panel) {
  m_Popups.erase(std::remove(m_Popups.begin(), m_Popups.end(), panel), m_Popups.end());
  m_Popups.push_back(panel);
}

void FakeRuntime::MovePopupToBack(VPANEL panel) {
  m_Popups.erase(std::remove(m_Popups.begin(), m_Popups.end(), panel), m_Popups.end());
  m_Popups.insert(m_Popups.begin(), panel);
}

VPANEL FakeRuntime::GetPopup(int index) {
  return (index >= 0 && index < static_cast<int>(m_Popups.size())) ? m_Popups[index] : 0;
}

void FakeRuntime::SetMinimized(VPANEL panel, bool state) {
  if (FakePanelRecord *r = Get(panel)) r->minimized = state;
}

bool FakeRuntime::IsMinimized(VPANEL panel) {
  const FakePanelRecord *r = Get(panel);
  return r && r->minimized;
}

void FakeRuntime::DrawPrintText(const char16_t *text, int length) {
  ++m_nDrawCalls;
  if (m_bRecordTexts && text && length > 0) m_PrintedTexts.emplace_back(text, static_cast<size_t>(length));
  m_nTextX += 7 * length;
}

void FakeRuntime::GetTextSize(HFont font, const char16_t *text, int &wide, int &tall) {
  wide = font ? 7 * static_cast<int>(V_wcslen(text)) : 0;
  tall = font ? 16 : 0;
}

// ---- IHostScheme

kgui::IImage *FakeRuntime::GetImage(const char *imageName, bool) {
  std::unique_ptr<FakeImage> &image = m_Images[imageName ? imageName : ""];
  if (!image) image = std::make_unique<FakeImage>();
  return image.get();
}

Color FakeRuntime::GetColor(const char *name, Color defaultColor) {
  auto it = m_Colors.find(name ? name : "");
  return it == m_Colors.end() ? defaultColor : it->second;
}

// ---- IHostSystem

double FakeRuntime::GetCurrentTime() {
  return Plat_FloatTime();
}

KeyValues *FakeRuntime::GetUserConfigFileData(const char *dialogName, int dialogID) {
  const std::string key = std::string(dialogName ? dialogName : "") + "#" + std::to_string(dialogID);
  KeyValues *&data = m_UserConfig[key];
  if (!data) data = new KeyValues(dialogName ? dialogName : "");
  return data;
}

bool FakeRuntime::ShellExecute(const char *verb, const char *file) {
  if (!verb || V_stricmp(verb, "open")) return false;
  m_ShellExecuted.push_back(file ? file : "");
  return true;
}

void FakeRuntime::SetClipboardText(const char16_t *text, int length) {
  m_Clipboard.assign(text ? text : u"", text ? static_cast<size_t>(std::max(0, length)) : 0);
}

int FakeRuntime::GetClipboardText(int offset, char16_t *buffer, int bufferSizeInBytes) {
  const int capacity = bufferSizeInBytes / static_cast<int>(sizeof(char16_t));
  if (capacity <= 0) return 0;
  const int available = std::max(0, static_cast<int>(m_Clipboard.size()) - offset);
  const int count = std::min(available, capacity - 1);
  if (count > 0) std::copy_n(m_Clipboard.data() + offset, count, buffer);
  buffer[count] = u'\0';
  return count;
}

// ---- IHostInput

void FakeRuntime::SetFocus(VPANEL panel) {
  if (panel == m_Focus) return;
  if (panel && (!IsFullyVisible(panel) || !IsKeyboardInputEnabled(panel))) return;
  const VPANEL old = m_Focus;
  m_Focus = panel;
  if (old) {
    KeyValues message("KillFocus");
    Send(old, &message);
  }
  if (panel) {
    KeyValues message("SetFocus");
    Send(panel, &message);
  }
}

void FakeRuntime::SetMouseCapture(VPANEL panel) {
  if (panel == m_Capture) return;
  const VPANEL old = m_Capture;
  m_Capture = panel;
  if (old) {
    KeyValues message("MouseCaptureLost");
    Send(old, &message);
  }
}

// ---- IHostLocalize

const char16_t *FakeRuntime::Find(const char *tokenName) {
  if (!tokenName) return nullptr;
  std::string key = Lower(tokenName);
  if (key.empty() || key[0] != '#') key = "#" + key;
  auto it = m_Tokens.find(key);
  return it == m_Tokens.end() ? nullptr : it->second.c_str();
}

int FakeRuntime::ConstructStringArgs(char16_t *output, int outputSizeInBytes, const char16_t *format,
                                     int numArgs, const char16_t *const *args) {
  std::u16string result;
  for (const char16_t *p = format; p && *p; ++p) {
    if (p[0] == u'%' && p[1] == u's' && p[2] >= u'1' && p[2] <= u'9') {
      const int index = p[2] - u'1';
      if (index < numArgs && args[index]) result += args[index];
      p += 2;
    } else {
      result += *p;
    }
  }
  const int capacity = outputSizeInBytes / static_cast<int>(sizeof(char16_t));
  if (capacity <= 0) return 0;
  const int count = std::min(static_cast<int>(result.size()), capacity - 1);
  std::copy_n(result.data(), count, output);
  output[count] = u'\0';
  return count;
}

int FakeRuntime::ConstructStringVariables(char16_t *output, int outputSizeInBytes, const char16_t *format,
                                          KeyValues *variables) {
  std::u16string result;
  for (const char16_t *p = format; p && *p; ++p) {
    const char16_t *end = (*p == u'%') ? p + 1 : nullptr;
    while (end && *end && *end != u'%' && *end != u' ') ++end;
    if (end && *end == u'%' && end > p + 1 && variables) {
      const std::string name = kgui::WideToUtf8(std::u16string(p + 1, end).c_str());
      if (KeyValues *value = variables->FindKey(name.c_str())) {
        KeyValuesAD copy(value->MakeCopy());
        result += copy->GetWString();
        p = end;
        continue;
      }
    }
    result += *p;
  }
  const int capacity = outputSizeInBytes / static_cast<int>(sizeof(char16_t));
  if (capacity <= 0) return 0;
  const int count = std::min(static_cast<int>(result.size()), capacity - 1);
  std::copy_n(result.data(), count, output);
  output[count] = u'\0';
  return count;
}

// ---- IFileSystem

std::string FakeRuntime::FullPath(const char *fileName) const {
  std::string path = fileName ? fileName : "";
  std::replace(path.begin(), path.end(), '\\', '/');
  if (!path.empty() && path[0] == '/') return path;
  return m_FileRoot + "/" + path;
}

int FakeRuntime::OpenCount(const std::string &path) const {
  auto it = m_OpenCounts.find(FullPath(path.c_str()));
  return it == m_OpenCounts.end() ? 0 : it->second;
}

FileHandle_t FakeRuntime::Open(const char *fileName, const char *options, const char *) {
  if (m_FileRoot.empty()) return nullptr;
  const std::string path = FullPath(fileName);
  ++m_OpenCounts[path];
  // Reads as the host does them: a FIFO or a device is refused at once instead of waited on.
  FILE *file =
      IsWriteMode(options) ? fopen(path.c_str(), options) : OpenCheckedStream(path, CheckedFileRules());
  return file ? new FakeFile{file} : nullptr;
}

unsigned int FakeRuntime::Size(FileHandle_t file) {
  FILE *f = static_cast<FakeFile *>(file)->file;
  const long position = ftell(f);
  fseek(f, 0, SEEK_END);
  const long size = ftell(f);
  fseek(f, position, SEEK_SET);
  return size > 0 ? static_cast<unsigned int>(size) : 0;
}

int FakeRuntime::Read(void *output, int size, FileHandle_t file) {
  return static_cast<int>(fread(output, 1, static_cast<size_t>(size), static_cast<FakeFile *>(file)->file));
}

int FakeRuntime::Write(const void *input, int size, FileHandle_t file) {
  return static_cast<int>(fwrite(input, 1, static_cast<size_t>(size), static_cast<FakeFile *>(file)->file));
}

bool FakeRuntime::Close(FileHandle_t file) {
  auto *fake = static_cast<FakeFile *>(file);
  const bool ok = fclose(fake->file) == 0;
  delete fake;
  return ok;
}

bool FakeRuntime::RenameFile(const char *oldPath, const char *newPath, const char *) {
  return rename(FullPath(oldPath).c_str(), FullPath(newPath).c_str()) == 0;
}

bool FakeRuntime::RemoveFile(const char *path, const char *) {
  return remove(FullPath(path).c_str()) == 0;
}

bool FakeRuntime::GetLocalWritePath(const char *fileName, const char *, char *localPath, int localPathSize) {
  if (m_FileRoot.empty() || !localPath || localPathSize <= 0) return false;
  const std::string path = FullPath(fileName);
  if (path.size() >= static_cast<size_t>(localPathSize)) return false;
  memcpy(localPath, path.c_str(), path.size() + 1);
  return true;
}

// ---- input

void FakeRuntime::Send(VPANEL target, KeyValues *message) {
  SendMessage(target, message, 0);
}

void FakeRuntime::SendInput(VPANEL target, const char *name, const char *key, int value) {
  if (!target) return;
  KeyValues message(name);
  if (key) message.SetInt(key, value);
  Send(target, &message);
}

VPANEL FakeRuntime::HitTest(VPANEL panel, int x, int y) {
  FakePanelRecord *r = Get(panel);
  if (!r || !r->visible || !r->mouseInput || r->minimized) return 0;
  int absX = 0, absY = 0;
  GetAbsPos(panel, absX, absY);
  if (x < absX || y < absY || x >= absX + r->wide || y >= absY + r->tall) return 0;
  for (auto it = r->children.rbegin(); it != r->children.rend(); ++it) {
    if (IsPopup(*it)) continue;
    if (VPANEL hit = HitTest(*it, x, y)) return hit;
  }
  return panel;
}

VPANEL FakeRuntime::PanelAt(int x, int y) {
  for (auto it = m_Popups.rbegin(); it != m_Popups.rend(); ++it) {
    if (!IsFullyVisible(*it)) continue;
    if (VPANEL hit = HitTest(*it, x, y)) return hit;
  }
  const std::vector<VPANEL> &tops = m_Panels[m_Desktop].children;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    if (IsPopup(*it)) continue;
    if (VPANEL hit = HitTest(*it, x, y)) return hit;
  }
  return 0;
}

void FakeRuntime::MoveCursorTo(int x, int y) {
  m_nCursorX = x;
  m_nCursorY = y;
  const VPANEL over = m_Capture ? m_Capture : PanelAt(x, y);
  if (over != m_MouseOver) {
    SendInput(m_MouseOver, "CursorExited", nullptr, 0);
    m_MouseOver = over;
    SendInput(over, "CursorEntered", nullptr, 0);
  }
  if (!over) return;
  int absX = 0, absY = 0;
  GetAbsPos(over, absX, absY);
  KeyValues message("CursorMoved", "xpos", x - absX, "ypos", y - absY);
  Send(over, &message);
}

void FakeRuntime::ClickAt(int x, int y, kgui::MouseCode code) {
  MoveCursorTo(x, y);
  const VPANEL target = m_Capture ? m_Capture : m_MouseOver;
  for (VPANEL p = target; p; p = GetParent(p)) {
    if (IsPopup(p)) {
      MovePopupToFront(p);
      break;
    }
  }
  m_MouseDown.insert(code);
  SendInput(target, "MousePressed", "code", code);
  m_MouseDown.erase(code);
  SendInput(m_Capture ? m_Capture : m_MouseOver, "MouseReleased", "code", code);
}

void FakeRuntime::Click(kgui::Panel *panel, kgui::MouseCode code) {
  int x = 0, y = 0;
  GetAbsPos(panel->GetVPanel(), x, y);
  ClickAt(x + panel->GetWide() / 2, y + panel->GetTall() / 2, code);
}

void FakeRuntime::DoubleClick(kgui::Panel *panel) {
  Click(panel);
  SendInput(m_MouseOver, "MouseDoublePressed", "code", kgui::MOUSE_LEFT);
  SendInput(m_Capture ? m_Capture : m_MouseOver, "MouseReleased", "code", kgui::MOUSE_LEFT);
}

VPANEL FakeRuntime::KeyTarget() {
  if (m_Focus) return m_Focus;
  return m_Popups.empty() ? 0 : m_Popups.back();
}

void FakeRuntime::SetKeyDown(kgui::KeyCode code, bool down) {
  if (down)
    m_KeysDown.insert(code);
  else
    m_KeysDown.erase(code);
}

void FakeRuntime::PressKey(kgui::KeyCode code, bool control, bool shift) {
  if (control) SetKeyDown(kgui::KEY_LCONTROL, true);
  if (shift) SetKeyDown(kgui::KEY_LSHIFT, true);
  SetKeyDown(code, true);
  SendInput(KeyTarget(), "KeyCodePressed", "code", code);
  SendInput(KeyTarget(), "KeyCodeTyped", "code", code);
  SetKeyDown(code, false);
  SendInput(KeyTarget(), "KeyCodeReleased", "code", code);
  SetKeyDown(kgui::KEY_LCONTROL, false);
  SetKeyDown(kgui::KEY_LSHIFT, false);
}

void FakeRuntime::TypeText(const char *utf8) {
  for (char16_t ch : kgui::Utf8ToWide(utf8)) SendInput(KeyTarget(), "KeyTyped", "unichar", ch);
}

void FakeRuntime::Scroll(kgui::Panel *panel, int delta) {
  SendInput(panel->GetVPanel(), "MouseScrolled", "delta", delta);
}

}  // namespace kguitest
