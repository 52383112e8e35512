#pragma once
// Drawing layers: the graphics of one diagnostics entry (a graphic list or a
// sketch), reduced to a few primitives in display coordinates, ready for the
// SVG writer (io/render_svg.h) and the rasteriser (io/render_raster.h).
//
//   const vcDiagRecord& rec = diag.diagRecord(0);
//   for (const vcDiagEntry& entry : rec.entries()) {
//     vsRenderLayer layer = vfRenderLayer(entry, vfDisplayFromEntry(rec, entry));
//     ... layer.items ...
//   }
//
// Display coordinates are the pixel coordinates of the record's image window:
// (0, 0) is the upper-left corner of its first pixel, (width, height) the
// lower-right corner of its last one, so the centre of the window's pixel
// (c, r) is at (c + 0.5, r + 0.5). Entries in client coordinates are mapped
// back through the image's imageFromClientXform(), entries in image
// coordinates are shifted by the window's offset. A record without an image
// draws its graphics shifted so that the box around them starts at (0, 0)
// (see vfDisplaySize).

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/pair.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"
#include "platform/diag/diag_record.h"
#include "platform/graphics/color.h"
#include "platform/graphics/graphic_props.h"
#include "platform/graphics/ui_format.h"

// How an outline is stroked. width is in screen pixels at any zoom.
struct vsRenderPen {
  vcColor color;
  long width = 1;
  vcGraphicProps::vePenStyle style = vcGraphicProps::eSolid;
};

// A polyline through display points, closed back to the first when `closed`.
struct vsRenderPolyline {
  std::vector<vcVector<2>> points;
  bool closed = false;
  vsRenderPen pen;
};

// An ellipse: the points center + axes * (cos t, sin t). A circle mapped by
// an affine transform is such an ellipse; axes is the transform's linear part
// times the radius.
struct vsRenderEllipse {
  vcVector<2> center;
  vcMatrix<2> axes;
  vsRenderPen pen;
  std::optional<vcColor> fill;
};

// A pixel mark: a square of `size` display units centred on `center` (one
// pixel of the entry's coordinates, as large as the transform makes it).
struct vsRenderMark {
  vcVector<2> center;
  double size = 1.0;
  vcColor color;
};

// A text at `anchor`, moved by `offset` screen pixels, aligned as `format`.
struct vsRenderText {
  std::wstring text;
  vcVector<2> anchor;
  vcPair<long> offset;
  vcUIFormat format;
  vcColor foreground;
  vcColor background;
};

using vsRenderItem = std::variant<vsRenderPolyline, vsRenderEllipse, vsRenderMark, vsRenderText>;

// One entry's drawing: its label and its items in painting order.
struct vsRenderLayer {
  std::wstring label;
  std::vector<vsRenderItem> items;
};

// The transform from the entry's coordinates to the display coordinates of
// `record` (see the top of this file). Requires an entry of the record, or at
// least one recorded in the same coordinates.
vcXform<2> vfDisplayFromEntry(const vcDiagRecord& record, const vcDiagEntry& entry);

// The entry's graphics or sketch as display primitives. A graphic list keeps
// its order; a sketch is painted layer by layer (lower first) and in drawing
// order within a layer. Segments become two-point polylines; vcPoint graphics
// and sketch pixels become marks; circles become ellipses.
// Throws: vcBadParamsError when displayFromEntry is singular.
vsRenderLayer vfRenderLayer(const vcDiagEntry& entry, const vcXform<2>& displayFromEntry);

// Display size of a record: its image window's size, or for a record without
// an image the box holding all of its graphics and the origin, with a margin of
// 2 units (vfDisplayFromEntry then moves the box's corner to (0, 0)).
vcPair<long> vfDisplaySize(const vcDiagRecord& record);
