#pragma once
// vcGraphicText: a text drawn at an anchor point.
//
// The anchor `position` is in the coordinates of the list that holds the
// text; `offset` then moves the text by whole display pixels (x right, y
// down), so that labels keep their distance from a shape at any zoom. The
// text is drawn in `foreground` on a box of `background`, placed relative to
// the moved anchor as `format` says.
//   list.append(vcGraphicText(L"7", seg.midpoint(), vcColor::red(), vcColor::pass(),
//                             vcUIFormat(4), vcPair<long>(0, 0)));

#include <string>

#include "platform/base/pair.h"
#include "platform/base/vector.h"
#include "platform/graphics/color.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/ui_format.h"

class vcGraphicText : public vcGraphic {
 public:
  // Throws vcBadParamsError for a non-finite position.
  vcGraphicText(const std::wstring& text, const vcVector<2>& position, const vcColor& foreground,
                const vcColor& background, const vcUIFormat& format, const vcPair<long>& offset);

  const std::wstring& text() const { return text_; }
  const vcVector<2>& position() const { return position_; }
  const vcColor& foreground() const { return foreground_; }
  const vcColor& background() const { return background_; }
  const vcUIFormat& format() const { return format_; }
  const vcPair<long>& offset() const { return offset_; }

  void accept(vcGraphicVisitor& v) const override { v.visit(*this); }

 private:
  std::wstring text_;
  vcVector<2> position_;
  vcColor foreground_;
  vcColor background_;
  vcUIFormat format_;
  vcPair<long> offset_;
};
