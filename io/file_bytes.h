#pragma once

// Whole-file input and output shared by the image file formats.

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/pel_buffer.h"

// The bytes of the image file at path. Its first bytes are read first: unless they start a
// PNG or PGM file only they are returned (the decoder then refuses them), so that a device or
// a stream of something else is not read on. A regular file is read whole up to 2 GiB; from a
// pipe or device at most 64 MiB are read, since their size is not known up front.
// Throws: vcImageFileError naming the file when it cannot be opened or read, or is larger.
std::vector<unsigned char> vfReadFileBytes(const std::string& path);

// Replaces the file at path by the given bytes.
// Throws: vcImageFileError naming the file when it cannot be created or written.
void vfWriteFileBytes(const std::string& path, std::string_view bytes);

// Checks that image can be written: bound and at least 1 x 1.
// Throws: vcImageFileError naming the file otherwise.
void vfRequireWritable(const std::string& path, const vcPelBuffer_const<unsigned char>& image);

// A new image of width x height for a file's pixels (rows aligned to 32 bytes).
// Throws: vcImageFileError naming the file when the size is outside the limits of
// io/image_limits.h.
vcPelBuffer<unsigned char> vfNewFileImage(const std::string& path, long width, long height);
