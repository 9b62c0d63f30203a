// ImageList: images by index, for lists that show an image per cell. Index 0 is a blank image
// that draws nothing, so a cell without an image can hold 0.
#pragma once

#include <memory>
#include <vector>

namespace kgui {

class IImage;

class ImageList {
 public:
  ImageList();
  ~ImageList();
  ImageList(const ImageList &) = delete;
  ImageList &operator=(const ImageList &) = delete;

  // Appends an image (not owned: the host's images live with the host); returns its index.
  int AddImage(IImage *image);
  // Puts an image at `index`, growing the list with blank images as needed.
  void SetImageAtIndex(int index, IImage *image);
  // The image at `index`, or the blank image for an index out of range.
  IImage *GetImage(int index);
  int GetImageCount() const { return static_cast<int>(m_Images.size()); }
  bool IsValidIndex(int index) const { return index >= 0 && index < GetImageCount(); }

 private:
  class BlankImage;
  std::unique_ptr<BlankImage> m_pBlank;
  std::vector<IImage *> m_Images;
};

}  // namespace kgui
