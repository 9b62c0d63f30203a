#include "x_window_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

namespace {

// A window that has gone answers with an error: the capture reports null instead of ending us.
int IgnoreXError(Display *, XErrorEvent *) {
  return 0;
}

// Where a mask's lowest bit sits.
int MaskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

cairo_surface_t *ImageToSurface(XImage *image) {
  cairo_surface_t *picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image->width, image->height);
  auto *data = reinterpret_cast<uint32_t *>(cairo_image_surface_get_data(picture));
  const int stride = cairo_image_surface_get_stride(picture) / 4;
  const int red = MaskShift(image->red_mask), green = MaskShift(image->green_mask);
  const int blue = MaskShift(image->blue_mask);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      data[y * stride + x] = static_cast<uint32_t>(((pixel & image->red_mask) >> red) << 16 |
                                                   ((pixel & image->green_mask) >> green) << 8 |
                                                   ((pixel & image->blue_mask) >> blue));
    }
  }
  cairo_surface_mark_dirty(picture);
  return picture;
}

}  // namespace

cairo_surface_t *CaptureXWindow(const std::string &display, unsigned long window) {
  Display *connection = XOpenDisplay(display.c_str());
  if (!connection) return nullptr;
  XSetErrorHandler(IgnoreXError);
  XWindowAttributes attributes{};
  cairo_surface_t *picture = nullptr;
  if (XGetWindowAttributes(connection, window, &attributes)) {
    XImage *image =
        XGetImage(connection, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image) {
      picture = ImageToSurface(image);
      XDestroyImage(image);
    }
  }
  XCloseDisplay(connection);
  return picture;
}
