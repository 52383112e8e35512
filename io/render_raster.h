#pragma once
// Pictures of diagnostics records without a browser: the record's image in
// grey with its graphics painted over it in colour, at an integer zoom.
//
//   vcRgbImage picture = vfRenderRecord(diag.diagRecord(0), 2);   // twice the size
//   vfWriteRgbPng("record.png", picture);                          // io/render_png.h
//
//   vcRgbImage overlay = vfGreyToRgb(image, 1);
//   vfPaintLayer(overlay, 1, layer);                               // any vsRenderLayer
//
// Painting: outlines are stroked by stamping a square of the pen width (screen
// pixels) every half pixel along each side, dashes and dots following the pen
// style; ellipses are stroked as polygons of about one side per two screen
// pixels and filled by an inside test; marks fill the screen pixels of their
// square (at least one); texts are not painted (their labels are for the HTML
// page), only a small square at the anchor in the foreground colour. Anything
// outside the picture is clipped.

#include <cstdint>
#include <vector>

#include "io/render_layer.h"
#include "platform/base/pel_buffer.h"

// An 8-bit RGB picture, rows top to bottom, 3 bytes per pixel.
class vcRgbImage {
 public:
  // An empty picture.
  vcRgbImage() = default;
  // A black picture of width x height. Requires both >= 1 and at most 2^26
  // pixels in all; throws vcBadParamsError otherwise.
  vcRgbImage(long width, long height);

  long width() const { return width_; }
  long height() const { return height_; }
  bool empty() const { return pels_.empty(); }

  // Pointer to the first byte of row y (0 <= y < height(), unchecked).
  std::uint8_t* row(long y) { return pels_.data() + 3 * width_ * y; }
  const std::uint8_t* row(long y) const { return pels_.data() + 3 * width_ * y; }

  // Sets pixel (x, y) to colour c; does nothing outside the picture.
  void set(long x, long y, const vcColor& c);
  // The colour of pixel (x, y). Throws vcBadParamsError outside the picture.
  vcColor at(long x, long y) const;

 private:
  long width_ = 0;
  long height_ = 0;
  std::vector<std::uint8_t> pels_;
};

// The grey window enlarged `zoom` times (each pixel a zoom x zoom block).
// Requires a bound, non-empty image and 1 <= zoom <= 16; throws
// vcBadParamsError otherwise.
vcRgbImage vfGreyToRgb(const vcPelBuffer_const<unsigned char>& image, long zoom);

// Paints the layer's items, given in display coordinates, onto a picture
// drawn at `zoom` screen pixels per display unit. Requires zoom >= 1; throws
// vcBadParamsError otherwise.
void vfPaintLayer(vcRgbImage& picture, long zoom, const vsRenderLayer& layer);

// The record as a picture at `zoom`: its image (or black for a record without
// one) with every entry painted in recording order.
// Throws: vcBadParamsError for zoom outside [1, 16], a picture of more than
// 2^26 pixels, or an entry whose display transform is singular.
vcRgbImage vfRenderRecord(const vcDiagRecord& record, long zoom);
