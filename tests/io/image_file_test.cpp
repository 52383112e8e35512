#include <gmock/gmock.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "io/image_file.h"
#include "scenes/canvas.h"
#include "temp_path.h"

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

using Bytes = std::vector<unsigned char>;

std::string tempPath(const std::string& name) { return testpaths::tempPath("tavio_" + name); }

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A minimal PNG encoder, independent of libpng: zlib stream of stored deflate blocks.
void put32(Bytes& out, unsigned long v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<unsigned char>(v >> s));
}

unsigned long crc32(const unsigned char* p, std::size_t n) {
  unsigned long c = 0xffffffffUL;
  for (std::size_t k = 0; k < n; ++k) {
    c ^= p[k];
    for (int b = 0; b < 8; ++b) c = (c >> 1) ^ (0xedb88320UL & (0UL - (c & 1UL)));
  }
  return c ^ 0xffffffffUL;
}

void chunk(Bytes& out, const char* type, const Bytes& data) {
  put32(out, data.size());
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  put32(out, crc32(body.data(), body.size()));
}

// scanlines: each row's filter byte (0) followed by its packed samples.
Bytes makePng(unsigned width, unsigned height, int depth, int colourType, const Bytes& scanlines) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes header;
  put32(header, width);
  put32(header, height);
  header.insert(header.end(), {static_cast<unsigned char>(depth),
                               static_cast<unsigned char>(colourType), 0, 0, 0});
  chunk(out, "IHDR", header);
  // One final stored block (scanlines here stay below 64 KiB): length, then its complement.
  const auto u8 = [](std::size_t v) { return static_cast<unsigned char>(v); };
  const std::size_t n = scanlines.size();
  Bytes z = {0x78, 0x01, 0x01, u8(n), u8(n >> 8), u8(~n), u8(~n >> 8)};
  z.insert(z.end(), scanlines.begin(), scanlines.end());
  unsigned long a = 1, b = 0;
  for (unsigned char c : scanlines) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  put32(z, (b << 16) | a);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", {});
  return out;
}

std::vector<int> pixels(const vcPelBuffer_const<unsigned char>& image) {
  std::vector<int> v;
  for (long y = 0; y < image.height(); ++y)
    for (long x = 0; x < image.width(); ++x) v.push_back(image.get(x, y));
  return v;
}

std::vector<int> readPixels(const std::string& name, const Bytes& bytes) {
  const std::string path = tempPath(name);
  writeBytes(path, bytes);
  const std::vector<int> v = pixels(vfReadImage(path));
  std::remove(path.c_str());
  return v;
}

// Expects reading the bytes to throw vcImageFileError whose message names the file and holds
// the reason.
void expectReadError(const std::string& name, const Bytes* bytes, const std::string& reason) {
  const std::string path = tempPath(name);
  if (bytes) writeBytes(path, *bytes);
  try {
    vfReadImage(path);
    ADD_FAILURE() << name << ": no exception";
  } catch (const vcImageFileError& e) {
    EXPECT_THAT(e.what(), AllOf(HasSubstr(path), HasSubstr(reason)));
  }
  std::remove(path.c_str());
}

}  // namespace

TEST(ImageFile, WriteThenReadGivesTheSamePixels) {
  // A noisy anti-aliased disc on an odd-sized image, and a window of it with an offset.
  vcSceneCanvas canvas(37, 23, 30.0);
  canvas.drawDisc(vcVector<2>(17.3, 11.6), 8.4, 220.0);
  vcSceneRandom random(5);
  canvas.addNoise(20.0, random);
  const vcPelBuffer<unsigned char> image = canvas.image();
  const vcPelBuffer_const<unsigned char> window = image.window(5, 3, 19, 11);
  for (const auto& [name, source] :
       {std::pair{std::string("full"), vcPelBuffer_const<unsigned char>(image)},
        std::pair{std::string("window"), window}}) {
    const std::string png = tempPath(name + ".png"), pgm = tempPath(name + ".PGM"),
                      ascii = tempPath(name + "_ascii.pgm");
    vfWriteImage(png, source);
    vfWriteImage(pgm, source);
    vfWritePgm(ascii, source, true);
    for (const std::string& path : {png, pgm, ascii}) {
      const vcPelBuffer<unsigned char> back = vfReadImage(path);
      EXPECT_EQ(back.width(), source.width()) << path;
      EXPECT_EQ(pixels(back), pixels(source)) << path;
      std::remove(path.c_str());
    }
  }
}

