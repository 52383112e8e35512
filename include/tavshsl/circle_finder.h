#pragma once

// The circle finder: circles of a polarity and radius range in an 8-bit image or an edgelet
// map, optionally around an expected centre.
//
//   vcCircleFinderRunParams params;                 // one result, largest radius first
//   params.radiusRange(vcRange(10.0, 40.0));         // client units
//   params.polarity(vcCircleFinderDefs::eLightOnDark);
//   params.maxNumResults(20);
//   vcCircleFinderResultSet found;
//   vfCircleFinder(image, params, found, nullptr, 0);
//   for (const vcCircleFinderResult& c : found.results()) use(c.center(), c.radius());
//
// How it works. The edgelets of the image (reduced first when subSample asks for it) are linked
// into chains by the chain tracker in trend mode, which follows arcs. The longest chains seed
// candidates: a circle is fitted algebraically to a seed's edgelets, and a candidate of the
// wanted polarity whose centre lies in the image and that covers coverageInitialFit of its
// circumference takes in the further chains of its polarity within a window around its centre
// (grabTol of the radius plus 2 pixels) that lie on its circle (refitting after each), within
// 2 pixels, or, while it covers less than 0.6 of its circle, the single best chain of a wider
// band (grabTol of the radius, at least absDeviationTol and 3 pixels). A closed chain is a
// whole circle by itself (coverage 1). With an expected centre, only chains whose polarity
// agrees with that centre seed and grow candidates. A candidate is reported when it covers
// coverageThresh of its circumference, its radius lies in the range widened by half a pixel
// of the searched image at each end, and the grey levels across its edge differ by more than
// cstThresh. Fit sums are kept per chain, so a refit costs constant time.
//
// Nothing above measures how far the edgelets lie from the circle: the outline of a polygon,
// whose sides fall within the bands as they are taken, can be reported as a circle. Such a
// result shows its edgelets spread from the centre (maxPointToCenter - minPointToCenter of
// several pixels, where those of a clean circle stay within a pixel or two).
//
// Maps. The map forms work on the caller's map, marking its cells. Without an expected centre
// the map is restored exactly as it was before the call; with one, the cells that the chain
// tracker consumed stay marked (-1) after the call.
//
// Diagnostics (one record, only with a diagnostics object and flags not 0): 0x10000 the map's
// image and the annotation "Circle Finder"; 0x40000 the sketches "Circle chains" (chains taken
// by candidates, cyan and blue alternately) and "Unused chains" (the others, blue); 0x20000
// the sketch "Found Circles" (every valid candidate: green for light on dark, red for dark on
// light). Client coordinates.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/base/range.h"
#include "platform/base/vector.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/export.h"

class vcDiagObject;
namespace vc_circle_detail {
class FinderImpl;
}

class TAVSHSL_API vcCircleFinderDefs {
 public:
  // Which side of the circle is lighter. The gradient points from dark to light.
  enum Polarity {
    eAnyPolarity = 0,
    eLightOnDark = 1,  // a disc lighter than its surroundings: gradients point to the centre
    eDarkOnLight = 2,  // a disc darker than its surroundings: gradients point away from it
  };

  // Order of the results; the named key decides which result comes first. Any other value
  // orders like eSortCoverage.
  enum SortBy {
    eSortNone = 0,              // candidate order
    eSortRadius = 1,            // largest radius
    eSortCoverage = 2,          // largest coverage
    eSortNumPoints = 3,         // most points
    eSortMagnitude = 4,         // largest mean magnitude
    eSortMinPointToCenter = 5,  // smallest minPointToCenter
    eSortMaxPointToCenter = 6,  // smallest maxPointToCenter
    eSortMeanRadiusDevSqr = 7,  // smallest meanRadiusDevSqr
    eSortAvgDarkPel = 8,        // smallest avgDarkPel
    eSortAvgLightPel = 9,       // largest avgLightPel
  };
};

// Parameters of a circle finder run. A plain value. Invalid values are ignored silently: a
// setter given a value that fails its check (listed with each setter; NaN always fails) leaves
// the field as it was, and a constructor given any argument that fails its check gives the
// default parameters.
class TAVSHSL_API vcCircleFinderRunParams {
 public:
  // polarity: eAnyPolarity. radiusRange: the full range (any radius), client units.
  // maxNumResults: 1 (>= 1). magThresh: 15, edge magnitude threshold in grey levels of contrast
  // (> 0). cstThresh: 20 grey levels (> 0). coverageThresh: 0.5 of the circumference (0 to 1).
  // sortBy: eSortRadius. absDeviationTol: 3 pixels (>= 0). relDeviationTol: 0.1 (>= 0, stored
  // only). coverageInitialFit: 0.1 (0 to 1). grabTol: 0.75 of the radius (>= 0). subSample: 0
  // (-1 to 8; see subSample()).
  vcCircleFinderRunParams(vcCircleFinderDefs::Polarity polarity = vcCircleFinderDefs::eAnyPolarity,
                          const vcRange& radiusRange = vcRange(), long maxNumResults = 1,
                          double magThresh = 15.0, double cstThresh = 20.0,
                          double coverageThresh = 0.5,
                          vcCircleFinderDefs::SortBy sortBy = vcCircleFinderDefs::eSortRadius,
                          double absDeviationTol = 3.0, double relDeviationTol = 0.1,
                          double coverageInitialFit = 0.1, double grabTol = 0.75,
                          long subSample = 0);

