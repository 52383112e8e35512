#pragma once

// Real photographs for the comparisons: the sample images that Debian's python3-skimage
// installs as PNG files. They are optional; a photograph that is missing or unreadable is
// skipped with a line saying so.
//
//   for (const vsPhoto& p : loadPhotos(lineTestPhotos())) compare(p.image);

#include <string>
#include <vector>

#include "platform/base/pel_buffer.h"

namespace peers {

struct vsPhoto {
  std::string name;  // file name without ".png"
  vcPelBuffer<unsigned char> image;
};

// The folder the photographs are read from.
const char* photoFolder();

// The photographs the line comparison uses, by file name without ".png".
std::vector<std::string> lineTestPhotos();

// Reads the named photographs from photoFolder() as 8-bit grey (colour is converted by luma).
// Those that cannot be read are left out, and a line naming each of them and the reason is
// printed.
std::vector<vsPhoto> loadPhotos(const std::vector<std::string>& names);

}  // namespace peers
