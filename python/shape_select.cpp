// The shape selection tool from Python: templates made from point lists, DOF settings with the
// C++ getters and setters, a tool trained with both and run on numpy images.
//
//   tool = tavshsl.ShapeSelectTool()
//   dofs = tavshsl.ShapeSelectTemplateParams()
//   dofs.zoneEnable(tavshsl.ShapeSelectDefs.eTranslationX | tavshsl.ShapeSelectDefs.eTranslationY)
//   tool.train([tavshsl.ShapeSelectTemplateCircle(15.0)], [dofs])
//   for r in tool.run(image, maxNumResults=5): print(r.templateIndex, r.score, r.location)

#include "shape_select.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <mutex>
#include <utility>
#include <vector>

#include "image_arg.h"
#include "tavshsl/shape_select_tool.h"

namespace py = pybind11;

namespace tavshsl_py {
namespace {

using Point = std::pair<double, double>;

// A template shared with the tools that use it.
struct Template {
  vcPtrHandle<vcShapeSelectTemplate> handle;
};

// The tool and a lock: calls on one tool from several Python threads take turns, as one tool
// serves one call at a time.
struct Tool {
  vcShapeSelectTool tool;
  std::mutex busy;
};

struct ShapeSelectResult {
  bool isFound = false;
  long templateIndex = 0;
  double score = 0.0;
  Point location;
  double angle = 0.0, uniformScale = 1.0, aspect = 1.0;
  std::vector<double> strokeWidthFactors;
  Template foundTemplate;
};

struct ShapeSelectResults {
  std::vector<ShapeSelectResult> items;
};

vcVector<2> vec(const Point& p) { return vcVector<2>(p.first, p.second); }

py::array_t<double> segmentTable(const std::vector<vcLineSeg>& segments) {
  py::array_t<double> out({long(segments.size()), 4L});
  auto t = out.mutable_unchecked<2>();
  for (py::ssize_t k = 0; k < py::ssize_t(segments.size()); ++k) {
    const vcLineSeg& s = segments[std::size_t(k)];
    t(k, 0) = s.p1().x();
    t(k, 1) = s.p1().y();
    t(k, 2) = s.p2().x();
    t(k, 3) = s.p2().y();
  }
  return out;
}

std::vector<vcLineSeg> segmentsOf(const std::vector<std::pair<Point, Point>>& pairs) {
  std::vector<vcLineSeg> out;
  for (const auto& [a, b] : pairs) out.emplace_back(vec(a), vec(b));
  return out;
}

ShapeSelectResults resultsOf(const vcShapeSelectResultSet& set) {
  ShapeSelectResults out;
  for (const vcShapeSelectResult& r : set.results()) {
    const vcVector<2> at = r.location();
    // The found template is shared read-only; Python offers no way to change a template.
    Template found{vcPtrHandle<vcShapeSelectTemplate>(
        const_cast<vcShapeSelectTemplate*>(r.foundTemplate().get()))};
    out.items.push_back({r.isFound(),
                         r.templateIndex(),
                         r.score(),
                         {at.x(), at.y()},
                         r.angle().toDouble(),
                         r.uniformScale(),
                         r.aspect(),
                         r.poseStrokeWidthFactors(),
                         found});
  }
  return out;
}

}  // namespace

void bindShapeSelect(py::module_& m) {
  py::class_<vcShapeSelectDefs> defs(m, "ShapeSelectDefs");
  py::enum_<vcShapeSelectDefs::ModelType>(defs, "ModelType")
      .value("eBoundary", vcShapeSelectDefs::eBoundary)
      .value("eStroke", vcShapeSelectDefs::eStroke)
      .value("eCircle", vcShapeSelectDefs::eCircle)
      .export_values();
  py::enum_<vcShapeSelectDefs::DOF>(defs, "DOF", py::arithmetic())
      .value("eTranslationX", vcShapeSelectDefs::eTranslationX)
      .value("eTranslationY", vcShapeSelectDefs::eTranslationY)
      .value("eAngle", vcShapeSelectDefs::eAngle)
      .value("eScale", vcShapeSelectDefs::eScale)
      .value("eAspect", vcShapeSelectDefs::eAspect)
      .value("eStrokeWidth", vcShapeSelectDefs::eStrokeWidth)
      .export_values();
  py::enum_<vcShapeSelectDefs::Polarity>(defs, "Polarity", py::arithmetic())
      .value("ePolarity1", vcShapeSelectDefs::ePolarity1)
      .value("ePolarity2", vcShapeSelectDefs::ePolarity2)
      .export_values();

  py::class_<Template>(m, "ShapeSelectTemplate",
                       "A circle, closed polygon or stroke figure to search for.")
      .def_property_readonly("modelType", [](const Template& t) { return t.handle->modelType(); })
      .def_property_readonly(
          "boundarySegments",
          [](const Template& t) { return segmentTable(t.handle->boundarySegments()); },
          "N x 4 array: x1, y1, x2, y2 of the outline (empty for a circle)");

  m.def(
      "ShapeSelectTemplateCircle",
      [](double nominalRadius, Point center) {
        return Template{vcPtrHandle<vcShapeSelectTemplate>(
            new vcShapeSelectTemplateCircle(nominalRadius, vec(center)))};
      },
      "A circle template.", py::arg("nominalRadius"), py::arg("center") = Point(0.0, 0.0));
  m.def(
      "ShapeSelectTemplateBoundary",
      [](const std::vector<Point>& vertices) {
        std::vector<vcVector<2>> points;
        for (const Point& p : vertices) points.push_back(vec(p));
        return Template{vcPtrHandle<vcShapeSelectTemplate>(
            new vcShapeSelectTemplateBoundary(vcPolyline(points, true)))};
      },
      "A closed polygon template from its vertices.", py::arg("vertices"));
  m.def(
      "ShapeSelectTemplateStroke",
      [](const std::vector<std::pair<Point, Point>>& skeleton,
         const std::vector<double>& nominalWidths) {
        return Template{vcPtrHandle<vcShapeSelectTemplate>(
            new vcShapeSelectTemplateStroke(segmentsOf(skeleton), nominalWidths))};
      },
      "A stroke figure: skeleton segments ((x1, y1), (x2, y2)) and one width per segment.",
      py::arg("skeleton"), py::arg("nominalWidths"));

  using P = vcShapeSelectTemplateParams;
  py::class_<P>(m, "ShapeSelectTemplateParams",
                "DOF settings of one template: zones, nominal values, enabled zones, polarities.")
      .def(py::init<>())
      .def("nominal", py::overload_cast<vcShapeSelectDefs::DOF>(&P::nominal, py::const_))
      .def("nominal", py::overload_cast<vcShapeSelectDefs::DOF, double>(&P::nominal))
      .def("zoneLow", &P::zoneLow)
      .def("zoneHigh", &P::zoneHigh)
      .def("zone", &P::zone, py::arg("dof"), py::arg("low"), py::arg("high"))
      .def("zoneEnable", py::overload_cast<>(&P::zoneEnable, py::const_))
      .def("zoneEnable", py::overload_cast<unsigned long>(&P::zoneEnable))
      .def("isZoneEnabled", &P::isZoneEnabled)
      .def("polarities", py::overload_cast<>(&P::polarities, py::const_))
      .def("polarities", py::overload_cast<unsigned long>(&P::polarities));

  py::class_<ShapeSelectResult>(m, "ShapeSelectResult", "A template found, client coordinates.")
      .def_readonly("isFound", &ShapeSelectResult::isFound)
      .def_readonly("templateIndex", &ShapeSelectResult::templateIndex)
      .def_readonly("score", &ShapeSelectResult::score)
      .def_readonly("location", &ShapeSelectResult::location)
      .def_readonly("angle", &ShapeSelectResult::angle, "degrees")
      .def_readonly("uniformScale", &ShapeSelectResult::uniformScale)
      .def_readonly("aspect", &ShapeSelectResult::aspect)
      .def_readonly("strokeWidthFactors", &ShapeSelectResult::strokeWidthFactors)
      .def_readonly("foundTemplate", &ShapeSelectResult::foundTemplate,
                    "the template mapped by the found pose")
      .def("__repr__", [](const ShapeSelectResult& r) {
        return py::str(
                   "ShapeSelectResult(templateIndex={}, score={:.3f}, location=({:.2f}, "
                   "{:.2f}), angle={:.2f}, uniformScale={:.3f})")
            .format(r.templateIndex, r.score, r.location.first, r.location.second, r.angle,
                    r.uniformScale)
            .cast<std::string>();
      });

  py::class_<ShapeSelectResults>(m, "ShapeSelectResults", "The templates found, best first.")
      .def("__len__", [](const ShapeSelectResults& s) { return s.items.size(); })
      .def("__getitem__",
           [](const ShapeSelectResults& s, long k) {
             if (k < 0) k += long(s.items.size());
             if (k < 0 || k >= long(s.items.size()))
               throw py::index_error("result index out of range");
             return s.items[std::size_t(k)];
           })
      .def_property_readonly(
          "array",
          [](const ShapeSelectResults& s) {
            py::array_t<double> out({long(s.items.size()), 6L});
            auto t = out.mutable_unchecked<2>();
            for (py::ssize_t k = 0; k < py::ssize_t(s.items.size()); ++k) {
              const ShapeSelectResult& r = s.items[std::size_t(k)];
              t(k, 0) = double(r.templateIndex);
              t(k, 1) = r.score;
              t(k, 2) = r.location.first;
              t(k, 3) = r.location.second;
              t(k, 4) = r.angle;
              t(k, 5) = r.uniformScale;
            }
            return out;
          },
          "N x 6 array: templateIndex, score, x, y, angle, uniformScale")
      .def("__repr__", [](const ShapeSelectResults& s) {
        return "<" + std::to_string(s.items.size()) + " shape select results>";
      });

  const vcShapeSelectRunParams runDefaults;
  py::class_<Tool>(m, "ShapeSelectTool",
                   "Trained with templates and one DOF setting each, finds them in images.")
      .def(py::init<>())
      .def(
          "train",
          [](Tool& t, const std::vector<Template>& templates,
             const std::vector<vcShapeSelectTemplateParams>& trainDOFs, double clientScale,
             Point clientOffset) {
            const vc2XformLinear xform(clientFromImage({clientScale, clientOffset}));
            std::vector<vcPtrHandle<vcShapeSelectTemplate>> handles;
            for (const Template& tmpl : templates) handles.push_back(tmpl.handle);
            vcShapeSelectTrainParams params;
            params.trainDOFs(trainDOFs);
            py::gil_scoped_release unlocked;
            const std::lock_guard<std::mutex> turn(t.busy);
            t.tool.train(params, handles, xform, nullptr, 0);
          },
          "Trains with the templates and one ShapeSelectTemplateParams per template, for images\n"
          "with the given client transform.",
          py::arg("templates"), py::arg("trainDOFs"), py::kw_only(), py::arg("clientScale") = 1.0,
          py::arg("clientOffset") = Point(0.0, 0.0))
      .def("isTrained",
           [](Tool& t) {
             const std::lock_guard<std::mutex> turn(t.busy);
             return t.tool.isTrained();
           })
      .def(
          "run",
          [](Tool& t, const py::object& array, long maxNumResults, double acceptThreshold,
             const std::vector<long>& templateIndexList,
             const std::vector<vcShapeSelectTemplateParams>& selectDOFs, double clientScale,
             Point clientOffset) {
            const vcPelBuffer_const<unsigned char> image =
                imageFromArray(array, {clientScale, clientOffset});
            vcShapeSelectRunParams params;
            params.maxNumResults(maxNumResults);
            params.acceptThreshold(acceptThreshold);
            params.templateIndexList(templateIndexList);
            params.selectDOFs(selectDOFs);
            vcShapeSelectResultSet set;
            {
              py::gil_scoped_release unlocked;
              const std::lock_guard<std::mutex> turn(t.busy);
              t.tool.run(set, image, params, nullptr, 0);
            }
            return resultsOf(set);
          },
          "The trained templates found in image, best first.", py::arg("image"), py::kw_only(),
          py::arg("maxNumResults") = runDefaults.maxNumResults(),
          py::arg("acceptThreshold") = runDefaults.acceptThreshold(),
          py::arg("templateIndexList") = std::vector<long>(),
          py::arg("selectDOFs") = std::vector<vcShapeSelectTemplateParams>(),
          py::arg("clientScale") = 1.0, py::arg("clientOffset") = Point(0.0, 0.0));
}

}  // namespace tavshsl_py
