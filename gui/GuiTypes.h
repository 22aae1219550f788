// Value types shared by every part of the view toolkit: integer pixel points
// and rectangles, colours, font ids and their tables, drawing attributes,
// mouse-button flags and wheel axes.
//
// Pixels are integers with y growing downward. A rectangle's right and bottom
// edges lie outside it. All of these are plain values, usable on any thread.
#pragma once

struct CPoint {
  long h = 0;
  long v = 0;

  constexpr CPoint() = default;
  constexpr CPoint(long x, long y) : h(x), v(y) {}

  CPoint& offset(long dx, long dy) {
    h += dx;
    v += dy;
    return *this;
  }
  bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
  bool operator!=(const CPoint& o) const { return !(*this == o); }
};

struct CRect {
  long left = 0;
  long top = 0;
  long right = 0;
  long bottom = 0;

  constexpr CRect() = default;
  constexpr CRect(long l, long t, long r, long b) : left(l), top(t), right(r), bottom(b) {}
  // A rectangle of the given size with its top-left corner at `origin`.
  constexpr CRect(const CPoint& origin, long width, long height)
      : left(origin.h), top(origin.v), right(origin.h + width), bottom(origin.v + height) {}

  long width() const { return right - left; }
  long height() const { return bottom - top; }
  CPoint topLeft() const { return CPoint(left, top); }
  CRect& setWidth(long w) {
    right = left + w;
    return *this;
  }
  CRect& setHeight(long h) {
    bottom = top + h;
    return *this;
  }
  CRect& offset(long dx, long dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
    return *this;
  }
  // Moves the rectangle so that its top-left corner is (x, y), keeping its size.
  CRect& moveTo(long x, long y) { return offset(x - left, y - top); }
  CRect& inset(long dx, long dy) {
    left += dx;
    right -= dx;
    top += dy;
    bottom -= dy;
    return *this;
  }
  // Swaps left/right and top/bottom where they are inverted.
  CRect& normalize();

  // left <= x < right and top <= y < bottom.
  bool pointInside(const CPoint& p) const {
    return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
  }
  bool isEmpty() const { return right <= left || bottom <= top; }
  // Intersection: left and top become the larger, right and bottom the
  // smaller; an empty result keeps zero width or height at its left or top.
  CRect& bound(const CRect& other);

  bool operator==(const CRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const CRect& o) const { return !(*this == o); }
};

// Red, green, blue and alpha bytes, in that order; alpha 255 is opaque.
struct CColor {
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  unsigned char alpha;

  bool operator==(const CColor& o) const {
    return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
  }
  bool operator!=(const CColor& o) const { return !(*this == o); }
};

inline constexpr CColor kCyanCColor = {0, 255, 255, 255};
inline constexpr CColor kMagentaCColor = {255, 0, 255, 255};
inline constexpr CColor kYellowCColor = {255, 255, 0, 255};
inline constexpr CColor kBlueCColor = {0, 0, 255, 255};
inline constexpr CColor kGreenCColor = {0, 255, 0, 255};
inline constexpr CColor kRedCColor = {255, 0, 0, 255};
inline constexpr CColor kGreyCColor = {127, 127, 127, 255};
inline constexpr CColor kWhiteCColor = {255, 255, 255, 255};
inline constexpr CColor kBlackCColor = {0, 0, 0, 255};
inline constexpr CColor kTransparentCColor = {255, 255, 255, 0};

// Font ids. Ids 0 to 6 are the sans face at the sizes of gStandardFontSize,
// id 7 the symbol face; 8 means "no font yet" inside a drawing context.
enum CFont {
  kFontSystem = 0,     // 12 pt
  kFontVeryBig = 1,    // 18 pt
  kFontBig = 2,        // 14 pt
  kFontNormal = 3,     // 12 pt
  kFontSmall = 4,      // 10 pt
  kFontSmaller = 5,    // 9 pt
  kFontVerySmall = 6,  // 9 pt
  kFontSymbol = 7,     // 12 pt
  kNumFonts = 8
};

// Face bits of a font: combine with |.
enum CTxtFace { kFaceNormal = 0, kFaceBold = 1, kFaceItalic = 2, kFaceUnderline = 4 };

// Standard size in points (one point is one pixel) of each font id.
inline constexpr long gStandardFontSize[kNumFonts] = {12, 18, 14, 12, 10, 9, 9, 12};
// Family of each font id; fontconfig maps these to installed faces.
inline constexpr const char* gMacXfontNames[kNumFonts] = {
    "Helvetica", "Helvetica", "Helvetica", "Helvetica",
    "Helvetica", "Helvetica", "Helvetica", "Symbol"};

enum CDrawStyle { kStyleStroked = 0, kStyleFilled = 1, kStyleFilledAndStroked = 2 };

// Left text starts one pixel inside the rectangle.
enum CHoriTxtAlign { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

// On-off dash: dashes and gaps as long as the line is wide.
enum CLineStyle { kLineStyleSolid = 0, kLineStyleDash = 1 };

// Only kDrawAntialiased draws anti-aliased; every other value draws aliased.
enum CDrawMode { kDrawAliased = 0, kDrawAntialiased = 3 };

// A wheel call without an axis means vertical.
enum CMouseWheelAxis { kWheelHorizontal = 0, kWheelVertical = 1 };

// Mouse-button word: buttons and modifier keys. A Control-click counts as the
// right button (without the Control flag).
enum CButtonState {
  kMouseLeft = 1,
  kMouseMiddle = 2,
  kMouseRight = 4,
  kModifierShift = 8,
  kModifierCommand = 16,
  kModifierOption = 32,
  kModifierControl = 64,
  kModifierMask = kModifierShift | kModifierCommand | kModifierOption | kModifierControl
};
