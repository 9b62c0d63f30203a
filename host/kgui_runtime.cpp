#include "host/kgui_runtime.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kgui/IClientPanel.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/IGameLauncher.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kguihost {

namespace {

// A panel that posts itself a message on every delivery would otherwise hold the frame forever.
constexpr int kMaxDeliveryRounds = 16;
// Deletions that keep marking more panels stop after this many passes in one safe point.
constexpr int kMaxDeletionPasses = 64;

CKGuiRuntime *s_pLiveRuntime = nullptr;

}  // namespace

class CKGuiRuntime::CProvider final : public InterfaceProvider {
 public:
  explicit CProvider(CKGuiRuntime &runtime) : m_Runtime(runtime) {
    m_Factories.push_back(&CKGuiRuntime::Factory);
  }
  int GetFactoryCount() const override { return static_cast<int>(m_Factories.size()); }
  InterfaceFactoryFn GetFactory(int index) const override {
    return index >= 0 && index < GetFactoryCount() ? m_Factories[index] : nullptr;
  }
  void AddFactory(InterfaceFactoryFn factory) override {
    if (factory && std::find(m_Factories.begin(), m_Factories.end(), factory) == m_Factories.end()) {
      m_Factories.push_back(factory);
    }
  }
  bool HasInterface(const char *versionName) override { return QueryInterface(versionName) != nullptr; }
  void *QueryInterface(const char *versionName) override {
    if (void *own = m_Runtime.QueryInterface(versionName)) return own;
    for (size_t i = 1; i < m_Factories.size(); ++i) {
      if (void *found = m_Factories[i](versionName, nullptr)) return found;
    }
    return nullptr;
  }

 private:
  CKGuiRuntime &m_Runtime;
  std::vector<InterfaceFactoryFn> m_Factories;
};

CKGuiRuntime::CKGuiRuntime(const CRuntimeOptions &options)
    : m_Options(options),
      m_Textures(m_FileSystem),
      m_Renderer(options.screenWide, options.screenTall),
      m_Sounds(m_FileSystem),
      m_UserConfig(m_FileSystem, CUserConfigStore::kDefaultFile, "CONFIG"),
      m_KGui(*this),
      m_PanelInterface(*this),
      m_Surface(*this),
      m_Scheme(*this),
      m_System(*this, m_UserConfig),
      m_Input(*this),
      m_Localize(m_FileSystem, options.language),
      m_Notifications(*this),
      m_Desktop(*this),
      m_pProvider(std::make_unique<CProvider>(*this)) {
  Assert(s_pLiveRuntime == nullptr);
  s_pLiveRuntime = this;
  if (!options.gameDir.empty()) m_FileSystem.AddSearchPath(options.gameDir, "GAME");
  if (!options.userDir.empty()) m_FileSystem.AddSearchPath(options.userDir, "CONFIG");
  m_UserConfig.Load();
  TellOfDamagedUserConfig();

  CHostPanel *root = m_Panels.Create(&m_Desktop);
  root->name = "Desktop";
  root->wide = m_Renderer.Wide();
  root->tall = m_Renderer.Tall();
  m_Panels.SetRoot(root);
  m_Desktop.SetVPanel(root->id);
  m_FrameTime = Now();
  Invalidate();
}

void CKGuiRuntime::TellOfDamagedUserConfig() {
  // Long enough to be read after a slow start; it names the kept copy, so nothing is lost by missing it.
  constexpr int kNoticeMilliseconds = 30000;
  const std::string notice = m_UserConfig.TakeDamageNotice();
  if (notice.empty()) return;
  std::u16string text(notice.size() + 1, u'\0');
  V_UTF8ToUTF16(notice.c_str(), text.data(), static_cast<int>(text.size() * sizeof(char16_t)));
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  m_Notifications.ShowNotification(u"Settings reset", text.c_str(), kNoticeMilliseconds);
}

CKGuiRuntime::~CKGuiRuntime() {
  Shutdown();
  if (s_pLiveRuntime == this) s_pLiveRuntime = nullptr;
}

