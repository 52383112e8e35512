// `shapesel strokes`: the centre-lines of bright thick strokes as segments with their widths
// and magnitudes (how straight each ridge was), in client coordinates. With --stages DIR the
// working images of each run are written as DIR/<n>-cleaned.png (median-filtered input),
// DIR/<n>-mask.png (stroke pixels white) and DIR/<n>-distance.png (twice the distance to the
// background, multiplied by the largest whole factor that keeps it within 255, so that thin
// strokes show), n counting the images from 1, so that one can see why a stroke was or was not
// found.

#include <algorithm>
#include <filesystem>
#include <string>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/tool.h"
#include "io/image_file.h"
#include "platform/base/line_seg.h"
#include "platform/base/timer.h"
#include "platform/graphics/graphic_simple.h"
#include "src/skeleton/skeletal_extraction.h"

namespace {

class StrokesTool : public vcShapeselTool {
 public:
  void addOptions(CLI::App& sub) override {
    sub.add_option("--min-length", minLength_, "Shortest segment reported, pixels")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
    sub.add_option("--stages", stagesDir_,
                   "Write the cleaned image, the stroke mask and the distance image of each "
                   "run into DIR as PNG files");
  }

  nlohmann::ordered_json params() const override { return {{"min-length", minLength_}}; }

  vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject*,
                unsigned long) const override {
    vsToolRun run;
    std::vector<vcFoundSegment> segments;
    vsSkeletalStages stages;
    vcTimer timer(true);
    vfExtractSkeletalSegments(image, segments, minLength_, lut_,
                              stagesDir_.empty() ? nullptr : &stages);
    run.seconds = timer.sec();
    if (!stagesDir_.empty()) writeStages_(stages);

    run.table.columns = {"#", "x1", "y1", "x2", "y2", "length", "width", "magnitude"};
    for (std::size_t k = 0; k < segments.size(); ++k) {
      const vcFoundSegment& s = segments[k];
      const vcVector<2>& p1 = s.segment().p1();
      const vcVector<2>& p2 = s.segment().p2();
      run.table.rows.push_back({std::to_string(k), vfFixed(p1.x(), 2), vfFixed(p1.y(), 2),
                                vfFixed(p2.x(), 2), vfFixed(p2.y(), 2), vfFixed(s.length(), 2),
                                vfFixed(s.width(), 2), vfFixed(s.magnitude(), 1)});
      run.results.push_back({{"p1", vfJsonPoint(p1)},
                             {"p2", vfJsonPoint(p2)},
                             {"length", vfJsonNumber(s.length())},
                             {"width", vfJsonNumber(s.width())},
                             {"magnitude", vfJsonNumber(s.magnitude())}});
      run.overlay.append(
          vcGraphicSimple<vcLineSeg>(s.segment(), vcGraphicProps(vfResultColor(k), 2)));
    }
    return run;
  }

 private:
  // The working images of the run just made, numbered by the run.
  void writeStages_(const vsSkeletalStages& stages) const {
    const std::filesystem::path dir(stagesDir_);
    std::filesystem::create_directories(dir);
    const std::string n = std::to_string(++runs_);
    vfWritePng((dir / (n + "-cleaned.png")).string(), stages.cleaned);
    vfWritePng((dir / (n + "-mask.png")).string(), stages.mask);
    vfWritePng((dir / (n + "-distance.png")).string(), stretched(stages.distance));
  }

  // The distance image brightened by a whole factor, for viewing.
  static vcPelBuffer<unsigned char> stretched(const vcPelBuffer_const<unsigned char>& distance) {
    long top = 0;
    for (long y = 0; y < distance.height(); ++y)
      for (long x = 0; x < distance.width(); ++x)
        top = std::max<long>(top, distance.pointToRow(y)[x]);
    const long factor = top > 0 ? 255 / top : 1;
    vcPelBuffer<unsigned char> view(distance.width(), distance.height(), 32);
    for (long y = 0; y < distance.height(); ++y)
      for (long x = 0; x < distance.width(); ++x)
        view.pointToRow(y)[x] = static_cast<unsigned char>(distance.pointToRow(y)[x] * factor);
    return view;
  }

  double minLength_ = 20.0;  // what the shape selection tool passes
  std::string stagesDir_;
  const vcPelBuffer<unsigned char> lut_ = vfMakeDistanceLut();
  mutable long runs_ = 0;  // images run so far, for the stage file names
};

const bool registered = vfRegisterTool(
    {"strokes", "Strokes: centre-line segments of bright thick strokes with their widths",
     [] { return std::unique_ptr<vcShapeselTool>(new StrokesTool); }});

}  // namespace
