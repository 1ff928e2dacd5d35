// Every bitmap the pages load from the bitmap folder, with what it shows. The build draws them
// from this table (res/BitmapGenerator.cpp), and pages load strips with the frame count given
// here: LoadFrameStrip3 for 3, LoadFrameStrip4 for 4. Pictures have no frames.
#pragma once

#include <array>
#include <string_view>

enum class BitmapKind {
  Button,      // a plain push button strip with its caption
  Toolbar,     // a square toolbar strip: a symbol above a short caption
  ModeButton,  // a wide mode-page button: a symbol beside the mode's name
  Picture,     // a single picture (message-box symbol, step banner, preview placeholder)
};

// What a picture or a toolbar/mode button shows besides its caption.
enum class BitmapSymbol {
  None,
  Information,
  Question,
  Step,
  Preview,
  NoPreview,
  Help,
  LoadLog,
  SaveLog,
  Search,
  Recover,
  Deleted,
  Formatted,
  Partition,
  Raw,
  DiskImage,
  AppIcon
};

struct BitmapEntry {
  std::string_view name;  // as the pages write it, with the leading backslash
  BitmapKind kind;
  int frames;  // 3 or 4 for strips, 1 for pictures
  int width;   // of one frame
  int height;
  std::string_view caption;
  BitmapSymbol symbol;
  int step;  // the current step of a step banner (2, 3 or 4), else 0
};

