// `shapesel lines`: the line tracker's line segments, end points and
// gradient directions in client coordinates.

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/tool.h"
#include "platform/base/line_seg.h"
#include "platform/base/timer.h"
#include "platform/graphics/graphic_simple.h"
#include "tavshsl/line_tracker.h"

namespace {

// auxResults bits whose values the tracker leaves in image coordinates when
// they are clear.
constexpr unsigned long kClientEnds = 0x8;
constexpr unsigned long kClientAngle = 0x10;

class LinesTool : public vcShapeselTool {
 public:
  void addOptions(CLI::App& sub) override {
    const vcLineTrackerRunParams d;
    magThresh_ = d.magThresh();
    angleTol_ = d.angleTol().toDouble();
    distanceTol_ = d.distanceTol();
    minEdgelets_ = d.minNumEdgelets();
    auxResults_ = d.auxResults();
    sub.add_option("--mag-thresh", magThresh_, "Edge magnitude threshold, grey levels per pixel")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
    sub.add_option("--angle-tol", angleTol_, "Gradient tolerance against the line, degrees")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 180.0));
    sub.add_option("--distance-tol", distanceTol_, "Largest edgelet distance from the line, pixels")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
    sub.add_option("--min-edgelets", minEdgelets_, "Shortest line reported, edgelets")
        ->capture_default_str()
        ->check(CLI::Range(0L, 1L << 30));
    sub.add_option("--aux-results", auxResults_, "Extra results computed, bits (0xFFFF: all)")
        ->capture_default_str()
        ->check(CLI::Range(0UL, 0xFFFFUL));
  }

  nlohmann::ordered_json params() const override {
    return {{"mag-thresh", magThresh_},
            {"angle-tol", angleTol_},
            {"distance-tol", distanceTol_},
            {"min-edgelets", minEdgelets_},
            {"aux-results", auxResults_}};
  }

  vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
                unsigned long flags) const override {
    const vcLineTrackerRunParams params(magThresh_, vcDegree(angleTol_), distanceTol_, minEdgelets_,
                                        auxResults_);
    vsToolRun run;
    vcLineTrackerResultSet lines;
    vcTimer timer(true);
    vfLineTracker(image, params, lines, diag, flags);
    run.seconds = timer.sec();

    // End points and angles the tracker left in image coordinates are mapped
    // here, so that every value printed is in client coordinates.
    const vcXform<2>& clientFromImage = lines.edgeletMap().clientFromImageXform();
    run.table.columns = {"#", "x1", "y1", "x2", "y2", "length", "angle", "edgelets", "magnitude"};
    for (std::size_t k = 0; k < lines.results().size(); ++k) {
      const vcLineTrackerResult& r = lines.results()[k];
      const bool ends = (auxResults_ & kClientEnds) != 0;
      const vcVector<2> p1 = ends ? r.p1() : clientFromImage.mapPoint(r.p1());
      const vcVector<2> p2 = ends ? r.p2() : clientFromImage.mapPoint(r.p2());
      double angle = (auxResults_ & kClientAngle) != 0
                         ? r.gradiantAngle().toDouble()
                         : vcDegree(clientFromImage.mapAngle(r.gradiantAngle())).toDouble();
      if (angle < 0.0) angle += 360.0;
      const double length = p1.distance(p2);
      run.table.rows.push_back({std::to_string(k), vfFixed(p1.x(), 2), vfFixed(p1.y(), 2),
                                vfFixed(p2.x(), 2), vfFixed(p2.y(), 2), vfFixed(length, 2),
                                vfFixed(angle, 1), std::to_string(r.numEdgelets()),
                                vfFixed(r.magnitude(), 1)});
      run.results.push_back({{"p1", vfJsonPoint(p1)},
                             {"p2", vfJsonPoint(p2)},
                             {"length", vfJsonNumber(length)},
                             {"gradientAngle", vfJsonNumber(angle)},
                             {"numEdgelets", r.numEdgelets()},
                             {"magnitude", vfJsonNumber(r.magnitude())},
                             {"error", vfJsonNumber(r.error())},
                             {"endToEndError", vfJsonNumber(r.endToEndError())},
                             {"avgDarkPel", vfJsonNumber(r.avgDarkPel())},
                             {"avgLightPel", vfJsonNumber(r.avgLightPel())}});
      run.overlay.append(
          vcGraphicSimple<vcLineSeg>(vcLineSeg(p1, p2), vcGraphicProps(vfResultColor(k), 2)));
    }
    return run;
  }

 private:
  double magThresh_ = 0.0;
  double angleTol_ = 0.0;
  double distanceTol_ = 0.0;
  long minEdgelets_ = 0;
  unsigned long auxResults_ = 0;
};

const bool registered = vfRegisterTool(
    {"lines", "Lines: straight runs of edgelets with fitted segments and gradient directions",
     [] { return std::unique_ptr<vcShapeselTool>(new LinesTool); }});

}  // namespace
