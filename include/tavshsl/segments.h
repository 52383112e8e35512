#pragma once

// Segments: the line-segment values that the segment corresponder matches, and the static
// geometry that measures and scores a pairing of one model segment with one found segment.
//
// A model (boundary or stroke) is made of vcModelSegments; the line tracker and the skeletal
// extraction produce vcFoundSegments from an image. Both keep their length and two angles
// cached, so the hash tables and the corresponder never recompute them.
//
//   vcModelSegment side(vcLineSeg(p, q), 1.0, vcSegmentDefs::eForward);
//   vcFoundSegment seen(vcLineSeg(a, b), magnitude, vcSegmentDefs::eUndirected, width);
//   double overlap = vcSegmentCorresponderUtil::calculateOverlap(side, seen.segment());
//   double score = vcSegmentCorresponderUtil::scoreSegmentPairing(side, seen, sigma);
//
// Angles are radians measured from +x towards +y. Lengths are in the units of the points.

#include "platform/base/angle.h"
#include "platform/base/line_seg.h"
#include "tavshsl/export.h"
#include "tavshsl/segment_defs.h"

// A directed or undirected line segment with cached length, line angle and direction angle.
class TAVSHSL_API vcBaseSegment {
 public:
  // A placeholder: both end points at the origin, eForward, zero length and angles. Assign a
  // real segment before use.
  vcBaseSegment();
  // Stores seg and polarity and computes the cached values (see lineAngle and dirAngle).
  // Throws: vcBadParamsError when polarity is not eForward, eReverse or eUndirected.
  vcBaseSegment(const vcLineSeg& seg, vcSegmentDefs::veSegmentPolarity polarity);

  const vcLineSeg& segment() const { return segment_; }
  vcSegmentDefs::veSegmentPolarity polarity() const { return polarity_; }
  // |p2 - p1|.
  double length() const { return length_; }
  // The angle of the infinite line through the segment, in (-pi/2, pi/2]; a vertical or
  // zero-length segment gives +pi/2.
  vcRadian lineAngle() const { return lineAngle_; }
  // eForward: the angle of p2 - p1; eReverse: the angle of p1 - p2 (both in (-pi, pi]);
  // eUndirected: lineAngle().
  vcRadian dirAngle() const { return dirAngle_; }

 protected:
  // Replaces the segment and recomputes all cached values for the current polarity.
  void segment(const vcLineSeg& seg);
  // Stores the polarity only: dirAngle() keeps the value computed for the previous polarity
  // until the segment is set again.
  // Throws: vcBadParamsError for a value that is no polarity; nothing is changed then.
  void polarity(vcSegmentDefs::veSegmentPolarity polarity);

 private:
  void calcCachedData_();

  vcLineSeg segment_;
  vcSegmentDefs::veSegmentPolarity polarity_;
  double length_;
  vcRadian lineAngle_;
  vcRadian dirAngle_;
};

// A segment of a correspondence model, with its contribution weight.
class TAVSHSL_API vcModelSegment : public vcBaseSegment {
 public:
  // A placeholder with weight 0.
  vcModelSegment() = default;
  // Throws: vcBadParamsError when polarity is not eForward, eReverse or eUndirected.
  vcModelSegment(const vcLineSeg& seg, double weight, vcSegmentDefs::veSegmentPolarity polarity);

  double weight() const { return weight_; }

 private:
  double weight_ = 0.0;
};

// A segment found in an image: an edge line (magnitude = edge strength, width 0) or a stroke
// centre line (magnitude = ridge strength, width = measured stroke width).
class TAVSHSL_API vcFoundSegment : public vcBaseSegment {
 public:
  // A placeholder with magnitude and width 0.
  vcFoundSegment() = default;
  // Note the order: magnitude before polarity, width last.
  // Throws: vcBadParamsError when polarity is not eForward, eReverse or eUndirected.
  vcFoundSegment(const vcLineSeg& seg, double magnitude, vcSegmentDefs::veSegmentPolarity polarity,
                 double width);

  double magnitude() const { return magnitude_; }
  double width() const { return width_; }

  // The base class's setters, made public here:
  //   segment(seg) replaces the segment and recomputes length and angles;
  //   polarity(p) stores the polarity only, dirAngle() follows at the next segment(seg), and
  //   throws vcBadParamsError for a value that is no polarity, changing nothing.
  using vcBaseSegment::polarity;
  using vcBaseSegment::segment;
  void magnitude(double magnitude) { magnitude_ = magnitude; }
  void width(double width) { width_ = width; }

 private:
  double magnitude_ = 0.0;
  double width_ = 0.0;
};

// Stateless geometry of segment pairings. None of these functions throws.
class TAVSHSL_API vcSegmentCorresponderUtil {
 public:
  // The angle of the infinite line through ls, in (-pi/2, pi/2]: atan(dy / dx) of the end
  // point difference, and +pi/2 when dx is 0 within 1e-15 (vertical or zero-length).
  static vcRadian segmentAngle(const vcLineSeg& ls);

  // |p2 - p1|.
  static double segmentLength(const vcLineSeg& ls);

  // The signed length of the common part of the projections of base and other onto the line
  // direction of base: positive when they overlap, 0 when they touch, minus the gap when they
  // are disjoint. The distance between the two lines plays no part; the order of the end
  // points of either segment does not matter.
  static double calculateOverlap(const vcBaseSegment& base, const vcLineSeg& other);

  // How well found explains model, in units of length: with d1, d2 the perpendicular
  // distances of found's end points from the infinite line through model, 0 when
  // max(d1, d2) > 4 sigma, else max(0, overlap) * exp(-m^2 / (2 sigma^2)) with m the mean of
  // d1 and d2. Angles, polarity, weight, magnitude and width do not enter the score.
  // Requires: sigma > 0 (not checked; the corresponder passes its perturbation distance).
  static double scoreSegmentPairing(const vcModelSegment& model, const vcFoundSegment& found,
                                    double sigma);

  // scoreSegmentPairing and calculateOverlap against one model segment, with what depends on
  // the model segment alone worked out once for the many found segments measured against it.
  // The values are those of the two functions above. The model segment is copied from.
  class TAVSHSL_API PairingScorer {
   public:
    PairingScorer(const vcModelSegment& model, double sigma);
    // The same for a model segment given by its line segment and line angle (the value
    // segmentAngle gives for it).
    PairingScorer(const vcLineSeg& model, vcRadian lineAngle, double sigma);
    // scoreSegmentPairing(model, found, sigma).
    double score(const vcFoundSegment& found) const;
    // calculateOverlap(model, other).
    double overlap(const vcLineSeg& other) const;

   private:
    double cosine_, sine_, sigma_;
    vcVector<2> origin_;
    double b1_, b2_;
  };
};
