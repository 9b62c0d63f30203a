// Panel: the message map every panel has, dispatch by name symbols, posting and sending, action
// signals, the default command handling and input events passed up to the parent.
#include <algorithm>

#include "kgui_controls/Panel.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "tier0/dbg.h"
#include "tier1/KeyValues.h"

namespace kgui {

BEGIN_MESSAGE_MAP(Panel, )
MESSAGE_ENTRY("Repaint", Repaint)
MESSAGE_ENTRY("Command", OnCommand, "command")
MESSAGE_ENTRY("MouseCaptureLost", OnMouseCaptureLost)
MESSAGE_ENTRY("SetFocus", OnSetFocus)
MESSAGE_ENTRY("KillFocus", OnKillFocus)
MESSAGE_ENTRY("Delete", OnDelete)
MESSAGE_ENTRY("SetAlpha", SetAlpha, "alpha")
MESSAGE_ENTRY("Tick", OnTick)
MESSAGE_ENTRY("OnCursorMoved", OnCursorMoved, "x", "y")
MESSAGE_ENTRY("OnMouseFocusTicked", OnMouseFocusTicked)
MESSAGE_ENTRY("OnRequestFocus", OnRequestFocus, "subFocus")
MESSAGE_ENTRY("OnScreenSizeChanged", OnScreenSizeChanged, "oldwide", "oldtall")
MESSAGE_ENTRY("LayoutFileChanged", OnLayoutFileChanged, "file")
MESSAGE_ENTRY("LocalizationFileChanged", OnLocalizationFileChanged)
MESSAGE_ENTRY("ClearSchemeSettings", InternalClearSchemeSettings)
MESSAGE_ENTRY("DialogVariables", OnDialogVariablesChanged, nullptr)
MESSAGE_ENTRY("CursorMoved", InternalCursorMoved, "xpos", "ypos")
MESSAGE_ENTRY("CursorEntered", InternalCursorEntered)
MESSAGE_ENTRY("CursorExited", InternalCursorExited)
MESSAGE_ENTRY("CursorEnteredChild", InternalCursorEnteredChild)
MESSAGE_ENTRY("CursorExitedChild", InternalCursorExitedChild)
MESSAGE_ENTRY("MousePressed", InternalMousePressed, "code")
MESSAGE_ENTRY("MouseDoublePressed", InternalMouseDoublePressed, "code")
MESSAGE_ENTRY("MouseTriplePressed", InternalMouseTriplePressed, "code")
MESSAGE_ENTRY("MouseReleased", InternalMouseReleased, "code")
MESSAGE_ENTRY("MouseScrolled", OnMouseWheeled, "delta")
MESSAGE_ENTRY("KeyCodePressed", InternalKeyCodePressed, "code")
MESSAGE_ENTRY("KeyCodeTyped", InternalKeyCodeTyped, "code")
MESSAGE_ENTRY("KeyTyped", OnKeyTyped, "unichar")
MESSAGE_ENTRY("KeyCodeReleased", InternalKeyCodeReleased, "code")
MESSAGE_ENTRY("KeyFocusTicked", OnKeyFocusTicked)
MESSAGE_ENTRY("MouseFocusTicked", InternalMouseFocusTicked)
MESSAGE_ENTRY("Invalidate", InternalInvalidateLayout)
MESSAGE_ENTRY("Move", OnMove)
END_MESSAGE_MAP()

namespace {

// The one entry of the legacy map, consulted after every class map.
constexpr char kLegacyMessage[] = "RequestFocus";
constexpr char kLegacyParam[] = "direction";

bool IsAcceptedPair(DataType_t first, DataType_t second) {
  static const DataType_t kPairs[][2] = {
      {DATATYPE_CONSTCHARPTR, DATATYPE_INT},  {DATATYPE_CONSTCHARPTR, DATATYPE_CONSTCHARPTR},
      {DATATYPE_INT, DATATYPE_INT},           {DATATYPE_INT, DATATYPE_CONSTCHARPTR},
      {DATATYPE_PTR, DATATYPE_INT},           {DATATYPE_PTR, DATATYPE_CONSTCHARPTR},
      {DATATYPE_PTR, DATATYPE_CONSTWCHARPTR}, {DATATYPE_CONSTWCHARPTR, DATATYPE_INT},
      {DATATYPE_UINT64, DATATYPE_UINT64},     {DATATYPE_UINT64, DATATYPE_CONSTCHARPTR},
  };
  return std::any_of(std::begin(kPairs), std::end(kPairs),
                     [&](const DataType_t *pair) { return pair[0] == first && pair[1] == second; });
}

// Reads one parameter. A parameter the message lacks is read from the message node itself, so a
// missing text reads "", a missing number 0 and a missing pointer null. False for a code that
// cannot be read here.
bool ReadParam(DataType_t type, HKeySymbol symbol, const char *name, KeyValues *message, MessageParam &out) {
  KeyValues *found = symbol ? message->FindKey(symbol) : nullptr;
  KeyValues *node = found ? found : message;
  KeyValues::ConversionStatus status = KeyValues::Success;
  switch (type) {
    case DATATYPE_CONSTCHARPTR:
      out.text = node->GetString(nullptr, "");
      return true;
    case DATATYPE_INT:
      out.i = node->GetInt(nullptr, 0, &status);
      return true;
    case DATATYPE_FLOAT:
      out.f = node->GetFloat(nullptr, 0.0f, &status);
      return true;
    case DATATYPE_PTR:
      out.ptr = node->GetPtr(nullptr, nullptr);
      return true;
    case DATATYPE_KEYVALUES:
      // Without a name: the whole message; with one: the record the named child points to.
      out.kv = name ? (found ? static_cast<KeyValues *>(found->GetPtr(nullptr, nullptr)) : nullptr) : message;
      return true;
    case DATATYPE_CONSTWCHARPTR:
      out.wtext = node->GetWString(nullptr, u"");
      return true;
    case DATATYPE_UINT64:
      out.u64 = node->GetUint64(nullptr, 0, &status);
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- dispatch

void Panel::OnMessage(KeyValues *message, VPANEL from) {
  (void)from;
  if (!message) return;
  if (DispatchThroughMaps(message)) return;
  if (DispatchLegacy(message)) return;
  if (KGui_IsMessageTraceEnabled())
    Msg("Message '%s' not handled by panel '%s'\n", message->GetName(), GetName());
}

bool Panel::DispatchThroughMaps(KeyValues *message) {
  PanelMessageMap *map = GetMessageMap();
  PreparePanelMessageMap(map);
  const HKeySymbol symbol = message->GetNameSymbol();
  for (; map; map = map->baseMap) {
    for (const MessageMapItem_t &entry : map->entries) {
      if (entry.nameSymbol == symbol) return DispatchEntry(entry, message);
    }
  }
  return false;
}

bool Panel::DispatchEntry(const MessageMapItem_t &entry, KeyValues *message) {
  MessageParam first{};
  MessageParam second{};
  switch (entry.numParams) {
    case 0:
      break;
    case 1:
      if (!ReadParam(entry.firstParamType, entry.firstParamSymbol, entry.firstParamName, message, first)) {
        Assert(!("No handler for kgui message function"));
        return true;
      }
      break;
    case 2:
      if (!IsAcceptedPair(entry.firstParamType, entry.secondParamType)) {
        Msg("Message '%s', sent to '%s', has invalid parameter types\n", message->GetName(), GetName());
        return true;
      }
      ReadParam(entry.firstParamType, entry.firstParamSymbol, entry.firstParamName, message, first);
      ReadParam(entry.secondParamType, entry.secondParamSymbol, entry.secondParamName, message, second);
      break;
    default:
      Assert(!("Invalid number of parameters"));
      return true;
  }
  entry.func(this, first, second);
  return true;
}

bool Panel::DispatchLegacy(KeyValues *message) {
  static const HKeySymbol s_LegacySymbol = KeyValuesSystemPlexa()->SymbolForName(kLegacyMessage, true);
  if (message->GetNameSymbol() != s_LegacySymbol) return false;
  // The legacy map finds parameters by name and reads a missing one as the reader's default.
  InternalRequestFocusLegacy(message->GetInt(kLegacyParam, 0));
  return true;
}

// ---- posting and sending

void Panel::PostMessage(Panel *target, KeyValues *message, float delaySeconds) {
  if (!target) {
    Assert(target);
    if (message) message->Destroy();
    return;
  }
  PostMessage(target->GetVPanel(), message, delaySeconds);
}

void Panel::PostMessage(VPANEL target, KeyValues *message, float delaySeconds) {
  if (!message) return;
  if (!ikgui()) {
    message->Destroy();
    return;
  }
  ikgui()->PostMessage(target, message, m_VPanel, delaySeconds);
}

void Panel::SendMessage(VPANEL target, KeyValues *message) {
  if (message && target != NULL_PANEL) ipanel()->SendMessage(target, message, m_VPanel);
}

void Panel::PassToParent(KeyValues *message) {
  const VPANEL parent = GetVParent();
  if (parent != NULL_PANEL) SendMessage(parent, message);
  message->Destroy();
}

// ---- action signals

void Panel::AddActionSignalTarget(Panel *target) {
  if (target) AddActionSignalTarget(target->GetVPanel());
}

void Panel::AddActionSignalTarget(VPANEL target) {
  if (target == NULL_PANEL) return;
  const HPanel handle = ikgui()->PanelToHandle(target);
  if (std::find(m_ActionSignalTargets.begin(), m_ActionSignalTargets.end(), handle) ==
      m_ActionSignalTargets.end())
    m_ActionSignalTargets.push_back(handle);
}

void Panel::RemoveActionSignalTarget(Panel *target) {
  if (!target) return;
  const HPanel handle = ikgui()->PanelToHandle(target->GetVPanel());
  auto it = std::find(m_ActionSignalTargets.begin(), m_ActionSignalTargets.end(), handle);
  if (it != m_ActionSignalTargets.end()) m_ActionSignalTargets.erase(it);
}

void Panel::PostActionSignal(KeyValues *message) {
  if (!message) return;
  message->SetPtr("panel", this);
  // Later targets get copies, newest first; the first-registered target gets the message itself.
  for (size_t i = m_ActionSignalTargets.size(); i > 1; --i) {
    const VPANEL target = ikgui()->HandleToPanel(m_ActionSignalTargets[i - 1]);
    if (target != NULL_PANEL) PostMessage(target, message->MakeCopy());
  }
  const VPANEL first =
      m_ActionSignalTargets.empty() ? NULL_PANEL : ikgui()->HandleToPanel(m_ActionSignalTargets[0]);
  if (first != NULL_PANEL)
    PostMessage(first, message);
  else
    message->Destroy();
}

void Panel::OnCommand(const char *command) {
  KeyValues *message = new KeyValues(command ? command : "");
  // A map entry named like the command may take it here; the owners hear it too.
  PostMessage(m_VPanel, message->MakeCopy());
  PostActionSignal(message);
}

// ---- default handlers

void Panel::OnDelete() {
  MarkForDeletion();
}

void Panel::OnMouseWheeled(int delta) {
  PassToParent(new KeyValues("MouseScrolled", "delta", delta));
}
void Panel::OnKeyCodePressed(KeyCode code) {
  PassToParent(new KeyValues("KeyCodePressed", "code", code));
}

void Panel::OnKeyCodeTyped(KeyCode code) {
  // Control-Tab belongs to tab sheets and travels up like any other key.
  if (code == KEY_TAB && !IsControlDown()) {
    RequestFocusNext(!IsShiftDown());
    return;
  }
  PassToParent(new KeyValues("KeyCodeTyped", "code", code));
}

void Panel::OnKeyTyped(int unichar) {
  PassToParent(new KeyValues("KeyTyped", "unichar", unichar));
}
void Panel::OnKeyCodeReleased(KeyCode code) {
  PassToParent(new KeyValues("KeyCodeReleased", "code", code));
}
void Panel::OnKeyFocusTicked() {
  PassToParent(new KeyValues("KeyFocusTicked"));
}
void Panel::OnMouseFocusTicked() {
  PassToParent(new KeyValues("OnMouseFocusTicked"));
}
void Panel::OnRequestFocus(int subFocus) {
  PassToParent(new KeyValues("OnRequestFocus", "subFocus", subFocus));
}

void Panel::OnScreenSizeChanged(int oldWide, int oldTall) {
  (void)oldWide, (void)oldTall;
  InvalidateLayout();
}

void Panel::OnLayoutFileChanged(const char *file) {
  // Every panel below hears of the change; the ones built from that file reload it.
  KeyValues *message = new KeyValues("LayoutFileChanged", "file", file ? file : "");
  const int count = GetChildCount();
  for (int i = 0; i < count; ++i) {
    if (Panel *child = GetChild(i)) SendMessage(child->GetVPanel(), message);
  }
  message->Destroy();
}

void Panel::OnLocalizationFileChanged() {
  KeyValues *message = new KeyValues("LocalizationFileChanged");
  const int count = GetChildCount();
  for (int i = 0; i < count; ++i) {
    if (Panel *child = GetChild(i)) SendMessage(child->GetVPanel(), message);
  }
  message->Destroy();
}

bool Panel::RequestInfo(KeyValues *outputData) {
  const VPANEL parent = GetVParent();
  return parent != NULL_PANEL && ipanel()->RequestInfo(parent, outputData);
}

}  // namespace kgui
