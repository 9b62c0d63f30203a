#include "host/key_names.h"

#include <array>
#include <string>

#include "kstdlib/strtools.h"

namespace kguihost {

namespace {

using namespace kgui;

struct NamedKey {
  KeyCode code;
  const char *name;
};

// Keys whose names are not made from their position in a run (digits, letters, keypad digits and
// function keys are).
constexpr NamedKey kNamedKeys[] = {
    {KEY_PAD_DIVIDE, "PAD_DIVIDE"}, {KEY_PAD_MULTIPLY, "PAD_MULTIPLY"}, {KEY_PAD_MINUS, "PAD_MINUS"},
    {KEY_PAD_PLUS, "PAD_PLUS"},     {KEY_PAD_ENTER, "PAD_ENTER"},       {KEY_PAD_DECIMAL, "PAD_DECIMAL"},
    {KEY_LBRACKET, "LBRACKET"},     {KEY_RBRACKET, "RBRACKET"},         {KEY_SEMICOLON, "SEMICOLON"},
    {KEY_APOSTROPHE, "APOSTROPHE"}, {KEY_BACKQUOTE, "BACKQUOTE"},       {KEY_COMMA, "COMMA"},
    {KEY_PERIOD, "PERIOD"},         {KEY_SLASH, "SLASH"},               {KEY_BACKSLASH, "BACKSLASH"},
    {KEY_MINUS, "MINUS"},           {KEY_EQUAL, "EQUAL"},               {KEY_NONUS_BACKSLASH, "NONUS_BACKSLASH"},
    {KEY_PRINTSCREEN, "PRINTSCREEN"}, {KEY_ENTER, "ENTER"},             {KEY_SPACE, "SPACE"},
    {KEY_BACKSPACE, "BACKSPACE"},   {KEY_TAB, "TAB"},                   {KEY_CAPSLOCK, "CAPSLOCK"},
    {KEY_NUMLOCK, "NUMLOCK"},       {KEY_ESCAPE, "ESCAPE"},             {KEY_SCROLLLOCK, "SCROLLLOCK"},
    {KEY_INSERT, "INSERT"},         {KEY_DELETE, "DELETE"},             {KEY_HOME, "HOME"},
    {KEY_END, "END"},               {KEY_PAGEUP, "PAGEUP"},             {KEY_PAGEDOWN, "PAGEDOWN"},
    {KEY_BREAK, "BREAK"},           {KEY_LSHIFT, "LSHIFT"},             {KEY_RSHIFT, "RSHIFT"},
    {KEY_LALT, "LALT"},             {KEY_RALT, "RALT"},                 {KEY_LCONTROL, "LCONTROL"},
    {KEY_RCONTROL, "RCONTROL"},     {KEY_LWIN, "LWIN"},                 {KEY_RWIN, "RWIN"},
    {KEY_APP, "APP"},               {KEY_UP, "UP"},                     {KEY_LEFT, "LEFT"},
    {KEY_DOWN, "DOWN"},             {KEY_RIGHT, "RIGHT"},
};

std::array<std::string, KEY_COUNT> BuildNames() {
  std::array<std::string, KEY_COUNT> names;
  for (int i = 0; i <= 9; ++i) {
    names[KEY_0 + i] = std::string(1, static_cast<char>('0' + i));
    names[KEY_PAD_0 + i] = "PAD_" + std::to_string(i);
  }
  for (int i = 0; i < 26; ++i) names[KEY_A + i] = std::string(1, static_cast<char>('A' + i));
  for (int i = 0; i < 12; ++i) names[KEY_F1 + i] = "F" + std::to_string(i + 1);
  for (const NamedKey &key : kNamedKeys) names[key.code] = key.name;
  return names;
}

const std::array<std::string, KEY_COUNT> &Names() {
  static const std::array<std::string, KEY_COUNT> names = BuildNames();
  return names;
}

}  // namespace

const char *KeyCodeName(KeyCode code) {
  if (code <= KEY_NONE || code >= KEY_COUNT) return "";
  return Names()[code].c_str();
}

KeyCode KeyCodeFromName(const char *name) {
  if (!name || !*name) return KEY_NONE;
  if (V_strnicmp(name, "KEY_", 4) == 0) name += 4;
  const auto &names = Names();
  for (int code = KEY_NONE + 1; code < KEY_COUNT; ++code) {
    if (V_stricmp(names[code].c_str(), name) == 0) return static_cast<KeyCode>(code);
  }
  return KEY_NONE;
}

KeyCode KeyCodeForChar(char32_t ch) {
  if (ch >= 'a' && ch <= 'z') return static_cast<KeyCode>(KEY_A + (ch - 'a'));
  if (ch >= 'A' && ch <= 'Z') return static_cast<KeyCode>(KEY_A + (ch - 'A'));
  if (ch >= '0' && ch <= '9') return static_cast<KeyCode>(KEY_0 + (ch - '0'));
  switch (ch) {
    case ' ': return KEY_SPACE;
    case '[': return KEY_LBRACKET;
    case ']': return KEY_RBRACKET;
    case ';': return KEY_SEMICOLON;
    case '\'': return KEY_APOSTROPHE;
    case '`': return KEY_BACKQUOTE;
    case ',': return KEY_COMMA;
    case '.': return KEY_PERIOD;
    case '/': return KEY_SLASH;
    case '\\': return KEY_BACKSLASH;
    case '-': return KEY_MINUS;
    case '=': return KEY_EQUAL;
    default: return KEY_NONE;
  }
}

}  // namespace kguihost
