// The state and rules of the bitmap button with a menu: its six colours and their setters' result
// codes, image placement beside or above the caption, which image and colours a paint uses, grey
// and darker copies of its images, its link and its sounds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "unreferenced/PixelSurface.h"

// Setter results.
inline constexpr int BTNST_OK = 0;
inline constexpr int BTNST_INVALIDRESOURCE = 1;
inline constexpr int BTNST_FAILEDMASK = 2;
inline constexpr int BTNST_INVALIDINDEX = 3;
inline constexpr int BTNST_INVALIDALIGN = 4;
inline constexpr int BTNST_BADPARAM = 5;
inline constexpr int BTNST_INVALIDPRESSEDSTYLE = 6;

// Colour indices: background and text while hovered or pressed, when neither, and focused.
inline constexpr int BTNST_COLOR_BK_IN = 0;
inline constexpr int BTNST_COLOR_FG_IN = 1;
inline constexpr int BTNST_COLOR_BK_OUT = 2;
inline constexpr int BTNST_COLOR_FG_OUT = 3;
inline constexpr int BTNST_COLOR_BK_FOCUS = 4;
inline constexpr int BTNST_COLOR_FG_FOCUS = 5;

// Image alignments.
inline constexpr int ST_ALIGN_HORIZ = 0;
inline constexpr int ST_ALIGN_VERT = 1;
inline constexpr int ST_ALIGN_HORIZ_RIGHT = 2;
inline constexpr int ST_ALIGN_OVERLAP = 3;

// Sound flags.
inline constexpr unsigned SND_ASYNC = 0x1;
inline constexpr unsigned SND_NODEFAULT = 0x2;
inline constexpr unsigned SND_NOWAIT = 0x2000;
inline constexpr unsigned SND_RESOURCE = 0x40004;
inline constexpr unsigned SND_FILENAME = 0x20000;

// Names and links fit 260 units with their terminating NUL.
inline constexpr std::size_t kButtonTextCapacity = 260;

struct ButtonSound {
  std::u16string name;  // empty: no sound
  unsigned flags = 0;
};

// Plays a button's sounds; the program's implementation may do nothing.
class ButtonSoundPlayer {
 public:
  virtual ~ButtonSoundPlayer() = default;
  virtual void Play(const ButtonSound& sound) = 0;
};

// The system colours of a button's 3-D border.
struct ButtonBorderColours {
  ColorRef highlight = 0xFFFFFF;
  ColorRef light = 0xE3E3E3;
  ColorRef shadow = 0xA0A0A0;
  ColorRef darkShadow = 0x696969;
};

// One line of a border: a rectangle one pixel wide or high.
struct ButtonBorderLine {
  SurfaceRect rect;
  ColorRef colour;
};

class ButtonStModel {
 public:
  ButtonStModel();

  void SetDefaultColors(ColorRef face, ColorRef text);
  int SetColor(int index, ColorRef colour);
  int GetColor(int index, ColorRef& colour) const;
  // Adds the shade to each channel of the colour, limited so that no channel leaves 0..255.
  int OffsetColor(int index, int shade);
  int SetAlign(int align);
  int GetAlign() const { return m_Align; }
  // Style 0 moves the pressed image and caption by (1, 1), style 1 by (0, 2).
  int SetPressedStyle(int style);

  // A name longer than its buffer is refused, so that a cut name never plays another file.
  int SetSound(const char16_t* name, bool resource, bool onClick, bool async);
  const ButtonSound& HoverSound() const { return m_HoverSound; }
  const ButtonSound& ClickSound() const { return m_ClickSound; }
  // A link longer than its buffer is refused rather than opened cut short.
  int SetURL(std::u16string_view link);
  const std::u16string& URL() const { return m_Link; }

  // The state of one paint.
  struct PaintState {
    bool selected = false;  // the mouse button is down on the button
    bool focused = false;
    bool hovering = false;
    bool menuShowing = false;
  };
  bool IsPressed(const PaintState& state) const;
  // The out image shows while the button is neither pressed nor hovered (a check box: while it
  // is not pressed).
  bool UsesOutImage(const PaintState& state, bool hasOutImage) const;
  ColorRef Background(const PaintState& state) const;
  ColorRef TextColour(const PaintState& state) const;
  // Places an image of width x height in the item rectangle and moves the caption rectangle
  // beside it.
  // The border of a paint, in drawing order: a pressed flat button sunken and a hovered one
  // raised (both only with the border drawn), a pressed framed button a shadow frame, and a
  // framed button at rest two light lines top and left and two dark ones bottom and right.
  std::vector<ButtonBorderLine> BorderLines(const SurfaceRect& rect, const PaintState& state,
                                            const ButtonBorderColours& colours) const;
  SurfaceRect PrepareImageRect(bool hasCaption, const SurfaceRect& item, SurfaceRect& caption,
                               bool pressed, int width, int height) const;

  bool flat = true;
  bool checkBox = false;
  bool checked = false;
  bool drawBorder = true;
  bool drawFlatFocus = false;
  bool defaultButton = false;
  int xMargin = 3;
  int yMargin = 3;
  int pressedOffsetX = 1;
  int pressedOffsetY = 1;

 private:
  ColorRef m_Colours[6] = {};
  int m_Align = ST_ALIGN_HORIZ;
  ButtonSound m_HoverSound;
  ButtonSound m_ClickSound;
  std::u16string m_Link;
};

// Copies with every pixel but the transparent colour made grey (0.299 R + 0.587 G + 0.114 B)
// or darker by a quarter.
PixelSurface CreateGrayscaleImage(const PixelSurface& image, ColorRef transparent);
PixelSurface CreateDarkerImage(const PixelSurface& image, ColorRef transparent);
