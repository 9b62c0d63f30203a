// ImageList: indexed images with a blank image at index 0.
#include "kgui_controls/ImageList.h"

#include "kgui/IImage.h"

namespace kgui {

class ImageList::BlankImage final : public IImage {
 public:
  void Paint() override {}
  void SetPos(int, int) override {}
  void GetContentSize(int &wide, int &tall) override { wide = tall = 0; }
  void GetSize(int &wide, int &tall) override { wide = tall = 0; }
  void SetSize(int, int) override {}
  void SetColor(Color) override {}
  Color GetColor() override { return Color(); }
};

ImageList::ImageList() : m_pBlank(std::make_unique<BlankImage>()) {
  m_Images.push_back(m_pBlank.get());
}

ImageList::~ImageList() = default;

int ImageList::AddImage(IImage *image) {
  m_Images.push_back(image ? image : m_pBlank.get());
  return GetImageCount() - 1;
}

void ImageList::SetImageAtIndex(int index, IImage *image) {
  if (index < 0) return;
  while (GetImageCount() <= index) m_Images.push_back(m_pBlank.get());
  m_Images[index] = image ? image : m_pBlank.get();
}

IImage *ImageList::GetImage(int index) {
  return IsValidIndex(index) ? m_Images[index] : m_pBlank.get();
}

}  // namespace kgui