void *CKGuiRuntime::Factory(const char *versionName, int *returnCode) {
  void *found = s_pLiveRuntime ? s_pLiveRuntime->QueryInterface(versionName) : nullptr;
  if (returnCode) *returnCode = found ? IFACE_OK : IFACE_FAILED;
  return found;
}

void *CKGuiRuntime::QueryInterface(const char *versionName) {
  if (!versionName) return nullptr;
  struct Entry {
    const char *name;
    void *iface;
  };
  const Entry entries[] = {
      {KGUI_INTERFACE_VERSION, static_cast<kgui::IKGui *>(&m_KGui)},
      {KGUI_PANEL_INTERFACE_VERSION, static_cast<kgui::IPanel *>(&m_PanelInterface)},
      {KGUI_SURFACE_INTERFACE_VERSION, static_cast<kgui::IHostSurface *>(&m_Surface)},
      {KGUI_SCHEME_INTERFACE_VERSION, static_cast<kgui::IHostScheme *>(&m_Scheme)},
      {KGUI_SYSTEM_INTERFACE_VERSION, static_cast<kgui::IHostSystem *>(&m_System)},
      {KGUI_INPUT_INTERFACE_VERSION, static_cast<kgui::IHostInput *>(&m_Input)},
      {KGUI_LOCALIZE_INTERFACE_VERSION, static_cast<kgui::IHostLocalize *>(&m_Localize)},
      {KGUI_NOTIFICATION_INTERFACE_VERSION, static_cast<kgui::INotificationManager *>(&m_Notifications)},
      {FILESYSTEM_INTERFACE_VERSION, static_cast<IFileSystem *>(&m_FileSystem)},
      {GAMELAUNCHER_INTERFACE_VERSION, m_pLauncher},
  };
  for (const Entry &entry : entries) {
    if (strcmp(entry.name, versionName) == 0) return entry.iface;
  }
  return nullptr;
}

InterfaceProvider &CKGuiRuntime::Provider() {
  return *m_pProvider;
}

kgui::VPANEL CKGuiRuntime::RootPanel() const {
  CHostPanel *root = m_Panels.Root();
  return root ? root->id : kgui::NULL_PANEL;
}

double CKGuiRuntime::Now() const {
  return Plat_FloatTime();
}

// --- the frame

void CKGuiRuntime::RunFrame() {
  m_FrameTime = Now();
  ++m_FrameCount;
  DeliverMessages();
  DeleteMarkedPanels();
  RunTicks();
  DeleteMarkedPanels();
  for (IFrameClient *client : std::vector<IFrameClient *>(m_FrameClients)) {
    client->OnInputStep();
    DeleteMarkedPanels();
  }
  ThinkAndLayout();
  DeleteMarkedPanels();
  Paint();
  DeleteMarkedPanels();
  for (IFrameClient *client : std::vector<IFrameClient *>(m_FrameClients)) client->OnFramePainted();
  m_System.ReapChildren();
}

void CKGuiRuntime::AddFrameClient(IFrameClient *client) {
  if (client && std::find(m_FrameClients.begin(), m_FrameClients.end(), client) == m_FrameClients.end()) {
    m_FrameClients.push_back(client);
  }
}

void CKGuiRuntime::RemoveFrameClient(IFrameClient *client) {
  m_FrameClients.erase(std::remove(m_FrameClients.begin(), m_FrameClients.end(), client),
                       m_FrameClients.end());
}

void CKGuiRuntime::Deliver(const CQueuedMessage &message) {
  CHostPanel *target = m_Panels.Find(message.target);
  // A posted message may change anything the receiver shows; they are rare between changes.
  Invalidate();
  if (target && target->client) target->client->OnMessage(message.message, message.from);
  message.message->Destroy();
}

void CKGuiRuntime::DeliverMessages() {
  double now = Now();
  // Each round delivers what was posted before it began, so a chain of posts runs through within
  // the frame while a message that reposts itself waits for the next one.
  for (int round = 0; round < kMaxDeliveryRounds; ++round) {
    uint64 limit = m_Messages.NextSequence();
    CQueuedMessage message;
    bool any = false;
    while (m_Messages.TakeDue(now, limit, message)) {
      Deliver(message);
      any = true;
    }
    if (!any) break;
  }
}

