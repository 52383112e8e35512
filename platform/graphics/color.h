#pragma once
// Colours of the display library: an (r, g, b) triple of 8-bit levels.
//
// Graphics, sketches and text all carry a vcColor; a renderer reads r(), g()
// and b() back. Typical use:
//   vcColor c = vcColor::green();        // a named colour
//   vcColor shade(0, 0, 200);             // from (r, g, b)
//   vcColor mid(128);                     // a grey level
// Colours are plain values.

#include <cstdint>

class vcColor {
 public:
  // Black.
  constexpr vcColor() = default;
  // The grey level `grey` in every channel. Requires 0 <= grey <= 255;
  // throws vcBadParamsError otherwise.
  explicit vcColor(long grey);
  // Requires each channel in [0, 255]; throws vcBadParamsError otherwise.
  vcColor(long r, long g, long b);

  // The named colours of the display library.
  static vcColor blue() { return bytes_(0, 0, 255); }
  static vcColor cyan() { return bytes_(0, 255, 255); }
  static vcColor green() { return bytes_(0, 255, 0); }
  static vcColor grey() { return bytes_(128, 128, 128); }
  static vcColor orange() { return bytes_(255, 165, 0); }
  // The colour of an accepted result: a darker green than green(), so that
  // text drawn in green on it stays readable.
  static vcColor pass() { return bytes_(0, 128, 0); }
  static vcColor purple() { return bytes_(160, 32, 240); }
  static vcColor red() { return bytes_(255, 0, 0); }
  static vcColor white() { return bytes_(255, 255, 255); }
  static vcColor yellow() { return bytes_(255, 255, 0); }

  uint8_t r() const { return r_; }
  uint8_t g() const { return g_; }
  uint8_t b() const { return b_; }

  bool operator==(const vcColor&) const = default;

 private:
  static constexpr vcColor bytes_(uint8_t r, uint8_t g, uint8_t b) {
    vcColor c;
    c.r_ = r;
    c.g_ = g;
    c.b_ = b;
    return c;
  }

  uint8_t r_ = 0;
  uint8_t g_ = 0;
  uint8_t b_ = 0;
};
