#include "io/image_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "io/file_bytes.h"
#include "io/image_decode.h"
#include "io/image_limits.h"
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

std::string vfImageSizeProblem(long width, long height) {
  if (width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
      width <= kMaxImagePixels / height)
    return "";
  return "unsupported image size " + std::to_string(width) + " x " + std::to_string(height) +
         " (each side 1 to " + std::to_string(kMaxImageSide) + " pixels, at most 2^28 pixels)";
}

std::vector<unsigned char> vfReadFileBytes(const std::string& path) {
  // A regular file's size is known up front; a pipe's or a device's is not.
  constexpr std::uint64_t kMaxFileBytes = std::uint64_t(1) << 31;
  constexpr std::uint64_t kMaxStreamBytes = std::uint64_t(1) << 26;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) throw vcImageFileError(path, systemReason("cannot open the file", errno));
  struct stat info {};
  const bool regular = fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode);
  if (regular && std::uint64_t(info.st_size) > kMaxFileBytes)
    throw vcImageFileError(
        path, "the file is larger than 2 GiB (" + std::to_string(info.st_size) + " bytes)");
  const std::uint64_t limit = regular ? kMaxFileBytes : kMaxStreamBytes;
  const auto readError = [&] {
    return vcImageFileError(path, systemReason("cannot read the file", errno));
  };

  // The first bytes: a PNG signature or a PGM magic number, else nothing more is read.
  std::vector<unsigned char> bytes(8);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  if (std::ferror(file.get())) throw readError();
  static const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const bool png = bytes.size() == 8 && std::memcmp(bytes.data(), pngSignature, 8) == 0;
  const bool pgm = bytes.size() >= 2 && bytes[0] == 'P' && (bytes[1] == '5' || bytes[1] == '2');
  if (!png && !pgm) return bytes;

  // The rest, in chunks, up to the limit.
  if (regular) bytes.reserve(std::size_t(info.st_size));
  unsigned char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    if (bytes.size() + n > limit)
      throw vcImageFileError(path, regular ? "the file grew beyond 2 GiB while it was read"
                                           : "more than 64 MiB from a pipe or device");
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  if (std::ferror(file.get())) throw readError();
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
  const std::string problem = vfImageSizeProblem(width, height);
  if (!problem.empty()) throw vcImageFileError(path, problem);
  return vcPelBuffer<unsigned char>(width, height, 32);
}

vcPelBuffer<unsigned char> vfReadImage(const std::string& path) {
  return vfDecodeImage(path, vfReadFileBytes(path));
}

vcPelBuffer<unsigned char> vfDecodeImage(const std::string& path,
                                         const std::vector<unsigned char>& bytes) {
  // Tell the format by the first bytes: the PNG signature, or "P5" / "P2".
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
