// One function per tool. Each takes a numpy image and the tool's run parameters as keyword
// arguments with the names and defaults of the C++ run-parameter classes (angles in degrees),
// runs the tool with the interpreter lock released, and returns the results as values.

#include "tools.h"

#include <pybind11/stl.h>

#include <cmath>
#include <cwchar>
#include <optional>
#include <string>

#include "image_arg.h"
#include "platform/base/exception.h"
#include "results.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/line_tracker.h"

namespace py = pybind11;

namespace tavshsl_py {
namespace {

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Shortest decimal text of a value, as Python would print it.
std::wstring number(double v) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%.15g", v);
  return text;
}

// The circle finder's setters ignore invalid values; from Python a refused value is an error
// instead, so that a typo never runs the finder with a default the caller did not ask for.
template <class T>
void setChecked(vcCircleFinderRunParams& params, void (vcCircleFinderRunParams::*set)(T),
                T (vcCircleFinderRunParams::*get)() const, T value, const char* name,
                const char* valid) {
  (params.*set)(value);
  if (!((params.*get)() == value))
    throw vcBadParamsError(L"circles: " + wide(name) + L" " + number(double(value)) +
                           L" is not valid, it must be " + wide(valid));
}

// A tolerance the finder stores without checking: refused unless finite and not negative.
double tolerance(double value, const char* name) {
  if (!(std::isfinite(value) && value >= 0.0))
    throw vcBadParamsError(L"circles: " + wide(name) + L" " + number(value) +
                           L" is not valid, it must be finite and >= 0");
  return value;
}

vcCircleFinderRunParams circleParams(vcCircleFinderDefs::Polarity polarity,
                                     std::optional<std::pair<double, double>> radiusRange,
                                     long maxNumResults, double magThresh, double cstThresh,
                                     double coverageThresh, vcCircleFinderDefs::SortBy sortBy,
                                     double absDeviationTol, double relDeviationTol,
                                     double coverageInitialFit, double grabTol, long subSample) {
  using P = vcCircleFinderRunParams;
  P params;
  params.polarity(polarity);
  params.sortBy(sortBy);
  if (radiusRange) {
    const vcRange range(radiusRange->first, radiusRange->second);  // throws for low > high
    params.radiusRange(range);
    if (!(params.radiusRange() == range))
      throw vcBadParamsError(L"circles: radiusRange (" + number(range.start()) + L", " +
                             number(range.end()) + L") is not valid, the radii must be above 0");
  }
  setChecked<long>(params, &P::maxNumResults, &P::maxNumResults, maxNumResults, "maxNumResults",
                   ">= 1");
  setChecked<double>(params, &P::magThresh, &P::magThresh, magThresh, "magThresh", "> 0");
  setChecked<double>(params, &P::cstThresh, &P::cstThresh, cstThresh, "cstThresh", ">= 0");
  setChecked<double>(params, &P::coverageThresh, &P::coverageThresh, coverageThresh,
                     "coverageThresh", ">= 0");
  setChecked<double>(params, &P::coverageInitialFit, &P::coverageInitialFit, coverageInitialFit,
                     "coverageInitialFit", ">= 0");
  setChecked<long>(params, &P::subSample, &P::subSample, subSample, "subSample", "in [-1, 8]");
  params.absDeviationTol(tolerance(absDeviationTol, "absDeviationTol"));
  params.relDeviationTol(tolerance(relDeviationTol, "relDeviationTol"));
  params.grabTol(tolerance(grabTol, "grabTol"));
  return params;
}

ClientTransform client(double scale, std::pair<double, double> offset) { return {scale, offset}; }

// The keyword arguments every tool takes after its own.
py::arg_v clientScaleArg() { return py::arg("clientScale") = 1.0; }
py::arg_v clientOffsetArg() {
  return py::arg("clientOffset") = std::pair<double, double>(0.0, 0.0);
}

}  // namespace