void CKGuiRuntime::RunTicks() {
  for (kgui::VPANEL id : m_Ticks.TakeDue(Now())) {
    CHostPanel *panel = m_Panels.Find(id);
    if (!panel || !panel->client) continue;
    KeyValuesAD tick(new KeyValues("Tick"));
    panel->client->OnMessage(tick.get(), kgui::NULL_PANEL);
  }
  m_Input.SendFocusTicks();
}

void CKGuiRuntime::CollectShown(CHostPanel *panel, std::vector<kgui::VPANEL> &out) const {
  if (!panel->visible) return;
  out.push_back(panel->id);
  for (CHostPanel *child : panel->children) {
    if (!child->popup) CollectShown(child, out);
  }
}

void CKGuiRuntime::ThinkAndLayout() {
  // Top-level panels first, then popups back to front; each subtree parents first.
  std::vector<kgui::VPANEL> shown;
  if (CHostPanel *root = m_Panels.Root()) CollectShown(root, shown);
  for (CHostPanel *popup : m_Panels.Popups()) {
    if (m_Panels.IsShown(popup)) CollectShown(popup, shown);
  }
  for (kgui::VPANEL id : shown) {
    CHostPanel *panel = m_Panels.Find(id);
    if (panel && panel->client) panel->client->Think();
  }
  for (kgui::VPANEL id : shown) LayoutTree(id);
}

void CKGuiRuntime::LayoutTree(kgui::VPANEL id) {
  // Re-found each time: a layout may add, move or delete panels.
  CHostPanel *panel = m_Panels.Find(id);
  if (panel && panel->layoutDirty && m_Panels.IsShown(panel)) LayoutPanel(panel);
}

void CKGuiRuntime::LayoutPanel(CHostPanel *panel) {
  panel->layoutDirty = false;
  // A layout places and sizes what the panel shows; its children report their own moves.
  InvalidatePanel(panel);
  if (panel->client) panel->client->PerformLayout();
}

void CKGuiRuntime::Paint() {
  m_Notifications.Expire();
  const CRect screen = m_Panels.ScreenRect();
  if (m_AlwaysPaint) m_Damage = screen;
  const CRect area = m_Damage.Intersect(screen);
  m_Damage = CRect{};
  m_PaintedLastFrame = !area.IsEmpty();
  if (m_PaintedLastFrame) {
    ++m_PaintCount;
    m_PaintedArea = area;
    PaintArea(area);
  }
  if (m_CheckRepaint) CheckAgainstFullRepaint();
}

void CKGuiRuntime::PaintArea(const CRect &area) {
  // Painting is clipped to the area: what lies outside keeps the pixels of earlier frames.
  m_Renderer.Clear(Color(0, 0, 0, 255), area);
  if (CHostPanel *root = m_Panels.Root()) PaintTree(root->id, 0, 0, area);
  std::vector<kgui::VPANEL> popups;
  for (CHostPanel *popup : m_Panels.Popups()) popups.push_back(popup->id);
  for (kgui::VPANEL id : popups) {
    CHostPanel *popup = m_Panels.Find(id);
    if (popup && m_Panels.IsShown(popup)) PaintTree(id, 0, 0, area);
  }
  m_Renderer.PushContext(0, 0, area);
  m_Notifications.Paint();
  m_Renderer.PopContext();
}

