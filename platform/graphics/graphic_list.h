#pragma once
// vcGraphicList: an ordered list of shared graphics, drawn first to last.
//
//   vcGraphicList list;
//   list.append(vcGraphicSimple<vcLineSeg>(seg, vcColor::green()));   // copies into a new body
//   vcPtrHandle<vcGraphic> g(new vcGraphicText(...));
//   list.append(g);                                                 // shares g's body
//   record.graphics(list, vcDiagRecord::eClientCoords, L"Lines");
//   list.accept(painter);                                           // read it back
// Copying a list shares its graphics, which are immutable.

#include <concepts>
#include <vector>

#include "platform/base/handle.h"
#include "platform/graphics/graphic.h"

class vcGraphicList {
 public:
  // Appends a shared graphic. Throws vcBadParamsError for a null handle.
  void append(const vcPtrHandle_const<vcGraphic>& graphic);
  // Appends a new shared copy of `graphic`.
  template <std::derived_from<vcGraphic> G>
  void append(const G& graphic) {
    append(vcPtrHandle_const<vcGraphic>(new G(graphic)));
  }

  long size() const { return static_cast<long>(graphics_.size()); }
  bool empty() const { return graphics_.empty(); }
  // The graphic at position i. Requires 0 <= i < size(); throws vcBadParamsError otherwise.
  const vcGraphic& graphic(long i) const;

  // Visits every graphic in list order.
  void accept(vcGraphicVisitor& v) const;

 private:
  std::vector<vcPtrHandle_const<vcGraphic>> graphics_;
};
