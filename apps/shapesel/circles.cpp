// `shapesel circles`: circles of a polarity and radius range, optionally
// around an expected centre, with client centres and radii.

#include <map>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/tool.h"
#include "platform/base/circle.h"
#include "platform/base/timer.h"
#include "platform/graphics/graphic_with_fill.h"
#include "tavshsl/circle_finder.h"

namespace {

using Defs = vcCircleFinderDefs;

const std::map<std::string, Defs::Polarity>& polarityNames() {
  static const std::map<std::string, Defs::Polarity> names = {
      {"any", Defs::eAnyPolarity}, {"light", Defs::eLightOnDark}, {"dark", Defs::eDarkOnLight}};
  return names;
}

const std::map<std::string, Defs::SortBy>& sortNames() {
  static const std::map<std::string, Defs::SortBy> names = {
      {"none", Defs::eSortNone},
      {"radius", Defs::eSortRadius},
      {"coverage", Defs::eSortCoverage},
      {"points", Defs::eSortNumPoints},
      {"magnitude", Defs::eSortMagnitude},
      {"min-point", Defs::eSortMinPointToCenter},
      {"max-point", Defs::eSortMaxPointToCenter},
      {"radius-dev", Defs::eSortMeanRadiusDevSqr},
      {"dark", Defs::eSortAvgDarkPel},
      {"light", Defs::eSortAvgLightPel}};
  return names;
}

template <class Map, class Value>
std::string nameOf(const Map& names, Value v) {
  for (const auto& [name, value] : names)
    if (value == v) return name;
  return "";
}

template <class Map>
std::vector<std::string> keys(const Map& names) {
  std::vector<std::string> out;
  for (const auto& entry : names) out.push_back(entry.first);
  return out;
}

class CirclesTool : public vcShapeselTool {
 public:
  void addOptions(CLI::App& sub) override {
    // The finder ignores invalid values silently; the options refuse them.
    const vcCircleFinderRunParams d;
    polarity_ = nameOf(polarityNames(), d.polarity());
    sortBy_ = nameOf(sortNames(), d.sortBy());
    maxResults_ = d.maxNumResults();
    magThresh_ = d.magThresh();
    cstThresh_ = d.cstThresh();
    coverage_ = d.coverageThresh();
    initialCoverage_ = d.coverageInitialFit();
    absDeviationTol_ = d.absDeviationTol();
    grabTol_ = d.grabTol();
    subSample_ = d.subSample();
    sub.add_option("--polarity", polarity_, "Circle polarity: light disc, dark disc or any")
        ->capture_default_str()
        ->check(CLI::IsMember(keys(polarityNames())));
    sub.add_option("--radius", radius_, "Radius range LOW:HIGH, client units (default any)")
        ->check(vfPositiveRangeCheck(':', "LOW:HIGH"));
    sub.add_option("--max", maxResults_, "Most circles reported")
        ->capture_default_str()
        ->check(CLI::Range(1L, 1L << 30));
    sub.add_option("--center", center_, "Expected centre X,Y, client units (default none)")
        ->check(vfPairCheck(',', "X,Y"));
    sub.add_option("--sort", sortBy_, "Order of the circles")
        ->capture_default_str()
        ->check(CLI::IsMember(keys(sortNames())));
    sub.add_option("--mag-thresh", magThresh_, "Edge magnitude threshold, grey levels per pixel")
        ->capture_default_str()
        ->check(vfFiniteIn(1e-9, 1e6));
    sub.add_option("--contrast", cstThresh_, "Least contrast across the circle, grey levels")
        ->capture_default_str()
        ->check(vfFiniteIn(1e-9, 255.0));
    sub.add_option("--coverage", coverage_, "Least share of the circumference found")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1.0));
    sub.add_option("--initial-coverage", initialCoverage_, "Least coverage of a seed chain")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1.0));
    sub.add_option("--abs-dev-tol", absDeviationTol_, "Radius deviation when grabbing, pixels")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
    sub.add_option("--grab-tol", grabTol_, "Grab window, share of the radius")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
    sub.add_option("--sub-sample", subSample_, "Image reduction (0 none, -1 from the radius)")
        ->capture_default_str()
        ->check(CLI::Range(-1L, 8L));
  }

  nlohmann::ordered_json params() const override {
    return {{"polarity", polarity_},
            {"radius", radius_.empty() ? "any" : radius_},
            {"max", maxResults_},
            {"center", center_.empty() ? "none" : center_},
            {"sort", sortBy_},
            {"mag-thresh", magThresh_},
            {"contrast", cstThresh_},
            {"coverage", coverage_},
            {"initial-coverage", initialCoverage_},
            {"abs-dev-tol", absDeviationTol_},
            {"grab-tol", grabTol_},
            {"sub-sample", subSample_}};
  }

  vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
                unsigned long flags) const override {
    // Parameters; the option check refused radius ranges the finder would ignore.
    vcRange radius;
    double lo = 0.0, hi = 0.0;
    if (vfParsePair(radius_, ':', lo, hi)) radius = vcRange(lo, hi);
    const vcCircleFinderRunParams params(
        polarityNames().at(polarity_), radius, maxResults_, magThresh_, cstThresh_, coverage_,
        sortNames().at(sortBy_), absDeviationTol_, 0.1, initialCoverage_, grabTol_, subSample_);

    vsToolRun run;
    vcCircleFinderResultSet found;
    vcCircleFinder finder;
    double cx = 0.0, cy = 0.0;
    vcTimer timer(true);
    if (vfParsePair(center_, ',', cx, cy))
      finder.run(image, vcVector<2>(cx, cy), params, found, diag, flags);
    else
      finder.run(image, params, found, diag, flags);
    run.seconds = timer.sec();

    // Results are in client coordinates already.
    run.table.columns = {"#", "x", "y", "radius", "polarity", "coverage", "points", "contrast"};
    for (std::size_t k = 0; k < found.results().size(); ++k) {
      const vcCircleFinderResult& c = found.results()[k];
      const std::string polarity = nameOf(polarityNames(), c.polarity());
      run.table.rows.push_back({std::to_string(k), vfFixed(c.center().x(), 2),
                                vfFixed(c.center().y(), 2), vfFixed(c.radius(), 2), polarity,
                                vfFixed(c.coverage(), 2), std::to_string(c.numPoints()),
                                vfFixed(c.avgLightPel() - c.avgDarkPel(), 1)});
      run.results.push_back({{"center", vfJsonPoint(c.center())},
                             {"radius", vfJsonNumber(c.radius())},
                             {"polarity", polarity},
                             {"coverage", vfJsonNumber(c.coverage())},
                             {"numPoints", c.numPoints()},
                             {"magnitude", vfJsonNumber(c.magnitude())},
                             {"avgDarkPel", vfJsonNumber(c.avgDarkPel())},
                             {"avgLightPel", vfJsonNumber(c.avgLightPel())},
                             {"meanRadiusDevSqr", vfJsonNumber(c.meanRadiusDevSqr())},
                             {"minPointToCenter", vfJsonNumber(c.minPointToCenter())},
                             {"maxPointToCenter", vfJsonNumber(c.maxPointToCenter())}});
      run.overlay.append(vcGraphicWithFill<vcCircle, vcEllipse2>(
          vcCircle(c.center(), c.radius()), vcGraphicProps(vfResultColor(k), 2)));
    }
    return run;
  }

 private:
  std::string polarity_;
  std::string radius_;
  long maxResults_ = 1;
  std::string center_;
  std::string sortBy_;
  double magThresh_ = 0.0;
  double cstThresh_ = 0.0;
  double coverage_ = 0.0;
  double initialCoverage_ = 0.0;
  double absDeviationTol_ = 0.0;
  double grabTol_ = 0.0;
  long subSample_ = 0;
};

const bool registered =
    vfRegisterTool({"circles", "Circles: fitted to edge chains, by polarity and radius range",
                    [] { return std::unique_ptr<vcShapeselTool>(new CirclesTool); }});

}  // namespace