void CKGuiRuntime::CheckAgainstFullRepaint() {
  cairo_surface_t *surface = m_Renderer.Surface();
  cairo_surface_flush(surface);
  // The buffer holds device pixels: at a scale above 1 there are more of them than logical ones.
  const size_t bytes = static_cast<size_t>(cairo_image_surface_get_stride(surface)) * m_Renderer.DeviceTall();
  const unsigned char *data = cairo_image_surface_get_data(surface);
  const std::vector<unsigned char> kept(data, data + bytes);
  // Repaints made while painting belong to the next frame, as without the check.
  const CRect pending = m_Damage;
  PaintArea(m_Panels.ScreenRect());
  m_Damage = pending;
  cairo_surface_flush(surface);
  data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < m_Renderer.DeviceTall(); ++y) {
    for (int x = 0; x < m_Renderer.DeviceWide(); ++x) {
      const size_t at = static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4;
      if (memcmp(data + at, kept.data() + at, 4) == 0) continue;
      ++m_StaleFrames;
      const int logicalX = static_cast<int>(x / m_Renderer.Scale());
      const int logicalY = static_cast<int>(y / m_Renderer.Scale());
      Warning("kgui-host: frame %llu kept stale pixels at %d,%d (%s)\n",
              static_cast<unsigned long long>(m_FrameCount), logicalX, logicalY,
              DescribePanelAt(logicalX, logicalY).c_str());
      return;
    }
  }
}

void CKGuiRuntime::PaintTree(kgui::VPANEL id, int originX, int originY, const CRect &parentClip) {
  CHostPanel *panel = m_Panels.Find(id);
  if (!panel || !panel->visible) return;
  int x = panel->popup ? panel->x : originX + panel->x;
  int y = panel->popup ? panel->y : originY + panel->y;
  CRect clip = CRect{x, y, x + panel->wide, y + panel->tall}.Intersect(parentClip);
  // Children are clipped to their parent: nothing of a fully clipped panel can show.
  if (clip.IsEmpty()) return;
  m_Renderer.PushContext(x, y, clip);
  if (panel->client) panel->client->Paint();
  m_Renderer.PopContext();
  std::vector<kgui::VPANEL> children;
  children.reserve(panel->children.size());
  for (CHostPanel *child : panel->children) {
    if (!child->popup) children.push_back(child->id);
  }
  for (kgui::VPANEL child : children) PaintTree(child, x, y, clip);
  panel = m_Panels.Find(id);
  if (!panel || !panel->client) return;
  m_Renderer.PushContext(x, y, clip);
  panel->client->PostChildPaint();
  m_Renderer.PopContext();
}

double CKGuiRuntime::NextDueTime() const {
  return std::min({m_Messages.NextDue(), m_Ticks.NextDue(), m_Notifications.NextExpiry()});
}

const CHostPanel *CKGuiRuntime::DeepestShownAt(const CHostPanel *panel, int x, int y) const {
  if (!panel->visible || !m_Panels.ClipRect(panel).Contains(x, y)) return nullptr;
  for (auto it = panel->children.rbegin(); it != panel->children.rend(); ++it) {
    if ((*it)->popup) continue;
    if (const CHostPanel *hit = DeepestShownAt(*it, x, y)) return hit;
  }
  return panel;
}

std::string CKGuiRuntime::DescribePanelAt(int x, int y) const {
  const CHostPanel *hit = nullptr;
  const auto &popups = m_Panels.Popups();
  for (auto it = popups.rbegin(); it != popups.rend() && !hit; ++it) {
    if (m_Panels.IsShown(*it)) hit = DeepestShownAt(*it, x, y);
  }
  if (!hit && m_Panels.Root()) hit = DeepestShownAt(m_Panels.Root(), x, y);
  std::string path;
  for (const CHostPanel *panel = hit; panel; panel = panel->parent) {
    path = panel->name + (path.empty() ? "" : "/") + path;
  }
  return path.empty() ? "no panel" : path;
}

// --- repaint

void CKGuiRuntime::Invalidate() {
  m_Damage = m_Panels.ScreenRect();
}

void CKGuiRuntime::Invalidate(const CRect &area) {
  m_Damage = m_Damage.Union(area.Intersect(m_Panels.ScreenRect()));
}

void CKGuiRuntime::InvalidatePanel(const CHostPanel *panel) {
  if (panel && m_Panels.IsShown(panel)) Invalidate(m_Panels.ClipRect(panel));
}

// --- panels

