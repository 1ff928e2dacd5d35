// Fuzzes what the menus read from resources: the input is read as a toolbar record, as a packed
// bitmap (decoded when it reads), as a menu template, and as both the toolbar and the bitmap a
// menu takes its images from. Each reader must refuse or read within the input, and a decoded
// bitmap must have the size its header gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "unreferenced/BCMenu.h"
#include "unreferenced/FakeNativeMenus.h"
#include "unreferenced/MenuResources.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);

  if (std::optional<MenuToolbar> toolbar = ParseToolbarResource(bytes))
    Check(8 + 2 * toolbar->commands.size() <= size);

  if (std::optional<PackedDib> dib = ReadPackedDib(bytes)) {
    Check(dib->rows.data() >= bytes.data() &&
          dib->rows.data() + dib->rows.size() <= bytes.data() + bytes.size());
    const std::int64_t height =
        dib->header.height < 0 ? -std::int64_t{dib->header.height} : dib->header.height;
    // Large pictures only cost time; their reading was checked above.
    if (std::int64_t{dib->header.width} * height <= 256 * 256) {
      const PixelSurface image = DecodePackedDib(*dib);
      Check(image.Width() == dib->header.width && image.Height() == height);
    }
  }

  ResetMenuGlobals();
  FakeNativeMenus native;
  {
    BCMenu menu(native);
    if (menu.LoadMenu(bytes)) menu.SynchronizeMenu();
    MenuResourceTable& resources = GetMenuGlobals().resources;
    resources.AddToolbar(1, std::vector<std::byte>(bytes.begin(), bytes.end()));
    if (size <= 4096) resources.AddBitmap(1, std::vector<std::byte>(bytes.begin(), bytes.end()));
    menu.AddToolbarImages(1);
  }
  ResetMenuGlobals();
  return 0;
}
