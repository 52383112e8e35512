#pragma once

// OpenCV views of our images, so that both sides read the very same pixels.

#include <opencv2/core.hpp>

#include "platform/base/pel_buffer.h"

namespace peers {

// A cv::Mat header over the window's pixels and row stride, without a copy. The Mat must not
// outlive the image, and nothing may write through it: OpenCV takes no const data pointers.
// Throws: vcBadParamsError for an unbound image.
inline cv::Mat matView(const vcPelBuffer_const<unsigned char>& image) {
  return cv::Mat(int(image.height()), int(image.width()), CV_8UC1,
                 const_cast<unsigned char*>(image.pointToOffset()), std::size_t(image.rowUpdate()));
}

}  // namespace peers
