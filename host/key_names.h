// Names of the key codes as scripts write them ("ENTER", "F5", "A", "PAD_7").
#pragma once

#include "kgui/KeyCode.h"

namespace kguihost {

// "" for a code without a name.
const char *KeyCodeName(kgui::KeyCode code);
// The code of a name, ignoring case and an optional "KEY_" prefix; KEY_NONE when unknown.
kgui::KeyCode KeyCodeFromName(const char *name);
// The key that types an ASCII character without shift (letters either case, digits, space,
// punctuation); KEY_NONE for others.
kgui::KeyCode KeyCodeForChar(char32_t ch);

}  // namespace kguihost
