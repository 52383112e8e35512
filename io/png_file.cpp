// PNG files through libpng. Writing uses the in-memory encoder of io/render_png.h.
//
// libpng reports errors by longjmp from its error handler back to the last setjmp. Each call
// into libpng that can fail therefore runs inside a small guarded step (readHeader, readRows)
// whose frame holds nothing with a destructor, so the jump skips no clean-up; the steps
// return false on an error and the C++ code around them throws.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_bytes.h"
#include "io/image_decode.h"
#include "io/image_file.h"
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

// Reads the header and asks libpng for 8-bit samples without alpha: grey (1 channel) or RGB
// (3 channels); the conversion to grey happens afterwards.
bool readHeader(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
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

  // Set up libpng to read from the bytes in memory.
  PngContext context;
  context.data = bytes.data();
  context.size = bytes.size();
  PngRead reader;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, onError, onWarning);
  if (reader.png) reader.info = png_create_info_struct(reader.png);
  if (!reader.info) throw vcImageFileError(path, "out of memory for the PNG decoder");
  png_set_read_fn(reader.png, &context, readFromMemory);
  const auto fail = [&](const char* step) {
    throw vcImageFileError(path,
                           std::string("cannot decode the PNG ") + step + ": " + context.message);
  };

  // Header and sample layout.
  if (!readHeader(reader.png, reader.info)) fail("header");
  const long width = static_cast<long>(png_get_image_width(reader.png, reader.info));
  const long height = static_cast<long>(png_get_image_height(reader.png, reader.info));
  const int channels = png_get_channels(reader.png, reader.info);
  vcPelBuffer<unsigned char> image = vfNewFileImage(path, width, height);

  // Rows into a buffer of libpng's row size, then to grey (by luma for RGB).
  const std::size_t rowBytes = png_get_rowbytes(reader.png, reader.info);
  if ((channels != 1 && channels != 3) || rowBytes < static_cast<std::size_t>(width * channels))
    throw vcImageFileError(path, "unsupported PNG sample layout (" + std::to_string(channels) +
                                     " channels after conversion)");
  std::vector<unsigned char> buffer(rowBytes * static_cast<std::size_t>(height));
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (long y = 0; y < height; ++y)
    rows[static_cast<std::size_t>(y)] = buffer.data() + static_cast<std::size_t>(y) * rowBytes;
  if (!readRows(reader.png, rows.data())) fail("pixels");
  for (long y = 0; y < height; ++y) {
    const unsigned char* src = rows[static_cast<std::size_t>(y)];
    unsigned char* dst = image.pointToRow(y);
    if (channels == 1)
      std::memcpy(dst, src, static_cast<std::size_t>(width));
    else
      for (long x = 0; x < width; ++x, src += 3)
        dst[x] =
            static_cast<unsigned char>((299 * src[0] + 587 * src[1] + 114 * src[2] + 500) / 1000);
  }
  return image;
}

void vfWritePng(const std::string& path, const vcPelBuffer_const<unsigned char>& image) {
  vfRequireWritable(path, image);
  vfWriteFileBytes(path, vfEncodePng(image));
}
