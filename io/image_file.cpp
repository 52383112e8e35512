#include "io/image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "io/file_bytes.h"
#include "io/image_decode.h"
#include "platform/base/str.h"

vcImageFileError::vcImageFileError(const std::string& path, const std::string& reason)
    : vcExceptionWithString(L"image file \"" + vfWideFromUtf8(path) + L"\": " +
                            vfWideFromUtf8(reason)) {}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string systemReason(const char* what, int error) {
  return std::string(what) + " (" + std::strerror(error) + ")";
}

bool endsWithNoCase(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (std::size_t k = 0; k < n; ++k) {
    const char c = text[text.size() - n + k];
    if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[k]) return false;
  }
  return true;
}

}  // namespace

std::vector<unsigned char> vfReadFileBytes(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) throw vcImageFileError(path, systemReason("cannot open the file", errno));
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  if (std::ferror(file.get()))
    throw vcImageFileError(path, systemReason("cannot read the file", errno));
  return bytes;
}

void vfWriteFileBytes(const std::string& path, std::string_view bytes) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw vcImageFileError(path, systemReason("cannot create the file", errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  const int writeError = errno;
  const bool closed = std::fclose(file.release()) == 0;  // flushes: may fail on a full disc
  if (!written || !closed)
    throw vcImageFileError(path,
                           systemReason("cannot write the file", written ? errno : writeError));
}

void vfRequireWritable(const std::string& path, const vcPelBuffer_const<unsigned char>& image) {
  if (!image.isBound() || image.width() < 1 || image.height() < 1)
    throw vcImageFileError(path, "cannot write an unbound or empty image (" +
                                     std::to_string(image.width()) + " x " +
                                     std::to_string(image.height()) + ")");
}

vcPelBuffer<unsigned char> vfNewFileImage(const std::string& path, long width, long height) {
  constexpr long kMaxPixels = 1L << 28;
  if (width < 1 || height < 1 || width > kMaxPixels / height)
    throw vcImageFileError(path, "unsupported image size " + std::to_string(width) + " x " +
                                     std::to_string(height) +
                                     " (each side at least 1, at most 2^28 pixels)");
  return vcPelBuffer<unsigned char>(width, height, 32);
}

vcPelBuffer<unsigned char> vfReadImage(const std::string& path) {
  // Tell the format by the first bytes: the PNG signature, or "P5" / "P2".
  const std::vector<unsigned char> bytes = vfReadFileBytes(path);
  static const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), pngSignature, 8) == 0)
    return vfDecodePng(path, bytes);
  if (bytes.size() >= 2 && bytes[0] == 'P' && (bytes[1] == '5' || bytes[1] == '2'))
    return vfDecodePgm(path, bytes);
  throw vcImageFileError(path, bytes.empty() ? "the file is empty" : "not a PNG or PGM file");
}

void vfWriteImage(const std::string& path, const vcPelBuffer_const<unsigned char>& image) {
  if (endsWithNoCase(path, ".png"))
    vfWritePng(path, image);
  else if (endsWithNoCase(path, ".pgm"))
    vfWritePgm(path, image);
  else
    throw vcImageFileError(path, "unknown file name extension (\".png\" or \".pgm\" expected)");
}
