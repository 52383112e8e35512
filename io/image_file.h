#pragma once

// Image files: 8-bit grey images read from and written to PNG and PGM files.
//
//   vcPelBuffer<unsigned char> image = vfReadImage("part.png");    // PNG or PGM, by content
//   vfWriteImage("copy.pgm", image);                                // format by extension
//
// Reading turns every supported file into 8-bit grey: colour PNGs become grey by the luma
// weights 0.299 R + 0.587 G + 0.114 B (rounded), 16-bit samples are scaled to 8 bits with
// rounding, palettes are expanded, alpha channels and transparency are dropped (the colour
// values are kept as they are, not blended onto a background), and 1-, 2- and 4-bit grey is
// scaled to 8 bits. PGM samples with a maximum value other than 255 are scaled to [0, 255]
// with rounding. A read image has offset (0, 0), rows aligned to 32 bytes and the identity
// client-from-image transform: files carry no client coordinates.
//
// Writing stores the window's pixels as 8-bit grey; offset and transforms are not stored.
//
// Every failure throws vcImageFileError, whose message names the file and the reason:
// missing or unreadable file, empty, truncated or corrupt file, unsupported format or sample
// layout, an image too large to hold, an unbound or empty image to write, or a failed write.

#include <string>

#include "platform/base/exception.h"
#include "platform/base/pel_buffer.h"

// A failure to read or write an image file. The message reads
// image file "<path>": <reason>.
class vcImageFileError : public vcExceptionWithString {
 public:
  vcImageFileError(const std::string& path, const std::string& reason);
};

// Reads a PNG or PGM file, telling the format by the file's first bytes.
// Throws: vcImageFileError for anything but a readable PNG, binary (P5) or ASCII (P2) PGM.
vcPelBuffer<unsigned char> vfReadImage(const std::string& path);

// Writes image as PNG for a path ending in ".png", as binary PGM for ".pgm" (either case).
// Throws: vcImageFileError for another extension, an unbound or empty image, or a failed write.
void vfWriteImage(const std::string& path, const vcPelBuffer_const<unsigned char>& image);

// Reads a PNG file of any colour type and bit depth (see above).
// Throws: vcImageFileError for a missing, truncated, corrupt or non-PNG file.
vcPelBuffer<unsigned char> vfReadPng(const std::string& path);

// Writes image as an 8-bit grey PNG.
// Throws: vcImageFileError for an unbound or empty image or a failed write.
void vfWritePng(const std::string& path, const vcPelBuffer_const<unsigned char>& image);

// Reads a binary (P5) or ASCII (P2) PGM file, maximum value 1 to 65535; the first image of a
// file holding several.
// Throws: vcImageFileError for a missing, truncated or malformed file, or samples above the
// maximum value.
vcPelBuffer<unsigned char> vfReadPgm(const std::string& path);

// Writes image as a PGM file with maximum value 255: binary (P5) by default, ASCII (P2) when
// ascii is true.
// Throws: vcImageFileError for an unbound or empty image or a failed write.
void vfWritePgm(const std::string& path, const vcPelBuffer_const<unsigned char>& image,
                bool ascii = false);