  vcCircleFinderDefs::Polarity polarity() const { return polarity_; }
  void polarity(vcCircleFinderDefs::Polarity v) { polarity_ = v; }
  vcCircleFinderDefs::SortBy sortBy() const { return sortBy_; }
  void sortBy(vcCircleFinderDefs::SortBy v) { sortBy_ = v; }
  // Radii searched, client units. A result's radius lies in this range or at most half a pixel
  // of the searched image (the reduced one when the finder reduces it) beyond either end.
  // Ignored: an ordinary range that does not start above 0.
  const vcRange& radiusRange() const { return radiusRange_; }
  void radiusRange(const vcRange& v);
  // Most results reported. Ignored: below 1.
  long maxNumResults() const { return maxNumResults_; }
  void maxNumResults(long v);
  // Share of the circumference (edgelets per 2 pi r pixels) a result must cover. Ignored:
  // negative.
  double coverageThresh() const { return coverageThresh_; }
  void coverageThresh(double v);
  // Share a seed chain's own circle must cover before it grabs more chains; it also sets the
  // shortest seed chain, coverageInitialFit x 2 pi x smallest radius (at least 4). Ignored:
  // negative.
  double coverageInitialFit() const { return coverageInitialFit_; }
  void coverageInitialFit(double v);
  // Edge magnitude threshold used when the finder builds the map. Ignored: not above 0.
  double magThresh() const { return magThresh_; }
  void magThresh(double v);
  // Smallest light-minus-dark grey-level difference across a result's edge (must be exceeded).
  // Ignored: negative.
  double cstThresh() const { return cstThresh_; }
  void cstThresh(double v);
  // Least half-width, pixels, of the wide band in which a chain is grabbed. Not checked.
  double absDeviationTol() const { return absDeviationTol_; }
  void absDeviationTol(double v) { absDeviationTol_ = v; }
  // Stored only; the finder does not use it. Not checked.
  double relDeviationTol() const { return relDeviationTol_; }
  void relDeviationTol(double v) { relDeviationTol_ = v; }
  // Grab window half-size and wide band half-width as a share of the radius. Not checked.
  double grabTol() const { return grabTol_; }
  void grabTol(double v) { grabTol_ = v; }
  // Reduction factor of the image forms: 0 none, 1 to 8 a Gaussian reduction by that factor,
  // -1 the factor chosen from the radius range (half the mid radius in pixels, 1 to 8; no
  // reduction for a range that is not ordinary). Ignored: outside -1 to 8.
  long subSample() const { return subSample_; }
  void subSample(long v);
  // Stored for compatibility; results never point into the map's pool. Not checked.
  bool sharePool() const { return sharePool_; }
  void sharePool(bool v) { sharePool_ = v; }

 private:
  vcCircleFinderDefs::Polarity polarity_ = vcCircleFinderDefs::eAnyPolarity;
  vcCircleFinderDefs::SortBy sortBy_ = vcCircleFinderDefs::eSortRadius;
  vcRange radiusRange_;
  long maxNumResults_ = 1;
  double coverageThresh_ = 0.5;
  double coverageInitialFit_ = 0.1;
  double magThresh_ = 15.0;
  double cstThresh_ = 20.0;
  double absDeviationTol_ = 3.0;
  double relDeviationTol_ = 0.1;
  double grabTol_ = 0.75;
  long subSample_ = 0;
  bool sharePool_ = false;
};

// One circle found. A plain value.
class TAVSHSL_API vcCircleFinderResult {
 public:
  // Not found: no points.
  vcCircleFinderResult() = default;

  // Whether this is a circle (numPoints() != 0).
  bool isFound() const { return numPoints_ != 0; }
  // Edgelets of the chains that make up the circle.
  long numPoints() const { return numPoints_; }
  // Centre, client coordinates.
  const vcVector<2>& center() const { return center_; }
  // eLightOnDark or eDarkOnLight.
  vcCircleFinderDefs::Polarity polarity() const { return polarity_; }
  // Radius, client units.
  double radius() const { return radius_; }
  // Edgelets per pixel of circumference; 1 for a circle traced all round as one closed chain.
  double coverage() const { return coverage_; }
  // Mean edgelet magnitude, grey levels of contrast.
  double magnitude() const { return magnitude_; }
  // Smallest and largest distance of an edgelet from the centre, and the mean squared distance
  // of the edgelets from the centre: pixels (squared pixels) of the image searched, the
  // reduced one when the finder reduced it.
  double minPointToCenter() const { return minPointToCenter_; }
  double maxPointToCenter() const { return maxPointToCenter_; }
  double meanRadiusDevSqr() const { return meanRadiusDevSqr_; }
  // Grey levels on the dark and on the light side of the edge (each the mean of the probed
  // extremes averaged with the most extreme one).
  double avgDarkPel() const { return avgDarkPel_; }
  double avgLightPel() const { return avgLightPel_; }

