// `shapesel edges`: the edgelets of the edgelet map, with their client
// positions, magnitudes and gradient directions.

#include <cmath>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/tool.h"
#include "platform/base/line_seg.h"
#include "platform/base/point.h"
#include "platform/base/timer.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/ui_tablet.h"
#include "tavshsl/edgelet_map.h"

namespace {

// Gradient direction of an edgelet in client coordinates, degrees in [0, 360).
double clientAngle(const vcXform<2>& clientFromImage, const vcEdgelet& e) {
  const double deg = vcDegree(clientFromImage.mapAngle(e.angle().toRadian())).toDouble();
  return deg < 0.0 ? deg + 360.0 : deg;
}

class EdgesTool : public vcShapeselTool {
 public:
  void addOptions(CLI::App& sub) override {
    // The map takes its threshold from the tracker that builds it; 15 is the
    // trackers' default, so the edgelets listed are the ones they start from.
    sub.add_option("--mag-thresh", magThresh_, "Edge magnitude threshold, grey levels per pixel")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
  }

  nlohmann::ordered_json params() const override { return {{"mag-thresh", magThresh_}}; }

  vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
                unsigned long flags) const override {
    vsToolRun run;
    vcTimer timer(true);
    const vcEdgeletMap map(image, magThresh_);
    run.seconds = timer.sec();

    // One row, one JSON object and one overlay mark per edgelet.
    const vcXform<2>& clientFromImage = map.clientFromImageXform();
    run.table.columns = {"#", "x", "y", "magnitude", "angle"};
    for (std::size_t i = 0; i < map.edges().size(); ++i) {
      const vcEdgelet& e = map.edges()[i];
      const vcVector<2> p = clientFromImage.mapPoint(e.position());
      const double angle = clientAngle(clientFromImage, e);
      run.table.rows.push_back({std::to_string(i), vfFixed(p.x(), 2), vfFixed(p.y(), 2),
                                std::to_string(e.magnitude()), vfFixed(angle, 1)});
      run.results.push_back({{"x", vfJsonNumber(p.x())},
                             {"y", vfJsonNumber(p.y())},
                             {"pixel", {e.get_i(), e.get_j()}},
                             {"magnitude", e.magnitude()},
                             {"angle", vfJsonNumber(angle)}});
      run.overlay.append(vcGraphicSimple<vcPoint>(vcPoint(p), vcColor::green()));
    }
    record_(map, diag, flags);
    return run;
  }

 private:
  // The map records nothing itself; the command shows what it holds: the
  // image, the edgelets and their gradient directions.
  void record_(const vcEdgeletMap& map, vcDiagObject* diag, unsigned long flags) const {
    vcDiagObject* dest = vcDiagObject::getRecordingDestination(diag, flags);
    if (!dest || !map.isBound()) return;
    const vcXform<2>& clientFromImage = map.clientFromImageXform();
    vcDiagRecord& rec = dest->newDiagRecord();
    if (vcDiagObject::shouldRecord(flags, vcDiagObject::eInputs)) {
      rec.image(map.image(), false);
      rec.recordAnnotation(L"Edgelet Map");
    }
    if (vcDiagObject::shouldRecord(flags, vcDiagObject::eEdgelets)) {
      vcUISketch sketch;
      vcUITablet tablet(sketch);
      for (const vcEdgelet& e : map.edges())
        tablet.drawPixel(clientFromImage.mapPoint(e.position()), vcColor::green());
      rec.sketch(sketch, vcDiagRecord::eClientCoords, L"Edgelets");
    }
    if (vcDiagObject::shouldRecord(flags, vcDiagObject::eResults)) {
      // A tick of 2 pixels from each edgelet towards the light side.
      vcGraphicList ticks;
      for (const vcEdgelet& e : map.edges()) {
        const vcVector<2> tip = e.position() + vcVector<2>(2.0, e.angle().toRadian());
        ticks.append(vcGraphicSimple<vcLineSeg>(
            vcLineSeg(clientFromImage.mapPoint(e.position()), clientFromImage.mapPoint(tip)),
            vcColor::yellow()));
      }
      rec.graphics(ticks, vcDiagRecord::eClientCoords, L"Gradients");
    }
  }

  double magThresh_ = 15.0;
};

const bool registered = vfRegisterTool(
    {"edges", "Edgelets: sub-pixel edge points with magnitude and gradient direction",
     [] { return std::unique_ptr<vcShapeselTool>(new EdgesTool); }});

}  // namespace
