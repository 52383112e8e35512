// `shapesel find`: trains the shape selection tool once from a template file and reports, for
// every image, which templates appear where, with score and pose in client coordinates.

#include <cmath>
#include <memory>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/tool.h"
#include "io/template_file.h"
#include "platform/base/circle.h"
#include "platform/base/timer.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_with_fill.h"
#include "tavshsl/shape_select_tool.h"

namespace {

std::string joined(const std::vector<double>& values, int decimals) {
  std::string text;
  for (const double v : values) text += (text.empty() ? "" : " ") + vfFixed(v, decimals);
  return text.empty() ? "-" : text;
}

// The found template in the overlay: a circle, or its outline.
void drawFound(vcGraphicList& overlay, const vcShapeSelectTemplate& t, const vcColor& color) {
  const vcGraphicProps props(color, 2);
  if (t.modelType() == vcShapeSelectDefs::eCircle) {
    const auto& c = static_cast<const vcShapeSelectTemplateCircle&>(t);
    overlay.append(vcGraphicWithFill<vcCircle, vcEllipse2>(vcCircle(c.center(), c.nominalRadius()),
                                                           props));
  }
  for (const vcLineSeg& side : t.boundarySegments())
    overlay.append(vcGraphicSimple<vcLineSeg>(side, props));
}

class FindTool : public vcShapeselTool {
 public:
  void addOptions(CLI::App& sub) override {
    const vcShapeSelectRunParams d;
    accept_ = d.acceptThreshold();
    sub.add_option("--templates", templates_, "Template file (JSON, see docs/templates.md)")
        ->required();
    sub.add_option("--max", maxResults_,
                   "Most boundary and stroke results per image (every confirmed circle is "
                   "reported besides; the library's default is 1)")
        ->capture_default_str()
        ->check(CLI::Range(1L, 100000L));
    sub.add_option("--accept", accept_, "Least score of a found template, 0 to 1")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1.0));
    sub.add_flag("--all", all_, "Also list results below the accept threshold");
  }

  nlohmann::ordered_json params() const override {
    return {{"templates", templates_}, {"max", maxResults_}, {"accept", accept_}, {"all", all_}};
  }

  vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
                unsigned long flags) const override {
    vsToolRun run;
    // Train once, with the first image's client transform (every image of a command has the
    // same one), recording the templates into the first image's diagnostics.
    if (!tool_) {
      list_ = vfReadTemplates(templates_);
      tool_ = std::make_unique<vcShapeSelectTool>();
      vcTimer timer(true);
      tool_->train(vfTrainParams(list_), vfTemplateHandles(list_),
                   vc2XformLinear(image.clientFromImageXform()), diag, flags);
      run.note = "trained " + std::to_string(list_.size()) + " templates in " +
                 vfFixed(timer.sec() * 1e3, 2) + " ms";
    }

    vcShapeSelectRunParams params;
    params.maxNumResults(maxResults_);
    params.acceptThreshold(accept_);
    vcShapeSelectResultSet found;
    vcTimer timer(true);
    tool_->run(found, image, params, diag, flags);
    run.seconds = timer.sec();

    run.table.columns = {"#", "template", "found", "score", "x", "y", "angle", "scale", "widths"};
    std::size_t shown = 0;
    for (const vcShapeSelectResult& r : found.results()) {
      if (!r.isFound() && !all_) continue;
      const std::string name = list_[std::size_t(r.templateIndex())].name;
      const double angle = r.angle().toDouble();
      run.table.rows.push_back({std::to_string(shown), std::to_string(r.templateIndex()) + " " + name,
                                r.isFound() ? "yes" : "no", vfFixed(r.score(), 3),
                                vfFixed(r.location().x(), 2), vfFixed(r.location().y(), 2),
                                vfFixed(angle, 2), vfFixed(r.uniformScale(), 3),
                                joined(r.poseStrokeWidthFactors(), 2)});
      nlohmann::ordered_json factors = nlohmann::ordered_json::array();
      for (const double f : r.poseStrokeWidthFactors()) factors.push_back(vfJsonNumber(f));
      run.results.push_back({{"template", r.templateIndex()},
                             {"name", name},
                             {"found", r.isFound()},
                             {"score", vfJsonNumber(r.score())},
                             {"location", vfJsonPoint(r.location())},
                             {"angle", vfJsonNumber(angle)},
                             {"scale", vfJsonNumber(r.uniformScale())},
                             {"widthFactors", factors}});
      drawFound(run.overlay, *r.foundTemplate(),
                r.isFound() ? vfResultColor(shown) : vcColor::grey());
      ++shown;
    }
    return run;
  }

 private:
  std::string templates_;
  long maxResults_ = 20;
  double accept_ = 0.6;
  bool all_ = false;
  // The training, made at the first image and kept for the others.
  mutable vsTemplateList list_;
  mutable std::unique_ptr<vcShapeSelectTool> tool_;
};

const bool registered = vfRegisterTool(
    {"find", "Trained shapes: which templates of a template file appear where, with pose",
     [] { return std::unique_ptr<vcShapeselTool>(new FindTool); }});

}  // namespace