inline constexpr std::array<BitmapEntry, 41> kBitmapCatalogue = {{
    // Message boxes, dialogs and pages: 3-frame push buttons.
    {"\\ok.bmp", BitmapKind::Button, 3, 86, 26, "OK", BitmapSymbol::None, 0},
    {"\\Yes.bmp", BitmapKind::Button, 3, 86, 26, "Yes", BitmapSymbol::None, 0},
    {"\\yes.bmp", BitmapKind::Button, 3, 86, 26, "Yes", BitmapSymbol::None, 0},
    {"\\no.bmp", BitmapKind::Button, 3, 86, 26, "No", BitmapSymbol::None, 0},
    {"\\cancel.bmp", BitmapKind::Button, 3, 86, 26, "Cancel", BitmapSymbol::None, 0},
    {"\\browse.bmp", BitmapKind::Button, 3, 86, 26, "Browse", BitmapSymbol::None, 0},
    {"\\apply.bmp", BitmapKind::Button, 3, 86, 26, "Apply", BitmapSymbol::None, 0},
    {"\\retry.bmp", BitmapKind::Button, 3, 76, 23, "Retry", BitmapSymbol::None, 0},
    {"\\retryall.bmp", BitmapKind::Button, 3, 76, 23, "Retry All", BitmapSymbol::None, 0},
    {"\\skip.bmp", BitmapKind::Button, 3, 76, 23, "Skip", BitmapSymbol::None, 0},
    {"\\skipall.bmp", BitmapKind::Button, 3, 76, 23, "Skip All", BitmapSymbol::None, 0},
    {"\\abort.bmp", BitmapKind::Button, 3, 76, 23, "Abort", BitmapSymbol::None, 0},
    {"\\rename.bmp", BitmapKind::Button, 3, 76, 23, "Rename", BitmapSymbol::None, 0},
    {"\\Back-btn.bmp", BitmapKind::Button, 3, 96, 30, "< Back", BitmapSymbol::None, 0},
    {"\\SearchAdv.bmp", BitmapKind::Button, 3, 110, 28, "Start Search", BitmapSymbol::None, 0},
    // Buttons that pages disable: 4 frames, the last one greyed.
    {"\\Next-btn.bmp", BitmapKind::Button, 4, 96, 30, "Next >", BitmapSymbol::None, 0},
    {"\\Stop-btn.bmp", BitmapKind::Button, 4, 96, 30, "Stop", BitmapSymbol::None, 0},
    {"\\Save.bmp", BitmapKind::Button, 4, 96, 30, "Save", BitmapSymbol::None, 0},
    {"\\Settings_btn.bmp", BitmapKind::Button, 4, 96, 26, "Settings", BitmapSymbol::None, 0},
    // The analysis page's Pause/Resume and Hide/Show Details, each a pair of strips it swaps.
    {"\\Pause-btn.bmp", BitmapKind::Button, 4, 96, 30, "Pause", BitmapSymbol::None, 0},
    {"\\Resume-btn.bmp", BitmapKind::Button, 4, 96, 30, "Resume", BitmapSymbol::None, 0},
    {"\\HideDetails-btn.bmp", BitmapKind::Button, 4, 112, 30, "Hide Details", BitmapSymbol::None,
     0},
    {"\\ShowDetails-btn.bmp", BitmapKind::Button, 4, 112, 30, "Show Details", BitmapSymbol::None,
     0},
    // Toolbar: 4 frames.
    {"\\Help-tbar.bmp", BitmapKind::Toolbar, 4, 72, 56, "Help", BitmapSymbol::Help, 0},
    {"\\Load-Recovery-tbar.bmp", BitmapKind::Toolbar, 4, 72, 56, "Load Log", BitmapSymbol::LoadLog,
     0},
    {"\\Save-Recovery-tbar.bmp", BitmapKind::Toolbar, 4, 72, 56, "Save Log", BitmapSymbol::SaveLog,
     0},
    {"\\Search-tbar.bmp", BitmapKind::Toolbar, 4, 72, 56, "Search", BitmapSymbol::Search, 0},
    {"\\recover-tbar.bmp", BitmapKind::Toolbar, 4, 72, 56, "Settings", BitmapSymbol::Recover, 0},
    // Mode page: 3 frames.
    {"\\deleted-data-recovery.bmp", BitmapKind::ModeButton, 3, 320, 72, "Deleted Data Recovery",
     BitmapSymbol::Deleted, 0},
    {"\\formatted-data-recovery.bmp", BitmapKind::ModeButton, 3, 320, 72, "Formatted Data Recovery",
     BitmapSymbol::Formatted, 0},
    {"\\partition-data-recovery.bmp", BitmapKind::ModeButton, 3, 320, 72, "Partition Data Recovery",
     BitmapSymbol::Partition, 0},
    {"\\raw-data-recovery.bmp", BitmapKind::ModeButton, 3, 320, 72, "Raw Data Recovery",
     BitmapSymbol::Raw, 0},
    {"\\create-disk-image.bmp", BitmapKind::ModeButton, 3, 320, 72, "Create Disk Image",
     BitmapSymbol::DiskImage, 0},
    // Pictures.
    {"\\Information.bmp", BitmapKind::Picture, 1, 32, 32, "", BitmapSymbol::Information, 0},
    {"\\Question.bmp", BitmapKind::Picture, 1, 32, 32, "", BitmapSymbol::Question, 0},
    {"\\Step-2.bmp", BitmapKind::Picture, 1, 480, 48, "", BitmapSymbol::Step, 2},
    {"\\Step-3.bmp", BitmapKind::Picture, 1, 480, 48, "", BitmapSymbol::Step, 3},
    {"\\Step-4.bmp", BitmapKind::Picture, 1, 480, 48, "", BitmapSymbol::Step, 4},
    {"\\preview.bmp", BitmapKind::Picture, 1, 200, 150, "Preview", BitmapSymbol::Preview, 0},
    {"\\NoPreview.bmp", BitmapKind::Picture, 1, 200, 150, "No Preview", BitmapSymbol::NoPreview, 0},
    // The caption icon of the dialogs that show one.
    {"\\Merrowind.bmp", BitmapKind::Picture, 1, 32, 32, "", BitmapSymbol::AppIcon, 0},
}};

// The catalogue entry of a name as the pages write it, or nullptr.
constexpr const BitmapEntry* FindBitmapEntry(std::string_view name) {
  for (const auto& e : kBitmapCatalogue) {
    if (e.name == name) return &e;
  }
  return nullptr;
}
