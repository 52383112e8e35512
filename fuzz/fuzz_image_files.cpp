// The image file readers on any bytes: a readable image or vcImageFileError, nothing else.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/image_decode.h"
#include "io/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<unsigned char> bytes(data, data + size);
  try {
    const vcPelBuffer<unsigned char> image = vfDecodeImage("fuzz", bytes);
    if (image.width() < 1 || image.height() < 1) __builtin_trap();
  } catch (const vcImageFileError&) {
  }
  return 0;
}
