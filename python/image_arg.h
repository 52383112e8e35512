#pragma once

// Numpy images in: a 2-D uint8 array becomes a read-only view onto its own pixels when its rows
// are contiguous (any row step from the width up), and a copy otherwise. The view holds a
// reference to the array, so the array outlives every use of its pixels.

#include <pybind11/pybind11.h>

#include <utility>

#include "platform/base/pel_buffer.h"
#include "platform/base/xform.h"

namespace tavshsl_py {

// client = clientScale * image + clientOffset, the same for both axes.
struct ClientTransform {
  double scale = 1.0;
  std::pair<double, double> offset{0.0, 0.0};
};

// client = scale * image + offset as a transform.
// Throws: vcBadParamsError when the scale is not finite or 0, or the offset not finite.
vcXform<2> clientFromImage(const ClientTransform& client);

// The image that the tools see.
// Throws: pybind11::type_error for anything but a numpy array of uint8; vcBadParamsError for an
// array that is not 2-D, is empty, or a client transform that is not finite or has scale 0.
vcPelBuffer_const<unsigned char> imageFromArray(const pybind11::handle& array,
                                                const ClientTransform& client);

}  // namespace tavshsl_py
