#include "widgets/wx/SystemImageList.h"

#include <algorithm>
#include <memory>

#include <wx/artprov.h>
#include <wx/dcmemory.h>
#include <wx/imaglist.h>

namespace {

struct Lists {
  std::unique_ptr<wxImageList> small;
  std::unique_ptr<wxImageList> large;
};

Lists& TheLists() {
  static Lists lists;
  return lists;
}

// A plain drawing of the icon, used when the theme has none: a disk, a folder or a page.
wxBitmap DrawnIcon(int index, int size) {
  wxBitmap bitmap(size, size, 32);
  bitmap.UseAlpha();
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  const int m = size / 8;
  dc.SetPen(wxPen(wxColour(60, 60, 60)));
  switch (index) {
    case kIconFolder:
    case kIconFolderOpen:
      dc.SetBrush(wxBrush(wxColour(240, 200, 80)));
      dc.DrawRectangle(m, size / 4, size - 2 * m, size - size / 4 - m);
      dc.DrawRectangle(m, size / 6, size / 3, size / 8 + 1);
      break;
    case kIconFile:
      dc.SetBrush(*wxWHITE_BRUSH);
      dc.DrawRectangle(size / 5, m, size - 2 * (size / 5), size - 2 * m);
      break;
    default:
      dc.SetBrush(wxBrush(index == kIconCdrom ? wxColour(200, 200, 220) : wxColour(170, 170, 170)));
      dc.DrawRoundedRectangle(m, size / 3, size - 2 * m, size / 3, 2);
      dc.SetBrush(wxBrush(wxColour(40, 180, 40)));
      dc.DrawRectangle(size - 3 * m, size / 2 - 1, m, 2);
      break;
  }
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

// A red cross over the lower right of an icon, as deleted rows are marked.
wxBitmap CrossedOut(const wxBitmap& icon, int size) {
  wxImage image = icon.ConvertToImage();
  if (!image.HasAlpha()) image.InitAlpha();
  const int from = size / 2;
  const int thick = std::max(1, size / 10);
  for (int i = from; i < size - 1; ++i)
    for (int t = -thick; t <= thick; ++t)
      for (int x : {i, size - 1 - i + from}) {
        const int y = i + t;
        if (x < 0 || x >= size || y < 0 || y >= size) continue;
        image.SetRGB(x, y, 0xC8, 0x35, 0x2E);
        image.SetAlpha(x, y, 255);
      }
  return wxBitmap(image);
}

wxBitmap Icon(int index, int size) {
  if (index == kIconDeletedFolder) return CrossedOut(Icon(kIconFolder, size), size);
  if (index == kIconDeletedFile) return CrossedOut(Icon(kIconFile, size), size);
  static const wxArtID kArt[] = {wxART_HARDDISK, wxART_REMOVABLE,   wxART_CDROM,
                                 wxART_FOLDER,   wxART_FOLDER_OPEN, wxART_NORMAL_FILE};
  wxBitmap art = wxArtProvider::GetBitmap(kArt[index], wxART_OTHER, wxSize(size, size));
  if (art.IsOk() && art.GetWidth() != size) {
    art = wxBitmap(art.ConvertToImage().Rescale(size, size, wxIMAGE_QUALITY_HIGH));
  }
  return art.IsOk() ? art : DrawnIcon(index, size);
}

std::unique_ptr<wxImageList> MakeList(int size) {
  auto list = std::make_unique<wxImageList>(size, size, true, kIconCount);
  for (int i = 0; i < kIconCount; ++i) list->Add(Icon(i, size));
  return list;
}

}  // namespace

void InitSystemImageLists() {
  Lists& lists = TheLists();
  if (!lists.small) lists.small = MakeList(16);
  if (!lists.large) lists.large = MakeList(32);
}

wxImageList* SystemImageList() {
  return TheLists().small.get();
}
wxImageList* LargeSystemImageList() {
  return TheLists().large.get();
}

void FreeSystemImageLists() {
  TheLists().small.reset();
  TheLists().large.reset();
}
