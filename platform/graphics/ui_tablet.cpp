#include "platform/graphics/ui_tablet.h"

#include "platform/graphics/drawable_check.h"

void vcUITablet::draw(const vcPolygon& polygon, const vcColor& color, long layer) {
  vfCheckDrawable(polygon, L"vcUITablet::draw");
  sketch_.items_.push_back(vsSketchPolygon{polygon, color, layer});
}

void vcUITablet::drawCircle(const vcCircle& circle, const vcColor& color, long layer) {
  sketch_.items_.push_back(vsSketchCircle{circle, color, layer});
}

void vcUITablet::drawPixel(const vcVector<2>& position, const vcColor& color, long layer) {
  vfCheckDrawable(position, L"vcUITablet::drawPixel");
  sketch_.items_.push_back(vsSketchPixel{position, color, layer});
}
