#include "results.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cstdio>
#include <string>

#include "platform/base/angle.h"

namespace py = pybind11;

namespace tavshsl_py {

Point EdgeletData::clientPosition(long k) const {
  const vcVector<2> p = cache_->clientFromImageXform().mapPoint(edge(k).position());
  return {p.x(), p.y()};
}

double EdgeletData::clientAngle(long k) const {
  const double deg =
      vcDegree(cache_->clientFromImageXform().mapAngle(edge(k).angle().toRadian())).toDouble();
  return deg < 0.0 ? deg + 360.0 : deg;
}

namespace {

// One pool for all results of a run, and where each result's indexes start in it.
std::shared_ptr<const std::vector<long>> copyPool(const long* pool, long size) {
  return std::make_shared<const std::vector<long>>(pool, pool + size);
}

IndexRun indexRun(const EdgeletsPtr& edgelets, const std::shared_ptr<const std::vector<long>>& pool,
                  const long* poolStart, const long* indexes, long count) {
  return {edgelets, pool, count > 0 ? static_cast<long>(indexes - poolStart) : 0, count};
}

std::string fixed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

std::string pointText(const Point& p) {
  return "(" + fixed(p.first) + ", " + fixed(p.second) + ")";
}

py::array_t<long> indexArray(const IndexRun& run) {
  py::array_t<long> out(run.count);
  std::copy_n(run.pool->data() + run.first, run.count, out.mutable_data());
  return out;
}

py::array_t<double> pointArray(const IndexRun& run) {
  py::array_t<double> out({run.count, 2L});
  auto table = out.mutable_unchecked<2>();
  for (long k = 0; k < run.count; ++k) {
    const Point p = run.edgelets->clientPosition((*run.pool)[std::size_t(run.first + k)]);
    table(k, 0) = p.first;
    table(k, 1) = p.second;
  }
  return out;
}

// An n x columns table with row k filled by row(k, pointer to its first cell).
template <class Row>
py::array_t<double> table(long n, long columns, Row row) {
  py::array_t<double> out({n, columns});
  double* cells = out.mutable_data();
  for (long k = 0; k < n; ++k) row(k, cells + k * columns);
  return out;
}

long checkedIndex(long k, long n) {
  if (k < 0) k += n;
  if (k < 0 || k >= n) throw py::index_error("result index out of range");
  return k;
}

// len(), [k] (negative k from the end) and iteration, with the class name and count as repr.
template <class List, class Item>
void bindSequence(py::class_<List>& c, const char* noun) {
  c.def("__len__", [](const List& l) { return l.items.size(); })
      .def("__getitem__",
           [](const List& l, long k) {
             return l.items[std::size_t(checkedIndex(k, long(l.items.size())))];
           })
      .def("__repr__", [noun](const List& l) {
        return "<" + std::to_string(l.items.size()) + " " + noun + ">";
      });
}

}  // namespace

Edgelets edgeletsOf(const vcEdgeletMap& map) { return {std::make_shared<const EdgeletData>(map)}; }

ResultList<Chain> chainsOf(const vcChainTrackerResultSet& set) {
  ResultList<Chain> out;
  out.edgelets = std::make_shared<const EdgeletData>(set.edgeletMap());
  const auto pool = copyPool(set.indexPool(), set.poolSize());
  for (long k = 0; k < set.numResults(); ++k) {
    const vcChainTrackerResult& r = set.results()[std::size_t(k)];
    out.items.push_back(
        {indexRun(out.edgelets, pool, set.indexPool(), r.edgeletIndexes(), r.numEdgelets()),
         r.isClosed(), r.magnitude(), r.avgDarkPel(), r.avgLightPel()});
  }
  return out;
}

ResultList<Line> linesOf(const vcLineTrackerResultSet& set) {
  ResultList<Line> out;
  out.edgelets = std::make_shared<const EdgeletData>(set.edgeletMap());
  out.time = set.time();
  const auto pool = copyPool(set.indexPool(), set.poolSize());
  for (const vcLineTrackerResult& r : set.results())
    out.items.push_back(
        {indexRun(out.edgelets, pool, set.indexPool(), r.edgeletIndexes(), r.numEdgelets()),
         {r.p1().x(), r.p1().y()},
         {r.p2().x(), r.p2().y()},
         r.gradiantAngle().toDouble(),
         r.magnitude(),
         r.error(),
         r.endToEndError(),
         r.avgDarkPel(),
         r.avgLightPel()});
  return out;
}

ResultList<Circle> circlesOf(const vcCircleFinderResultSet& set) {
  ResultList<Circle> out;
  out.numCandidates = set.numCandidates();
  for (const vcCircleFinderResult& r : set.results())
    out.items.push_back({{r.center().x(), r.center().y()},
                         r.radius(),
                         r.coverage(),
                         r.magnitude(),
                         r.numPoints(),
                         r.polarity(),
                         r.minPointToCenter(),
                         r.maxPointToCenter(),
                         r.meanRadiusDevSqr(),
                         r.avgDarkPel(),
                         r.avgLightPel()});
  return out;
}

void bindResults(py::module_& m) {
  py::class_<Edgelet>(m, "Edgelet", "A sub-pixel edge point.")
      .def_readonly("x", &Edgelet::x, "position, client coordinates")
      .def_readonly("y", &Edgelet::y)
      .def_readonly("i", &Edgelet::i, "column of the pixel it was found at")
      .def_readonly("j", &Edgelet::j, "row of that pixel")
      .def_readonly("magnitude", &Edgelet::magnitude, "gradient magnitude, grey levels per pixel")
      .def_readonly("angle", &Edgelet::angle, "gradient direction (dark to light), client degrees")
      .def("__repr__", [](const Edgelet& e) {
        return "Edgelet(x=" + fixed(e.x) + ", y=" + fixed(e.y) +
               ", magnitude=" + std::to_string(e.magnitude) + ", angle=" + fixed(e.angle) + ")";
      });

  py::class_<Edgelets>(m, "Edgelets", "The edgelets of an image, in raster order.")
      .def("__len__", [](const Edgelets& s) { return s.data->size(); })
      .def("__getitem__",
           [](const Edgelets& s, long k) {
             k = checkedIndex(k, s.data->size());
             const vcEdgelet& e = s.data->edge(k);
             const Point p = s.data->clientPosition(k);
             return Edgelet{p.first,   p.second,      e.get_i(),
                            e.get_j(), e.magnitude(), s.data->clientAngle(k)};
           })
      .def_property_readonly(
          "array",
          [](const Edgelets& s) {
            return table(s.data->size(), 4, [&](long k, double* row) {
              const Point p = s.data->clientPosition(k);
              row[0] = p.first;
              row[1] = p.second;
              row[2] = s.data->edge(k).magnitude();
              row[3] = s.data->clientAngle(k);
            });
          },
          "N x 4 array: x, y, magnitude, angle")
      .def("__repr__",
           [](const Edgelets& s) { return "<" + std::to_string(s.data->size()) + " edgelets>"; });

  py::class_<Chain>(m, "Chain", "Linked edgelets, in chain order.")
      .def_property_readonly("numEdgelets", [](const Chain& c) { return c.run.count; })
      .def_readonly("isClosed", &Chain::isClosed)
      .def_readonly("magnitude", &Chain::magnitude, "mean gradient magnitude")
      .def_readonly("avgDarkPel", &Chain::avgDarkPel, "with probePelVal only")
      .def_readonly("avgLightPel", &Chain::avgLightPel, "with probePelVal only")
      .def_property_readonly(
          "edgeletIndexes", [](const Chain& c) { return indexArray(c.run); },
          "indexes into the run's edgelets")
      .def_property_readonly(
          "points", [](const Chain& c) { return pointArray(c.run); },
          "numEdgelets x 2 array of client positions")
      .def("__repr__", [](const Chain& c) {
        return "Chain(numEdgelets=" + std::to_string(c.run.count) +
               ", isClosed=" + (c.isClosed ? "True" : "False") +
               ", magnitude=" + fixed(c.magnitude) + ")";
      });

  py::class_<Line>(m, "Line", "A fitted line segment, client coordinates.")
      .def_readonly("p1", &Line::p1)
      .def_readonly("p2", &Line::p2)
      .def_readonly("gradiantAngle", &Line::gradiantAngle, "normal on the light side, degrees")
      .def_readonly("magnitude", &Line::magnitude)
      .def_readonly("error", &Line::error)
      .def_readonly("endToEndError", &Line::endToEndError)
      .def_readonly("avgDarkPel", &Line::avgDarkPel)
      .def_readonly("avgLightPel", &Line::avgLightPel)
      .def_property_readonly("numEdgelets", [](const Line& l) { return l.run.count; })
      .def_property_readonly("edgeletIndexes", [](const Line& l) { return indexArray(l.run); })
      .def_property_readonly("points", [](const Line& l) { return pointArray(l.run); })
      .def("__repr__", [](const Line& l) {
        return "Line(p1=" + pointText(l.p1) + ", p2=" + pointText(l.p2) +
               ", numEdgelets=" + std::to_string(l.run.count) + ")";
      });

  py::class_<Circle>(m, "Circle", "A circle found, client coordinates.")
      .def_readonly("center", &Circle::center)
      .def_readonly("radius", &Circle::radius)
      .def_readonly("coverage", &Circle::coverage, "share of the circumference with edgelets")
      .def_readonly("numPoints", &Circle::numPoints)
      .def_readonly("polarity", &Circle::polarity)
      .def_readonly("magnitude", &Circle::magnitude)
      .def_readonly("minPointToCenter", &Circle::minPointToCenter)
      .def_readonly("maxPointToCenter", &Circle::maxPointToCenter)
      .def_readonly("meanRadiusDevSqr", &Circle::meanRadiusDevSqr)
      .def_readonly("avgDarkPel", &Circle::avgDarkPel)
      .def_readonly("avgLightPel", &Circle::avgLightPel)
      .def("__repr__", [](const Circle& c) {
        return "Circle(center=" + pointText(c.center) + ", radius=" + fixed(c.radius) +
               ", coverage=" + fixed(c.coverage) + ")";
      });

  py::class_<ResultList<Chain>> chains(m, "Chains", "The chains of one run (results proper).");
  bindSequence<ResultList<Chain>, Chain>(chains, "chains");
  chains.def_property_readonly("edgelets",
                               [](const ResultList<Chain>& l) { return Edgelets{l.edgelets}; });

  py::class_<ResultList<Line>> lines(m, "Lines", "The lines of one run.");
  bindSequence<ResultList<Line>, Line>(lines, "lines");
  lines.def_readonly("time", &ResultList<Line>::time, "seconds taken by the library")
      .def_property_readonly("edgelets",
                             [](const ResultList<Line>& l) { return Edgelets{l.edgelets}; })
      .def_property_readonly(
          "array",
          [](const ResultList<Line>& l) {
            return table(long(l.items.size()), 4, [&](long k, double* row) {
              const Line& line = l.items[std::size_t(k)];
              row[0] = line.p1.first;
              row[1] = line.p1.second;
              row[2] = line.p2.first;
              row[3] = line.p2.second;
            });
          },
          "N x 4 array: x1, y1, x2, y2");

  py::class_<ResultList<Circle>> circles(m, "Circles", "The circles of one run, best first.");
  bindSequence<ResultList<Circle>, Circle>(circles, "circles");
  circles.def_readonly("numCandidates", &ResultList<Circle>::numCandidates)
      .def_property_readonly(
          "array",
          [](const ResultList<Circle>& l) {
            return table(long(l.items.size()), 3, [&](long k, double* row) {
              const Circle& c = l.items[std::size_t(k)];
              row[0] = c.center.first;
              row[1] = c.center.second;
              row[2] = c.radius;
            });
          },
          "N x 3 array: x, y, radius");
}

}  // namespace tavshsl_py