void CKGuiRuntime::MarkForDeletion(kgui::VPANEL id) {
  CHostPanel *panel = m_Panels.Find(id);
  if (!panel || panel == m_Panels.Root()) return;
  if (!m_Running) {
    DeleteNow(id);
    return;
  }
  if (panel->markedForDeletion) return;
  panel->markedForDeletion = true;
  m_PendingDeletion.push_back(id);
}

void CKGuiRuntime::DeleteNow(kgui::VPANEL id) {
  CHostPanel *panel = m_Panels.Find(id);
  if (!panel) return;
  if (panel->client) panel->client->DeletePanel();
  // A client that did not release its id is forgotten all the same.
  if (m_Panels.Find(id)) ForgetPanel(id);
}

void CKGuiRuntime::DeleteMarkedPanels() {
  for (int pass = 0; pass < kMaxDeletionPasses && !m_PendingDeletion.empty(); ++pass) {
    std::vector<kgui::VPANEL> pending;
    pending.swap(m_PendingDeletion);
    for (kgui::VPANEL id : pending) DeleteNow(id);
  }
}

void CKGuiRuntime::ForgetPanel(kgui::VPANEL id) {
  CHostPanel *panel = m_Panels.Find(id);
  if (!panel || panel == m_Panels.Root()) return;
  InvalidatePanel(panel);
  m_Input.OnPanelFreed(id);
  m_Ticks.Remove(id);
  m_Panels.Free(id);
}

void CKGuiRuntime::Shutdown() {
  if (!m_Running) return;
  DeleteMarkedPanels();
  m_Running = false;
  // Top-level panels and orphans first: a panel usually deletes its children itself.
  for (size_t guard = m_Panels.Count(); guard > 0 && m_Panels.Count() > 1; --guard) {
    for (kgui::VPANEL id : m_Panels.LiveIds()) {
      CHostPanel *panel = m_Panels.Find(id);
      if (!panel || panel == m_Panels.Root()) continue;
      if (!panel->parent || panel->parent == m_Panels.Root()) DeleteNow(id);
    }
  }
  m_Messages.Clear();
}

// --- screen and window

void CKGuiRuntime::SetScreenSize(int wide, int tall) {
  int oldWide = m_Renderer.Wide();
  int oldTall = m_Renderer.Tall();
  m_Renderer.Resize(wide, tall);
  Invalidate();
  CHostPanel *root = m_Panels.Root();
  if (!root || (m_Renderer.Wide() == oldWide && m_Renderer.Tall() == oldTall)) return;
  root->wide = m_Renderer.Wide();
  root->tall = m_Renderer.Tall();
  std::vector<kgui::VPANEL> windows;
  for (CHostPanel *child : root->children) windows.push_back(child->id);
  for (CHostPanel *popup : m_Panels.Popups()) {
    if (std::find(windows.begin(), windows.end(), popup->id) == windows.end()) windows.push_back(popup->id);
  }
  for (kgui::VPANEL id : windows) {
    KeyValuesAD message(new KeyValues("OnScreenSizeChanged", "oldwide", oldWide, "oldtall", oldTall));
    CHostPanel *panel = m_Panels.Find(id);
    if (panel && panel->client) panel->client->OnMessage(message.get(), kgui::NULL_PANEL);
  }
}

int CKGuiRuntime::ProportionalScale(int normalizedValue) const {
  return static_cast<int>(static_cast<int64>(normalizedValue) * m_Renderer.Tall() / 480);
}

kgui::HFont CKGuiRuntime::HostFont() {
  if (m_HostFont == kgui::INVALID_FONT) {
    m_HostFont = m_Fonts.Create();
    m_Fonts.SetGlyphSet(m_HostFont, "DejaVu Sans", 14, 400, 0);
  }
  return m_HostFont;
}

void CKGuiRuntime::FlashHostWindow() {
  if (m_pWindow) m_pWindow->Flash();
}

void CKGuiRuntime::WarpHostCursor(int x, int y) {
  if (m_pWindow) m_pWindow->WarpCursor(x, y);
}

}  // namespace kguihost
