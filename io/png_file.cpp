// PNG files through libpng. Writing uses the in-memory encoder of io/render_png.h.
//
// libpng reports errors by longjmp from its error handler back to the last setjmp. Each call
// into libpng that can fail therefore runs inside a small guarded step (readHeader, readRows)
// whose frame holds nothing with a destructor, so the jump skips no clean-up; the steps
// return false on an error and the C++ code around them throws.

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_bytes.h"
#include "io/image_decode.h"
#include "io/image_file.h"
#include "io/image_limits.h"
#include "io/render_png.h"

namespace {

// What the callbacks share with the code around libpng.
struct PngContext {
  const unsigned char* data = nullptr;  // the file's bytes
  std::size_t size = 0;
  std::size_t pos = 0;
  char message[256] = "";  // libpng's error message
};

void onError(png_structp png, png_const_charp message) {
  auto* context = static_cast<PngContext*>(png_get_error_ptr(png));
  std::snprintf(context->message, sizeof context->message, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, std::size_t n) {
  auto* context = static_cast<PngContext*>(png_get_io_ptr(png));
  if (n > context->size - context->pos) png_error(png, "the file is truncated");
  std::memcpy(out, context->data + context->pos, n);
  context->pos += n;
}

// Deflate turns at most 1032 bytes out of each byte it reads (258-byte copies of 2 bits).
constexpr double kMaxDeflateRatio = 1032.0;
// Above this many bytes, an image and its row buffers may take at most kMaxExpansion times the
// file's size: a small file cannot make the reader take much memory.
constexpr std::size_t kFreeDecodeBytes = std::size_t(32) << 20;
constexpr double kMaxExpansion = 32.0;

// What the file's header says, before any sample conversion.
struct PngHeader {
  long width = 0, height = 0;
  int bitsPerPixel = 0;
  bool interlaced = false;
};

// Reads the header and asks libpng for 8-bit samples without alpha: grey (1 channel) or RGB
// (3 channels); the conversion to grey happens afterwards.
bool readHeader(png_structp png, png_infop info, PngHeader& header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  header.width = long(png_get_image_width(png, info));
  header.height = long(png_get_image_height(png, info));
  header.bitsPerPixel = png_get_bit_depth(png, info) * png_get_channels(png, info);
  header.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  if (depth == 16) png_set_scale_16(png);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  // Expanding a palette turns its transparency into an alpha channel as well.
  if ((type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool readRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

// Reads the next row into row (a non-interlaced image).
bool readRow(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_row(png, row, nullptr);
  return true;
}

bool readEnd(png_structp png) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_end(png, nullptr);
  return true;
}

// Empty when every chunk's length fits in the bytes that follow it, else the reason: libpng
// would allocate what a chunk claims before it found the file too short.
std::string chunkClaimProblem(const std::vector<unsigned char>& bytes) {
  std::size_t pos = 8;
  while (bytes.size() - pos >= 8) {
    const std::size_t length = (std::size_t(bytes[pos]) << 24) |
                               (std::size_t(bytes[pos + 1]) << 16) |
                               (std::size_t(bytes[pos + 2]) << 8) | std::size_t(bytes[pos + 3]);
    const std::string type(bytes.begin() + long(pos) + 4, bytes.begin() + long(pos) + 8);
    const std::size_t rest = bytes.size() - pos - 8;
    if (length > rest)
      return "the file is truncated: a chunk claims " + std::to_string(length) +
             " bytes, but only " + std::to_string(rest) + " follow";
    if (type == "IEND") break;
    pos += 8 + length + std::min<std::size_t>(4, rest - length);
  }
  return "";
}

// One row of libpng's samples into a grey row (by luma for RGB).
void toGrey(const unsigned char* src, unsigned char* dst, long width, int channels) {
  if (channels == 1) {
    std::memcpy(dst, src, static_cast<std::size_t>(width));
    return;
  }
  for (long x = 0; x < width; ++x, src += 3)
    dst[x] = static_cast<unsigned char>((299 * src[0] + 587 * src[1] + 114 * src[2] + 500) / 1000);
}

// libpng's read structures, freed however the C++ code leaves.
struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
};

}  // namespace

vcPelBuffer<unsigned char> vfReadPng(const std::string& path) {
  return vfDecodePng(path, vfReadFileBytes(path));
}

vcPelBuffer<unsigned char> vfDecodePng(const std::string& path,
                                       const std::vector<unsigned char>& bytes) {
  if (bytes.empty()) throw vcImageFileError(path, "the file is empty");
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
    throw vcImageFileError(path, "not a PNG file (no PNG signature)");

  const std::string claims = chunkClaimProblem(bytes);
  if (!claims.empty()) throw vcImageFileError(path, claims);

  // Set up libpng to read from the bytes in memory.
  PngContext context;
  context.data = bytes.data();
  context.size = bytes.size();
  PngRead reader;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, onError, onWarning);
  if (reader.png) reader.info = png_create_info_struct(reader.png);
  if (!reader.info) throw vcImageFileError(path, "out of memory for the PNG decoder");
  png_set_read_fn(reader.png, &context, readFromMemory);
  // Bounds on what the header and the ancillary chunks may make libpng allocate: sides within
  // the image limits, at most 1000 stored ancillary chunks of at most 8 MiB each.
  png_set_user_limits(reader.png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_cache_max(reader.png, 1000);
  png_set_chunk_malloc_max(reader.png, std::size_t(8) << 20);
  const auto fail = [&](const char* step) {
    throw vcImageFileError(path,
                           std::string("cannot decode the PNG ") + step + ": " + context.message);
  };

  // Header and sample layout.
  PngHeader header;
  if (!readHeader(reader.png, reader.info, header)) fail("header");
  const long width = header.width, height = header.height;
  const std::string sizeProblem = vfImageSizeProblem(width, height);
  if (!sizeProblem.empty()) throw vcImageFileError(path, sizeProblem);
  const int channels = png_get_channels(reader.png, reader.info);
  const std::size_t rowBytes = png_get_rowbytes(reader.png, reader.info);
  if ((channels != 1 && channels != 3) || rowBytes < static_cast<std::size_t>(width * channels))
    throw vcImageFileError(path, "unsupported PNG sample layout (" + std::to_string(channels) +
                                     " channels after conversion)");

  // The claims against the file's size, before anything of the image's size is allocated: the
  // compressed rows (a filter byte each) must fit in the rest of the file, and the image with
  // its row buffers must not take far more memory than the file holds.
  const double rawBytes =
      double(height) * (1.0 + std::ceil(double(width) * header.bitsPerPixel / 8.0));
  const double rest = double(bytes.size() - context.pos);
  if (rawBytes > kMaxDeflateRatio * rest)
    throw vcImageFileError(path, "the file is truncated: the header claims " +
                                     std::to_string(width) + " x " + std::to_string(height) +
                                     " pixels, more than the " + std::to_string(bytes.size()) +
                                     " bytes of the file can hold");
  const std::size_t pixels = static_cast<std::size_t>(width * height);
  const std::size_t decodeBytes =
      pixels + rowBytes * (header.interlaced ? static_cast<std::size_t>(height) : 1);
  if (decodeBytes > kFreeDecodeBytes && double(decodeBytes) > kMaxExpansion * double(bytes.size()))
    throw vcImageFileError(path, "refused: the " + std::to_string(width) + " x " +
                                     std::to_string(height) + " image would take " +
                                     std::to_string(decodeBytes) + " bytes to decode, more than " +
                                     std::to_string(int(kMaxExpansion)) + " times the " +
                                     std::to_string(bytes.size()) + " bytes of the file");
  vcPelBuffer<unsigned char> image = vfNewFileImage(path, width, height);

  // Rows, then to grey: one at a time, or all at once when interlaced (every pass adds to
  // every row).
  if (!header.interlaced) {
    std::vector<unsigned char> row(rowBytes);
    for (long y = 0; y < height; ++y) {
      if (!readRow(reader.png, row.data())) fail("pixels");
      toGrey(row.data(), image.pointToRow(y), width, channels);
    }
    if (!readEnd(reader.png)) fail("pixels");
    return image;
  }
  std::vector<unsigned char> buffer(rowBytes * static_cast<std::size_t>(height));
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (long y = 0; y < height; ++y)
    rows[static_cast<std::size_t>(y)] = buffer.data() + static_cast<std::size_t>(y) * rowBytes;
  if (!readRows(reader.png, rows.data())) fail("pixels");
  for (long y = 0; y < height; ++y)
    toGrey(rows[static_cast<std::size_t>(y)], image.pointToRow(y), width, channels);
  return image;
}

void vfWritePng(const std::string& path, const vcPelBuffer_const<unsigned char>& image) {
  vfRequireWritable(path, image);
  vfWriteFileBytes(path, vfEncodePng(image));
}
