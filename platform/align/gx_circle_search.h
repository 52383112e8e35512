#pragma once

// The search behind vcGXAlignPattern::run: edge points across a circle's outline, local
// refinement of the circle, and its score. Image coordinates throughout.
//
//   vc_gx_detail::CircleSearch search(image, onePolarity, fine, coarse);
//   vc_gx_detail::SearchCircle c{cx, cy, r};
//   search.refine(c, scaleToo);
//   double score = search.score(c, useClutter);

#include <vector>

#include "platform/base/pel_buffer.h"

namespace vc_gx_detail {

struct SearchCircle {
  double cx, cy, radius;
};

class CircleSearch {
 public:
  CircleSearch(const vcPelBuffer_const<unsigned char>& image, bool onePolarity, double fine,
               double coarse);
  // Moves c towards the outline seen in the image, windows from coarse to fine; c stays
  // within coarse + 1 pixel of where it started (centre and radius).
  void refine(SearchCircle& c, bool scaleToo);
  // Share of samples with an edge point within the fine limit whose gradient points along the
  // radius (within 10 degrees), less the clutter share.
  double score(const SearchCircle& c, bool useClutter);

 private:
  // The strongest peak of each sign of the radial derivative at one sample.
  struct Peak {
    bool found = false;
    double t = 0.0;       // offset along the radius, pixels
    double strength = 0;  // |derivative|, grey levels per pixel
    double slant = 0.0;   // tangential / radial derivative at the peak
  };
  struct SamplePeaks {
    Peak rising, falling;  // derivative > 0 (lighter outside), < 0 (lighter inside)
    bool inside = false;
  };

  void setSamples_(const SearchCircle& c);
  double at_(double x, double y) const;
  double radial_(double px, double py, double ux, double uy) const;
  double tangential_(double px, double py, double ux, double uy) const;
  void probe_(const SearchCircle& c, long k, long window, SamplePeaks& out);
  void probeAll_(const SearchCircle& c, long window);
  // Which peaks count: +1 rising, -1 falling, 0 each sample its stronger one.
  int polarity_() const;
  const Peak* chosen_(const SamplePeaks& s, int pol) const;

  const unsigned char* pels_;
  long stride_, w_, h_;
  double ox_, oy_;
  bool onePolarity_;
  double fine_, coarse_;
  std::vector<double> cos_, sin_;
  std::vector<SamplePeaks> peaks_;
  std::vector<double> profile_;
};

}  // namespace vc_gx_detail
