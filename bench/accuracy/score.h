#pragma once

// Scoring found lines and circles against the truth of accuracy scenes
// (scenes/generate.h), bucket by bucket, for our tools and for the peers alike.
//
//   vcLineScore lines;  vcCircleScore circles;
//   for (...) { lines.add(scene, foundSegments);  circles.add(scene, foundCircles); }
//   lines.print("line tracker");  circles.print("circle finder");
//
// Every position is in image coordinates (pixel (i, j) spans [i, i + 1) x [j, j + 1)).
//
// Lines. A side of 40 pixels or more is a side to find. A found segment lies along a side
// when it is within 5 degrees of it, both its ends are within 2 pixels of the side's line and
// it overlaps the side; for precision its ends must also lie within 2 pixels of the outline
// (a segment may run on round a shallow corner along the next side). Recall is the share of the
// length of the sides to find that segments lying along them cover; a side is one piece when one
// segment covers all of it but 6 pixels. Precision is the share of the found segments of 10 pixels
// or more that lie along a true side, leaving out those that follow a true circle (within 2 pixels
// of its rim at both ends and the middle), which are neither right nor wrong; the shorter segments
// are counted apart. The angle error is the mean over segments of 10 pixels or more lying along a
// side, each counted once (angleErr) and each weighted by its length (angleLen), so that a
// short noisy piece counts as much as a long side in the first and by its share of the
// reported length in the second; the side angle error is the mean, over the sides found in one
// piece, of that piece's.
//
// Circles. A found circle matches a true one when centres and radii each differ by at most
// 2 pixels, closest centres first, one to one. A found circle matching none is false; it is
// "at a corner" when its centre lies within 2 r + 3 pixels of a polygon vertex or bar corner.
// The centre error is the mean over matched circles with nothing hidden; the radius bias the
// mean of found minus true radius over all matched circles.
//
// Buckets: contrast (20-40, 40-60, 60-80, 80+), blur (0-0.5, 0.5-1, 1-1.5), noise (0-4, 4-8,
// 8-12), radius (the scene buckets), the hidden share of a rim as measured on the scene (0, up
// to 0.1, 0.2, 0.3, more) and its crowded share, hidden or within 2 pixels of what hides it
// (0, up to 0.3, 0.4, 0.5, more), and for sides their length (40-80, 80-160, 160+), the sharper of
// their two corners (under 60, 60-80, 80-100 degrees, more) and their clearance, the distance
// to the nearest other shape (under 6, 6-12, 12+ pixels). A side not found in one piece is
// counted as covered by one piece short of its ends (ends%), by several (split%) or by none
// (none%); endGap is how far the longest piece stops short of each end, on average.
// Precision needs the bucket of a found item: blur and noise come from its scene, the radius
// from the found circle; by contrast and hidden share only recall is given.

#include <string>
#include <utility>
#include <vector>

#include "platform/base/vector.h"
#include "scenes/generate.h"

namespace accuracy {

struct vsSegment {
  vcVector<2> p1, p2;
};

struct vsCircle {
  vcVector<2> center;
  double radius = 0.0;
};

// The total length of the union of intervals (a, b) on a line; sorts them.
double unionLength(std::vector<std::pair<double, double>>& intervals);

// One bucket axis: its name and the lower ends of its buckets (the last open above).
struct vsAxis {
  const char* name;
  std::vector<double> lows;
  long bucket(double v) const;
};

// What one scene's segments missed: the sides to find that no one segment covered (indexes
// into the scene's sides) and the false segments of 10 pixels or more (indexes into found).
struct vsLineMisses {
  std::vector<std::size_t> brokenSides, falseSegments;
};

class vcLineScore {
 public:
  // With listMisses, every false segment of 10 pixels or more and every side to find that no
  // one segment covers (with how many pieces cover it and how far short of its ends the cover
  // stops) is printed as it is met, with the scene's label. Returns what the segments missed.
  vsLineMisses add(const vsAccuracyScene& scene, const std::vector<vsSegment>& found,
                   bool listMisses = false, long label = 0);
  // Prints one table: a row per bucket of every axis, then the total.
  void print(const std::string& tool) const;

 private:
  struct Tally {
    double length = 0.0, covered = 0.0;
    long sides = 0, onePiece = 0;
    long reported = 0, onSide = 0, onCircle = 0, shortOnes = 0;
    double angleSum = 0.0;
    long angleCount = 0;
    double weightedAngleSum = 0.0, angleLength = 0.0;  // weighted by segment length
    double sideAngleSum = 0.0;  // over the sides found in one piece, of that piece
    double axisBiasSum = 0.0, cornerTiltSum = 0.0;  // signed angle errors, as angleSum
    // Sides not found in one piece: covered by one piece short of the ends, by several, by
    // none; and the sum over sides of how far the longest piece stops short of both ends.
    long shortEnds = 0, split = 0, missing = 0;
    double endGapSum = 0.0;
  };
  Tally& at_(long axis, long bucket) { return tallies_[std::size_t(axis * 8 + bucket)]; }
  const Tally& at_(long axis, long bucket) const {
    return tallies_[std::size_t(axis * 8 + bucket)];
  }
  std::vector<Tally> tallies_ = std::vector<Tally>(12 * 8);  // 12 axes of up to 8 buckets
  long scenes_ = 0;
};

// What one scene's circles missed: the true circles not found (indexes into the scene's) and
// the false circles found (indexes into found).
struct vsCircleMisses {
  std::vector<std::size_t> missed, falseOnes;
};

class vcCircleScore {
 public:
  // With listMisses, every true circle not found and every false circle is printed as it is
  // met, with the scene's label. Returns what was missed and what was found wrongly.
  vsCircleMisses add(const vsAccuracyScene& scene, const std::vector<vsCircle>& found,
                     bool listMisses = false, long label = 0);
  void print(const std::string& tool) const;

 private:
  struct Tally {
    long truth = 0, matched = 0, found = 0, foundMatched = 0, atCorner = 0;
    double centreSum = 0.0, radiusSum = 0.0;
    long centreCount = 0;
  };
  struct Cell {
    long truth = 0, matched = 0;
  };
  Tally& at_(long axis, long bucket) { return tallies_[std::size_t(axis * 8 + bucket)]; }
  const Tally& at_(long axis, long bucket) const {
    return tallies_[std::size_t(axis * 8 + bucket)];
  }
  std::vector<Tally> tallies_ = std::vector<Tally>(12 * 8);  // 12 axes of up to 8 buckets
  // Radius bucket x hidden bucket, and x crowded bucket.
  std::vector<Cell> byHidden_ = std::vector<Cell>(8 * 8), byCrowded_ = std::vector<Cell>(8 * 8);
};

}  // namespace accuracy
