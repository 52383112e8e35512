#include "apps/shapesel/overlay.h"

#include "io/render_png.h"
#include "io/render_raster.h"
#include "platform/diag/diag_record.h"

void vfWriteOverlay(const std::string& path, const vcPelBuffer_const<unsigned char>& image,
                    const vcGraphicList& graphics, long zoom) {
  // A record is what the renderer paints; it maps client coordinates back
  // through the image's transform.
  vcDiagRecord record;
  record.image(image, false);
  record.graphics(graphics, vcDiagRecord::eClientCoords, L"results");
  vfWriteRgbPng(path, vfRenderRecord(record, zoom));
}