 private:
  friend class vc_circle_detail::FinderImpl;

  long numPoints_ = 0;
  vcVector<2> center_;
  vcCircleFinderDefs::Polarity polarity_ = vcCircleFinderDefs::eLightOnDark;
  double radius_ = 0.0;
  double coverage_ = 0.0;
  double magnitude_ = 0.0;
  double minPointToCenter_ = 0.0;
  double maxPointToCenter_ = 0.0;
  double meanRadiusDevSqr_ = 0.0;
  double avgDarkPel_ = 0.0;
  double avgLightPel_ = 0.0;
};

// The circles of one run, best first by the sort key, and how many candidates were tried.
class TAVSHSL_API vcCircleFinderResultSet {
 public:
  const std::vector<vcCircleFinderResult>& results() const { return results_; }
  // Seed chains whose first fit succeeded (without expected centre) or seed chains tried
  // (with one).
  long numCandidates() const { return numCandidates_; }

 private:
  friend class vc_circle_detail::FinderImpl;

  std::vector<vcCircleFinderResult> results_;
  long numCandidates_ = 0;
};

// A reusable circle finder: its tables are kept from run to run. Not for use from two threads
// at once.
class TAVSHSL_API vcCircleFinder {
 public:
  vcCircleFinder();
  ~vcCircleFinder();
  vcCircleFinder(const vcCircleFinder&) = delete;
  vcCircleFinder& operator=(const vcCircleFinder&) = delete;

  // Finds circles in image (see the top of this file) and replaces the contents of results.
  // An unbound image gives no results.
  // Throws: vcBadParamsError when the reduction asked for does not fit the image (an image
  // smaller than the factor) or the image's pixel coordinates exceed 16 bits; std::bad_alloc.
  // results is then unchanged.
  void run(const vcPelBuffer_const<unsigned char>& image, const vcCircleFinderRunParams& params,
           vcCircleFinderResultSet& results, vcDiagObject* diag, unsigned long flags);
  // As above on the caller's map (never reduced), which is restored before the call returns.
  // Throws: as vfChainTracker for a map whose cells are not its own.
  void run(const vcEdgeletMap& map, const vcCircleFinderRunParams& params,
           vcCircleFinderResultSet& results, vcDiagObject* diag, unsigned long flags);
  // As the forms above, seeding only from chains whose polarity agrees with the expected
  // centre (client coordinates). The map form leaves the map's consumed cells marked.
  // Throws: as above; vcBadParamsError for a centre that is not finite.
  void run(const vcPelBuffer_const<unsigned char>& image, const vcVector<2>& expectedCenter,
           const vcCircleFinderRunParams& params, vcCircleFinderResultSet& results,
           vcDiagObject* diag, unsigned long flags);
  void run(const vcEdgeletMap& map, const vcVector<2>& expectedCenter,
           const vcCircleFinderRunParams& params, vcCircleFinderResultSet& results,
           vcDiagObject* diag, unsigned long flags);

 private:
  vc_circle_detail::FinderImpl* impl_;
};

// The four forms of vcCircleFinder::run on one static finder per form, each form serialising
// its calls with its own lock (calls of different forms may run at once). Same contracts.
TAVSHSL_API void vfCircleFinder(const vcPelBuffer_const<unsigned char>& image,
                                const vcCircleFinderRunParams& params,
                                vcCircleFinderResultSet& results, vcDiagObject* diag,
                                unsigned long flags);
TAVSHSL_API void vfCircleFinder(const vcEdgeletMap& map, const vcCircleFinderRunParams& params,
                                vcCircleFinderResultSet& results, vcDiagObject* diag,
                                unsigned long flags);
TAVSHSL_API void vfCircleFinder(const vcPelBuffer_const<unsigned char>& image,
                                const vcVector<2>& expectedCenter,
                                const vcCircleFinderRunParams& params,
                                vcCircleFinderResultSet& results, vcDiagObject* diag,
                                unsigned long flags);
TAVSHSL_API void vfCircleFinder(const vcEdgeletMap& map, const vcVector<2>& expectedCenter,
                                const vcCircleFinderRunParams& params,
                                vcCircleFinderResultSet& results, vcDiagObject* diag,
                                unsigned long flags);
