// The archive reader on any bytes: persistent objects and plain values, or an archive error.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/archive.h"
#include "platform/base/persistent.h"
#include "tavshsl/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vcMemoryArchive in(std::vector<unsigned char>(data, data + size));
  try {
    // Objects of the registered classes until the bytes run out, with plain values between.
    while (in.remaining() > 0) {
      const std::unique_ptr<vcPersistent> object = in.readObject();
      std::wstring text;
      long n = 0;
      double d = 0.0;
      bool b = false;
      in || text || n || d || b;
    }
  } catch (const vcArchive::Error&) {
  }
  return 0;
}
