#include "platform/graphics/graphic_text.h"

#include "platform/graphics/drawable_check.h"

vcGraphicText::vcGraphicText(const std::wstring& text, const vcVector<2>& position,
                             const vcColor& foreground, const vcColor& background,
                             const vcUIFormat& format, const vcPair<long>& offset)
    : text_(text),
      position_(position),
      foreground_(foreground),
      background_(background),
      format_(format),
      offset_(offset) {
  vfCheckDrawable(position_, L"vcGraphicText");
}
