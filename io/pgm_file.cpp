// PGM files: binary (P5) and ASCII (P2) grey maps.
//
// A PGM file is the magic number, then width, height and maximum value as decimal numbers
// separated by white space (a '#' starts a comment running to the end of the line), then the
// samples row by row: for P5 after exactly one white-space byte, one byte per sample (two,
// most significant first, when the maximum value exceeds 255); for P2 as decimal numbers.

#include <cstdint>
#include <string>
#include <vector>

#include "io/file_bytes.h"
#include "io/image_decode.h"
#include "io/image_file.h"
#include "io/image_limits.h"

namespace {

bool isSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the numbers of a PGM file, skipping white space and comments.
class PgmScanner {
 public:
  PgmScanner(const std::string& path, const std::vector<unsigned char>& bytes)
      : path_(path), bytes_(bytes) {}

  std::size_t pos = 0;

  // The next decimal number; what names it in errors ("width", "sample", ...).
  long number(const char* what) {
    while (pos < bytes_.size() && (isSpace(bytes_[pos]) || bytes_[pos] == '#')) {
      if (bytes_[pos] == '#')
        while (pos < bytes_.size() && bytes_[pos] != '\n') ++pos;
      else
        ++pos;
    }
    if (pos == bytes_.size()) fail(std::string("the file is truncated: ") + what + " expected");
    if (bytes_[pos] < '0' || bytes_[pos] > '9')
      fail(std::string("malformed PGM: ") + what + " expected as a decimal number");
    long value = 0;
    while (pos < bytes_.size() && bytes_[pos] >= '0' && bytes_[pos] <= '9') {
      value = value * 10 + (bytes_[pos++] - '0');
      if (value > 999999999) fail(std::string("malformed PGM: ") + what + " is too large");
    }
    return value;
  }

  [[noreturn]] void fail(const std::string& reason) const { throw vcImageFileError(path_, reason); }

 private:
  const std::string& path_;
  const std::vector<unsigned char>& bytes_;
};

}  // namespace

vcPelBuffer<unsigned char> vfReadPgm(const std::string& path) {
  return vfDecodePgm(path, vfReadFileBytes(path));
}

vcPelBuffer<unsigned char> vfDecodePgm(const std::string& path,
                                       const std::vector<unsigned char>& bytes) {
  PgmScanner scan(path, bytes);

  // Magic number and header.
  if (bytes.empty()) scan.fail("the file is empty");
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '2'))
    scan.fail("not a PGM file (\"P5\" or \"P2\" expected at the start)");
  const bool binary = bytes[1] == '5';
  scan.pos = 2;
  const long width = scan.number("width");
  const long height = scan.number("height");
  const long maxValue = scan.number("maximum value");
  if (maxValue < 1 || maxValue > 65535)
    scan.fail("unsupported maximum value " + std::to_string(maxValue) + " (1 to 65535)");
  const std::string sizeProblem = vfImageSizeProblem(width, height);
  if (!sizeProblem.empty()) scan.fail(sizeProblem);

  // The samples the header claims must fit in the rest of the file before the image is made:
  // binary ones one or two bytes each after one white-space byte, ASCII ones a digit each and
  // white space between them.
  const std::size_t sampleBytes = binary && maxValue > 255 ? 2 : 1;
  const std::size_t samples = static_cast<std::size_t>(width * height);
  const std::size_t rest = bytes.size() - scan.pos;
  const std::size_t least = binary ? 1 + samples * sampleBytes : 2 * samples;
  if (rest < least)
    scan.fail("the file is truncated: the header claims " + std::to_string(width) + " x " +
              std::to_string(height) + " pixels, which need at least " + std::to_string(least) +
              " more bytes, but " + std::to_string(rest) + " follow");
  vcPelBuffer<unsigned char> image = vfNewFileImage(path, width, height);

  // Samples, scaled to [0, 255] with rounding.
  const auto toGrey = [&](long v) {
    if (v > maxValue)
      scan.fail("sample value " + std::to_string(v) + " exceeds the maximum value " +
                std::to_string(maxValue));
    return static_cast<unsigned char>((v * 255 + maxValue / 2) / maxValue);
  };
  if (binary) {
    if (scan.pos == bytes.size()) scan.fail("the file is truncated: no pixel data");
    if (!isSpace(bytes[scan.pos]))
      scan.fail("malformed PGM: white space expected after the maximum value");
    ++scan.pos;
    const unsigned char* src = bytes.data() + scan.pos;
    for (long y = 0; y < height; ++y) {
      unsigned char* row = image.pointToRow(y);
      for (long x = 0; x < width; ++x, src += sampleBytes)
        row[x] = toGrey(sampleBytes == 1 ? src[0] : (src[0] << 8) | src[1]);
    }
  } else {
    for (long y = 0; y < height; ++y) {
      unsigned char* row = image.pointToRow(y);
      for (long x = 0; x < width; ++x) row[x] = toGrey(scan.number("sample"));
    }
  }
  return image;
}

void vfWritePgm(const std::string& path, const vcPelBuffer_const<unsigned char>& image,
                bool ascii) {
  vfRequireWritable(path, image);
  const long width = image.width(), height = image.height();
  std::string out = std::string(ascii ? "P2\n" : "P5\n") + std::to_string(width) + " " +
                    std::to_string(height) + "\n255\n";
  if (ascii) {
    // At most 16 samples per line keeps lines under 70 characters.
    for (long y = 0; y < height; ++y) {
      const unsigned char* row = image.pointToRow(y);
      for (long x = 0; x < width; ++x) {
        out += std::to_string(row[x]);
        out += (x + 1 == width || (x + 1) % 16 == 0) ? '\n' : ' ';
      }
    }
  } else {
    out.reserve(out.size() + static_cast<std::size_t>(width * height));
    for (long y = 0; y < height; ++y) {
      const unsigned char* row = image.pointToRow(y);
      out.append(reinterpret_cast<const char*>(row), static_cast<std::size_t>(width));
    }
  }
  vfWriteFileBytes(path, out);
}
