#pragma once

// Whole-file input and output shared by the image file formats.

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/pel_buffer.h"

// The bytes of the file at path.
// Throws: vcImageFileError naming the file when it cannot be opened or read.
std::vector<unsigned char> vfReadFileBytes(const std::string& path);

// Replaces the file at path by the given bytes.
// Throws: vcImageFileError naming the file when it cannot be created or written.
void vfWriteFileBytes(const std::string& path, std::string_view bytes);

// Checks that image can be written: bound and at least 1 x 1.
// Throws: vcImageFileError naming the file otherwise.
void vfRequireWritable(const std::string& path, const vcPelBuffer_const<unsigned char>& image);

// A new image of width x height for a file's pixels (rows aligned to 32 bytes).
// Throws: vcImageFileError naming the file when either side is below 1 or the image would
// exceed 2^28 pixels.
vcPelBuffer<unsigned char> vfNewFileImage(const std::string& path, long width, long height);
