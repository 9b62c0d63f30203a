// Reads a window's pixels back from an X server: what the screen shows of it, not what the
// program meant to show. Kept apart so Xlib's macros stay out of the tests' headers.
#pragma once

#include <cairo.h>

#include <string>

// The pixels of `window` on `display` as an opaque image (the caller destroys it); null when the
// display or the window cannot be read.
cairo_surface_t *CaptureXWindow(const std::string &display, unsigned long window);