TEST(ImageFile, ColourPngsAndCommentedPgmsAreRead) {
  // RGB becomes grey by luma 0.299 R + 0.587 G + 0.114 B, rounded.
  EXPECT_EQ(
      readPixels("rgb.png", makePng(4, 1, 8, 2, {0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30})),
      (std::vector<int>{76, 150, 29, 18}));
  // Comments in the header, a maximum value below 255 scaled up.
  EXPECT_EQ(readPixels("p2.pgm", text("P2\n# a comment\n3 2 # another\n15\n0 7 15\n 1\t14 8\n")),
            (std::vector<int>{0, 119, 255, 17, 238, 136}));
}

TEST(ImageFile, BadFilesThrowNamingTheFileAndTheReason) {
  expectReadError("missing.png", nullptr, "cannot open");
  const Bytes png = makePng(8, 8, 8, 0, Bytes(72, 0));
  Bytes corrupt = png;
  corrupt[50] ^= 0x55;  // inside the image data: the chunk check sum fails
  const std::tuple<std::string, Bytes, std::string> bad[] = {
      {"empty.pgm", {}, "empty"},
      {"garbage.png", text("GIF89a garbage"), "not a PNG or PGM"},
      {"truncated.png", Bytes(png.begin(), png.begin() + long(png.size()) / 2), "truncated"},
      {"corrupt.png", corrupt, "cannot decode the PNG"},
      {"truncated.pgm", text("P5\n4 4\n255\nabc"), "need at least 17 more bytes, but 4 follow"},
      {"short.pgm", text("P2 2 2 255 1 2 3"), "truncated"},
      {"overmax.pgm", text("P2 2 1 10 3 11"), "exceeds the maximum value 10"},
      {"header.pgm", text("P5 4 x 255\n"), "height expected"},
      {"zero.pgm", text("P5 0 4 255\n"), "unsupported image size 0 x 4"}};
  for (const auto& [name, bytes, reason] : bad) expectReadError(name, &bytes, reason);

  // Writing: unknown extension, unbound image, missing directory.
  const vcPelBuffer<unsigned char> image(4, 4, 32);
  EXPECT_THROW(vfWriteImage(tempPath("image.bmp"), image), vcImageFileError);
  EXPECT_THROW(vfWritePng(tempPath("unbound.png"), vcPelBuffer<unsigned char>()), vcImageFileError);
  EXPECT_THROW(vfWritePgm(tempPath("no/such/dir.pgm"), image), vcImageFileError);
  EXPECT_FALSE(std::ifstream(tempPath("image.bmp")).good());  // nothing was written
}

TEST(ImageFile, SmallHostileFilesAreRefusedBeforeTheyTakeMemory) {
  // Each claims far more than its few bytes hold; reading one used to allocate hundreds of
  // megabytes (or gigabytes) before the claim was found false.
  Bytes hugeText = makePng(1, 1, 8, 0, Bytes(2, 0));
  Bytes claim;
  put32(claim, 0x7fffffffUL);
  claim.insert(claim.end(), {'t', 'E', 'X', 't', 'k', 0, 'v'});
  hugeText.insert(hugeText.begin() + 33, claim.begin(), claim.end());  // after the header
  Bytes bigPng = makePng(16384, 16384, 8, 0, Bytes(1000, 0));
  Bytes bigPgm = text("P5 16384 16384 255\n");
  bigPgm.resize(bigPgm.size() + 10, 7);
  const std::tuple<std::string, Bytes, std::string> bad[] = {
      {"text.png", hugeText, "a chunk claims 2147483647 bytes"},
      {"claim.png", bigPng, "claims 16384 x 16384 pixels"},
      {"claim.pgm", bigPgm, "claims 16384 x 16384 pixels"},
      {"ascii.pgm", text("P2 5000 5000 255 1 2 3"), "claims 5000 x 5000 pixels"},
      {"wide.pgm", text("P5 262144 1 255\n"), "each side 1 to 65536"},
      {"wide.png", makePng(70000, 1, 8, 0, Bytes(10, 0)), "Invalid IHDR data"}};
  for (const auto& [name, bytes, reason] : bad) expectReadError(name, &bytes, reason);

  // A device that never ends is refused on its first bytes.
  try {
    vfReadImage("/dev/zero");
    ADD_FAILURE() << "no exception";
  } catch (const vcImageFileError& e) {
    EXPECT_THAT(e.what(), HasSubstr("not a PNG or PGM"));
  }
}
