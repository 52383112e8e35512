#pragma once
// Overlay pictures: an image in grey with a tool's results drawn in colour.
//
//   vfWriteOverlay("found.png", image, run.overlay, 2);   // twice the image size

#include <string>

#include "platform/base/pel_buffer.h"
#include "platform/graphics/graphic_list.h"

// Writes image, enlarged `zoom` times, with `graphics` (client coordinates of
// the image) painted over it, as an RGB PNG file.
// Throws: vcBadParamsError for zoom outside [1, 16] or a picture over 2^26
// pixels; vcImageFileError naming the file when it cannot be written.
void vfWriteOverlay(const std::string& path, const vcPelBuffer_const<unsigned char>& image,
                    const vcGraphicList& graphics, long zoom);
