// `shapesel chains`: the chain tracker's chains (the results proper, those of
// at least --min-edgelets edgelets), with their client end points.

#include <map>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/tool.h"
#include "platform/base/polygon.h"
#include "platform/base/timer.h"
#include "platform/graphics/graphic_simple.h"
#include "tavshsl/chain_tracker.h"

namespace {

using Defs = vcChainTrackerDefs;

const std::map<std::string, Defs::SortBy>& sortNames() {
  static const std::map<std::string, Defs::SortBy> names = {{"unsorted", Defs::eUnsorted},
                                                            {"length", Defs::eSortByLength},
                                                            {"light", Defs::eSortByLightPel},
                                                            {"dark", Defs::eSortByDarkPel},
                                                            {"magnitude", Defs::eSortByMagnitude}};
  return names;
}

class ChainsTool : public vcShapeselTool {
 public:
  void addOptions(CLI::App& sub) override {
    const vcChainTrackerRunParams d;
    minEdgelets_ = d.minEdgesPerChain();
    magThresh_ = d.magThresh();
    angleTol_ = d.angleTol().toDouble();
    lineMode_ = d.lineMode();
    trendAngleTol_ = d.trendAngleTol().toDouble();
    trendWindow_ = d.trendWindowSize();
    trendStep_ = d.trendForwardStep();
    probe_ = d.probePelVal();
    for (const auto& [name, value] : sortNames())
      if (value == d.sortBy()) sortBy_ = name;

    sub.add_option("--min-edgelets", minEdgelets_, "Shortest chain reported, edgelets")
        ->capture_default_str()
        ->check(CLI::Range(0L, 1L << 30));
    sub.add_option("--mag-thresh", magThresh_, "Edge magnitude threshold, grey levels per pixel")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 1e6));
    sub.add_option("--angle-tol", angleTol_, "Largest gradient change between edgelets, degrees")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 180.0));
    sub.add_flag("--line-mode", lineMode_, "Straight chains: compare with the first edgelet");
    sub.add_option("--sort", sortBy_, "Order of the chains")
        ->capture_default_str()
        ->check(CLI::IsMember({"unsorted", "length", "light", "dark", "magnitude"}));
    sub.add_option("--trend-angle-tol", trendAngleTol_, "Tolerance against the trend, degrees")
        ->capture_default_str()
        ->check(vfFiniteIn(0.0, 180.0));
    sub.add_option("--trend-window", trendWindow_, "Trend window W, edgelets (trend mode from 2)")
        ->capture_default_str()
        ->check(CLI::Range(0L, 120L));
    sub.add_option("--trend-step", trendStep_, "Trend prediction step F, edgelets")
        ->capture_default_str()
        ->check(CLI::Range(0L, 120L));
    sub.add_flag("--probe", probe_, "Probe the dark and light grey values beside each chain");
  }

  nlohmann::ordered_json params() const override {
    return {{"min-edgelets", minEdgelets_},
            {"mag-thresh", magThresh_},
            {"angle-tol", angleTol_},
            {"line-mode", lineMode_},
            {"sort", sortBy_},
            {"trend-angle-tol", trendAngleTol_},
            {"trend-window", trendWindow_},
            {"trend-step", trendStep_},
            {"probe", probe_}};
  }

  vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
                unsigned long flags) const override {
    const vcChainTrackerRunParams params(minEdgelets_, magThresh_, vcDegree(angleTol_), lineMode_,
                                         sortNames().at(sortBy_), vcDegree(trendAngleTol_),
                                         trendWindow_, trendStep_, probe_);
    vsToolRun run;
    vcChainTrackerResultSet chains;
    vcTimer timer(true);
    vfChainTracker(image, params, chains, diag, flags);
    run.seconds = timer.sec();

    // The results proper, each with its points in client coordinates.
    const vcXform<2>& clientFromImage = chains.edgeletMap().clientFromImageXform();
    run.table.columns = {"#", "edgelets", "closed", "x1", "y1", "x2", "y2", "magnitude"};
    if (probe_) run.table.columns.insert(run.table.columns.end(), {"dark", "light"});
    for (long k = 0; k < chains.numResults(); ++k) {
      const vcChainTrackerResult& c = chains.results()[std::size_t(k)];
      std::vector<vcVector<2>> points;
      nlohmann::ordered_json jsonPoints = nlohmann::ordered_json::array();
      for (long i = 0; i < c.numEdgelets(); ++i) {
        points.push_back(clientFromImage.mapPoint(
            chains.edges()[std::size_t(c.edgeletIndexes()[i])].position()));
        jsonPoints.push_back(vfJsonPoint(points.back()));
      }
      if (points.empty()) continue;
      const vcVector<2>& first = points.front();
      const vcVector<2>& last = points.back();
      std::vector<std::string> row = {std::to_string(k),           std::to_string(c.numEdgelets()),
                                      c.isClosed() ? "yes" : "no", vfFixed(first.x(), 2),
                                      vfFixed(first.y(), 2),       vfFixed(last.x(), 2),
                                      vfFixed(last.y(), 2),        vfFixed(c.magnitude(), 1)};
      if (probe_) row.insert(row.end(), {vfFixed(c.avgDarkPel(), 1), vfFixed(c.avgLightPel(), 1)});
      run.table.rows.push_back(row);
      run.results.push_back({{"numEdgelets", c.numEdgelets()},
                             {"closed", c.isClosed()},
                             {"magnitude", vfJsonNumber(c.magnitude())},
                             {"avgDarkPel", vfJsonNumber(c.avgDarkPel())},
                             {"avgLightPel", vfJsonNumber(c.avgLightPel())},
                             {"first", vfJsonPoint(first)},
                             {"last", vfJsonPoint(last)},
                             {"points", jsonPoints}});
      run.overlay.append(vcGraphicSimple<vcPolygon>(vcPolygon(points, c.isClosed()),
                                                    vcGraphicProps(vfResultColor(std::size_t(k)))));
    }
    return run;
  }

 private:
  long minEdgelets_ = 0;
  double magThresh_ = 0.0;
  double angleTol_ = 0.0;
  bool lineMode_ = false;
  std::string sortBy_;
  double trendAngleTol_ = 0.0;
  long trendWindow_ = 0;
  long trendStep_ = 0;
  bool probe_ = false;
};

const bool registered =
    vfRegisterTool({"chains", "Chains: runs of linked edgelets whose gradients agree",
                    [] { return std::unique_ptr<vcShapeselTool>(new ChainsTool); }});

}  // namespace
