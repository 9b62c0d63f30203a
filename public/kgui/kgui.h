// Basic types of the host GUI runtime: panel ids, weak handles, fonts, schemes, textures, cursors.
// Every runtime interface lives in namespace kgui and is found by its version name through the
// host's InterfaceProvider.
#pragma once

#include "tier0/platform.h"
#include "tier1/color.h"

class KeyValues;

namespace kgui {

// The host's 32-bit id of a panel; 0 is no panel. Ids are never reused while the host runs.
using VPANEL = uint32;
constexpr VPANEL NULL_PANEL = 0;

// A weak handle to a panel: it turns back into the panel id only while the panel exists.
using HPanel = uint32;
constexpr HPanel INVALID_PANEL_HANDLE = 0xFFFFFFFFu;

// A font made by IHostSurface::CreateFont or named in the scheme; 0 draws and measures nothing.
using HFont = uint32;
constexpr HFont INVALID_FONT = 0;

// A scheme loaded by IHostScheme; 0 is none.
using HScheme = uint32;
constexpr HScheme INVALID_SCHEME = 0;

// A texture made by IHostSurface::CreateNewTextureID; -1 is none.
using HTexture = int;
constexpr HTexture INVALID_TEXTURE = -1;

// Mouse cursor shapes for IHostSurface::SetCursor.
enum CursorCode {
  dc_user = 0,
  dc_none,
  dc_arrow,
  dc_ibeam,
  dc_hourglass,
  dc_crosshair,
  dc_up,
  dc_sizenwse,
  dc_sizenesw,
  dc_sizewe,
  dc_sizens,
  dc_sizeall,
  dc_no,
  dc_hand,
  dc_last,
};
using HCursor = uint32;

// Flags of IHostSurface::SetFontGlyphSet.
enum FontFlags {
  FONTFLAG_NONE = 0,
  FONTFLAG_ITALIC = 0x001,
  FONTFLAG_UNDERLINE = 0x002,
  FONTFLAG_STRIKEOUT = 0x004,
  FONTFLAG_SYMBOL = 0x008,
  FONTFLAG_ANTIALIAS = 0x010,  // text is always smoothed here; kept so callers can ask for it
  FONTFLAG_MONOSPACE = 0x020,
};

}  // namespace kgui
