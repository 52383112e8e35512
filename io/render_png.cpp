// In-memory PNG encoding through libpng.
//
// libpng reports errors by longjmp to the last setjmp, so the one call that can
// fail (encodeRows) keeps nothing with a destructor in its frame; it returns
// false on an error and the caller throws.

#include "io/render_png.h"

#include <png.h>

#include <csetjmp>
#include <memory>
#include <vector>

#include "io/file_bytes.h"
#include "platform/base/exception.h"

namespace {

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}
void flushNothing(png_structp) {}

// Appends libpng's output to the std::string behind the io pointer. Growth
// failure becomes a libpng error outside the catch block.
void appendBytes(png_structp png, png_bytep data, std::size_t n) {
  auto* sink = static_cast<std::string*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    sink->append(reinterpret_cast<const char*>(data), n);
  } catch (...) {
    failed = true;
  }
  if (failed) png_error(png, "out of memory");
}

bool encodeRows(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
                int colorType, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

// Encodes rows of 8-bit samples (1 channel grey or 3 channels RGB). libpng
// takes non-const row pointers but only reads through them when writing.
std::string encode(long width, long height, int colorType, std::vector<png_bytep>& rows) {
  std::string bytes;
  PngWriter writer;
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (writer.png) writer.info = png_create_info_struct(writer.png);
  if (!writer.info) throw std::bad_alloc();
  png_set_write_fn(writer.png, &bytes, appendBytes, flushNothing);
  if (!encodeRows(writer.png, writer.info, png_uint_32(width), png_uint_32(height), colorType,
                  rows.data()))
    throw std::bad_alloc();  // the only failure left once the sizes are valid
  return bytes;
}

}  // namespace

std::string vfEncodePng(const vcPelBuffer_const<unsigned char>& image) {
  if (!image.isBound() || image.width() < 1 || image.height() < 1)
    throw vcBadParamsError(L"vfEncodePng: the image must be bound and at least 1 x 1");
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height()));
  for (long y = 0; y < image.height(); ++y)
    rows[std::size_t(y)] = const_cast<png_bytep>(image.pointToRow(y));
  return encode(image.width(), image.height(), PNG_COLOR_TYPE_GRAY, rows);
}

std::string vfEncodePng(const vcRgbImage& picture) {
  if (picture.empty()) throw vcBadParamsError(L"vfEncodePng: the picture is empty");
  std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height()));
  for (long y = 0; y < picture.height(); ++y)
    rows[std::size_t(y)] = const_cast<png_bytep>(picture.row(y));
  return encode(picture.width(), picture.height(), PNG_COLOR_TYPE_RGB, rows);
}

void vfWriteRgbPng(const std::string& path, const vcRgbImage& picture) {
  vfWriteFileBytes(path, vfEncodePng(picture));
}

std::string vfBase64(std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  // Whole groups of 3 bytes give 4 digits each.
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                       unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                       unsigned(static_cast<unsigned char>(bytes[i + 2]));
    for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(v >> shift) & 63];
  }
  // A last group of 1 or 2 bytes is padded with '='.
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16;
    if (rest == 2) v |= unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}
