#pragma once

// Reading values out of a fuzzer's bytes: each call takes what it needs from the front and
// gives a default once the bytes run out, so that every input, however short, is a valid
// sequence of choices.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

class vcFuzzInput {
 public:
  vcFuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // An integer in [lo, hi].
  long range(long lo, long hi) {
    const std::uint64_t span = std::uint64_t(hi - lo) + 1;
    return lo + long(u32() % span);
  }
  bool flag() { return (byte() & 1) != 0; }
  std::uint8_t byte() { return size_ > 0 ? (--size_, *data_++) : 0; }
  std::uint32_t u32() {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | byte();
    return v;
  }
  // Any double, NaN and infinities included, half of the time; otherwise one in [lo, hi].
  double number(double lo, double hi) {
    if (flag()) {
      std::uint64_t bits = (std::uint64_t(u32()) << 32) | u32();
      double v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    return lo + (hi - lo) * (double(u32()) / double(std::numeric_limits<std::uint32_t>::max()));
  }
  // The bytes not taken yet.
  const std::uint8_t* rest() const { return data_; }
  std::size_t restSize() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};
