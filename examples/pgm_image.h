#pragma once

// A binary 8-bit PGM file (P5, maximum value 255) read into an image, so that the examples
// need nothing but the installed library. Programs of this tree read PNG and PGM files with
// io/image_file.h instead.

#include <cctype>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/base/pel_buffer.h"

namespace example {

// The next whitespace-separated number of a PGM header, skipping comments.
inline long pgmHeaderNumber(std::istream& in, const std::string& path) {
  for (int c = in.peek(); c != EOF; c = in.peek()) {
    if (c == '#') {
      std::string comment;
      std::getline(in, comment);
    } else if (std::isspace(c)) {
      in.get();
    } else {
      break;
    }
  }
  long n = -1;
  if (!(in >> n) || n < 0) throw std::runtime_error(path + ": bad PGM header");
  return n;
}

// Throws std::runtime_error naming the file when it is not a complete P5 file with maximum
// value 255.
inline vcPelBuffer<unsigned char> readPgm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot open");
  char magic[2] = {};
  if (!in.read(magic, 2) || magic[0] != 'P' || magic[1] != '5')
    throw std::runtime_error(path + ": not a binary PGM file (P5)");
  const long width = pgmHeaderNumber(in, path);
  const long height = pgmHeaderNumber(in, path);
  if (pgmHeaderNumber(in, path) != 255) throw std::runtime_error(path + ": maximum value not 255");
  in.get();  // the one whitespace character before the pixels
  vcPelBuffer<unsigned char> image(width, height);
  for (long y = 0; y < height; ++y)
    if (!in.read(reinterpret_cast<char*>(image.pointToRow(y)), width))
      throw std::runtime_error(path + ": file ends inside the pixels");
  return image;
}

}  // namespace example
