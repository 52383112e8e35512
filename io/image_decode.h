#pragma once

// Decoding of image files already read into memory, shared by the format-specific readers and
// vfReadImage (which reads a file once and then picks the decoder by its first bytes).

#include <string>
#include <vector>

#include "platform/base/pel_buffer.h"

// The image in the PNG or PGM file bytes, told by their first bytes; path only names the file
// in errors.
// Throws: vcImageFileError as vfReadImage.
vcPelBuffer<unsigned char> vfDecodeImage(const std::string& path,
                                         const std::vector<unsigned char>& bytes);

// The image in the PNG file bytes; path only names the file in errors.
// Throws: vcImageFileError as vfReadPng.
vcPelBuffer<unsigned char> vfDecodePng(const std::string& path,
                                       const std::vector<unsigned char>& bytes);

// The image in the PGM file bytes; path only names the file in errors.
// Throws: vcImageFileError as vfReadPgm.
vcPelBuffer<unsigned char> vfDecodePgm(const std::string& path,
                                       const std::vector<unsigned char>& bytes);