void bindTools(py::module_& m) {
  py::class_<vcChainTrackerDefs> chainDefs(m, "ChainTrackerDefs");
  py::enum_<vcChainTrackerDefs::SortBy>(chainDefs, "SortBy")
      .value("eUnsorted", vcChainTrackerDefs::eUnsorted)
      .value("eSortByLength", vcChainTrackerDefs::eSortByLength)
      .value("eSortByLightPel", vcChainTrackerDefs::eSortByLightPel)
      .value("eSortByDarkPel", vcChainTrackerDefs::eSortByDarkPel)
      .value("eSortByMagnitude", vcChainTrackerDefs::eSortByMagnitude)
      .export_values();

  py::class_<vcCircleFinderDefs> circleDefs(m, "CircleFinderDefs");
  py::enum_<vcCircleFinderDefs::Polarity>(circleDefs, "Polarity")
      .value("eAnyPolarity", vcCircleFinderDefs::eAnyPolarity)
      .value("eLightOnDark", vcCircleFinderDefs::eLightOnDark)
      .value("eDarkOnLight", vcCircleFinderDefs::eDarkOnLight)
      .export_values();
  py::enum_<vcCircleFinderDefs::SortBy>(circleDefs, "SortBy")
      .value("eSortNone", vcCircleFinderDefs::eSortNone)
      .value("eSortRadius", vcCircleFinderDefs::eSortRadius)
      .value("eSortCoverage", vcCircleFinderDefs::eSortCoverage)
      .value("eSortNumPoints", vcCircleFinderDefs::eSortNumPoints)
      .value("eSortMagnitude", vcCircleFinderDefs::eSortMagnitude)
      .value("eSortMinPointToCenter", vcCircleFinderDefs::eSortMinPointToCenter)
      .value("eSortMaxPointToCenter", vcCircleFinderDefs::eSortMaxPointToCenter)
      .value("eSortMeanRadiusDevSqr", vcCircleFinderDefs::eSortMeanRadiusDevSqr)
      .value("eSortAvgDarkPel", vcCircleFinderDefs::eSortAvgDarkPel)
      .value("eSortAvgLightPel", vcCircleFinderDefs::eSortAvgLightPel)
      .export_values();

  const vcChainTrackerRunParams chainDefaults;
  const vcLineTrackerRunParams lineDefaults;
  const vcCircleFinderRunParams circleDefaults;

  m.def(
      "edgelets",
      [](const py::object& array, double magThresh, double clientScale,
         std::pair<double, double> clientOffset) {
        const vcPelBuffer_const<unsigned char> image =
            imageFromArray(array, client(clientScale, clientOffset));
        vcEdgeletMap map;
        {
          py::gil_scoped_release unlocked;
          map = vcEdgeletMap(image, magThresh);
        }
        return edgeletsOf(map);
      },
      "The edgelets of image: sub-pixel edge points of gradient magnitude >= magThresh.",
      py::arg("image"), py::kw_only(), py::arg("magThresh") = lineDefaults.magThresh(),
      clientScaleArg(), clientOffsetArg());

  m.def(
      "chains",
      [](const py::object& array, long minEdgesPerChain, double magThresh, double angleTol,
         bool lineMode, vcChainTrackerDefs::SortBy sortBy, double trendAngleTol,
         long trendWindowSize, long trendForwardStep, bool probePelVal, double clientScale,
         std::pair<double, double> clientOffset) {
        const vcPelBuffer_const<unsigned char> image =
            imageFromArray(array, client(clientScale, clientOffset));
        const vcChainTrackerRunParams params(minEdgesPerChain, magThresh, vcDegree(angleTol),
                                             lineMode, sortBy, vcDegree(trendAngleTol),
                                             trendWindowSize, trendForwardStep, probePelVal);
        vcChainTrackerResultSet set;
        {
          py::gil_scoped_release unlocked;
          vfChainTracker(image, params, set, nullptr, 0);
        }
        return chainsOf(set);
      },
      "The chains of image: runs of 8-connected edgelets whose gradient directions agree.",
      py::arg("image"), py::kw_only(),
      py::arg("minEdgesPerChain") = chainDefaults.minEdgesPerChain(),
      py::arg("magThresh") = chainDefaults.magThresh(),
      py::arg("angleTol") = chainDefaults.angleTol().toDouble(),
      py::arg("lineMode") = chainDefaults.lineMode(), py::arg("sortBy") = chainDefaults.sortBy(),
      py::arg("trendAngleTol") = chainDefaults.trendAngleTol().toDouble(),
      py::arg("trendWindowSize") = chainDefaults.trendWindowSize(),
      py::arg("trendForwardStep") = chainDefaults.trendForwardStep(),
      py::arg("probePelVal") = chainDefaults.probePelVal(), clientScaleArg(), clientOffsetArg());

  m.def(
      "lines",
      [](const py::object& array, double magThresh, double angleTol, double distanceTol,
         long minNumEdgelets, unsigned long auxResults, double clientScale,
         std::pair<double, double> clientOffset) {
        const vcPelBuffer_const<unsigned char> image =
            imageFromArray(array, client(clientScale, clientOffset));
        const vcLineTrackerRunParams params(magThresh, vcDegree(angleTol), distanceTol,
                                            minNumEdgelets, auxResults);
        vcLineTrackerResultSet set;
        {
          py::gil_scoped_release unlocked;
          vfLineTracker(image, params, set, nullptr, 0);
        }
        return linesOf(set);
      },
      "The straight lines of image, fitted to straight runs of edgelets.", py::arg("image"),
      py::kw_only(), py::arg("magThresh") = lineDefaults.magThresh(),
      py::arg("angleTol") = lineDefaults.angleTol().toDouble(),
      py::arg("distanceTol") = lineDefaults.distanceTol(),
      py::arg("minNumEdgelets") = lineDefaults.minNumEdgelets(),
      py::arg("auxResults") = lineDefaults.auxResults(), clientScaleArg(), clientOffsetArg());

  m.def(
      "circles",
      [](const py::object& array, vcCircleFinderDefs::Polarity polarity,
         std::optional<std::pair<double, double>> radiusRange, long maxNumResults, double magThresh,
         double cstThresh, double coverageThresh, vcCircleFinderDefs::SortBy sortBy,
         double absDeviationTol, double relDeviationTol, double coverageInitialFit, double grabTol,
         long subSample, std::optional<std::pair<double, double>> expectedCenter,
         double clientScale, std::pair<double, double> clientOffset) {
        const vcPelBuffer_const<unsigned char> image =
            imageFromArray(array, client(clientScale, clientOffset));
        const vcCircleFinderRunParams params = circleParams(
            polarity, radiusRange, maxNumResults, magThresh, cstThresh, coverageThresh, sortBy,
            absDeviationTol, relDeviationTol, coverageInitialFit, grabTol, subSample);
        vcCircleFinderResultSet set;
        {
          // A finder of its own for each call: the library's shared finder would make calls
          // from several threads wait for each other.
          py::gil_scoped_release unlocked;
          vcCircleFinder finder;
          if (expectedCenter)
            finder.run(image, vcVector<2>(expectedCenter->first, expectedCenter->second), params,
                       set, nullptr, 0);
          else
            finder.run(image, params, set, nullptr, 0);
        }
        return circlesOf(set);
      },
      "Circles of a polarity and radius range (client units; None: any radius) in image,\n"
      "optionally seeded only from edges that agree with an expected centre.",
      py::arg("image"), py::kw_only(), py::arg("polarity") = circleDefaults.polarity(),
      py::arg("radiusRange") = py::none(),
      py::arg("maxNumResults") = circleDefaults.maxNumResults(),
      py::arg("magThresh") = circleDefaults.magThresh(),
      py::arg("cstThresh") = circleDefaults.cstThresh(),
      py::arg("coverageThresh") = circleDefaults.coverageThresh(),
      py::arg("sortBy") = circleDefaults.sortBy(),
      py::arg("absDeviationTol") = circleDefaults.absDeviationTol(),
      py::arg("relDeviationTol") = circleDefaults.relDeviationTol(),
      py::arg("coverageInitialFit") = circleDefaults.coverageInitialFit(),
      py::arg("grabTol") = circleDefaults.grabTol(),
      py::arg("subSample") = circleDefaults.subSample(), py::arg("expectedCenter") = py::none(),
      clientScaleArg(), clientOffsetArg());
}

}  // namespace tavshsl_py
