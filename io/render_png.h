#pragma once
// PNG encoding in memory, for pictures embedded in HTML pages and for colour
// overlays (the grey image files themselves are io/image_file.h).
//
//   std::string png = vfEncodePng(image);                // grey, 8 bits
//   std::string uri = "data:image/png;base64," + vfBase64(png);
//   vfWriteRgbPng("overlay.png", rgb);                  // colour, 8 bits per channel

#include <string>
#include <string_view>

#include "io/render_raster.h"
#include "platform/base/pel_buffer.h"

// The window's pixels as an 8-bit grey PNG file, in memory.
// Throws: vcBadParamsError for an unbound or empty image.
std::string vfEncodePng(const vcPelBuffer_const<unsigned char>& image);

// The picture as an 8-bit RGB PNG file, in memory.
// Throws: vcBadParamsError for an empty picture.
std::string vfEncodePng(const vcRgbImage& picture);

// Writes the picture as an RGB PNG file.
// Throws: vcBadParamsError for an empty picture; vcImageFileError naming the
// file when it cannot be written.
void vfWriteRgbPng(const std::string& path, const vcRgbImage& picture);

// Standard base64 (RFC 4648, with padding) of the bytes.
std::string vfBase64(std::string_view bytes);
