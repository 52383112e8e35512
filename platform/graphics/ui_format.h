#pragma once
// Where a text sits relative to its anchor point.
//
// The alignment code picks one of a 3 x 3 grid of anchor positions:
// code = 3 * vertical + horizontal, horizontal 0 left, 1 centre,
// 2 right (the anchor lies at the left edge, centre or right edge of the
// text), vertical 0 top, 1 middle, 2 bottom. Code 4 centres the text on the
// anchor both ways, the usual choice for a label on a segment midpoint.
//   vcGraphicText t(L"7", mid, fg, bg, vcUIFormat(4), vcPair<long>(0, 0));

class vcUIFormat {
 public:
  enum veHorizontal { eLeft = 0, eCenter = 1, eRight = 2 };
  enum veVertical { eTop = 0, eMiddle = 1, eBottom = 2 };

  // Code 0: the anchor is the text's upper-left corner.
  vcUIFormat() = default;
  // Requires 0 <= alignment <= 8; throws vcBadParamsError otherwise.
  explicit vcUIFormat(long alignment);

  long alignment() const { return alignment_; }
  veHorizontal horizontal() const { return static_cast<veHorizontal>(alignment_ % 3); }
  veVertical vertical() const { return static_cast<veVertical>(alignment_ / 3); }

  bool operator==(const vcUIFormat&) const = default;

 private:
  long alignment_ = 0;
};
