// The Python module tavshsl: the library's tools on numpy images.
//
//   import numpy, tavshsl
//   image = numpy.zeros((120, 160), numpy.uint8); image[40:80, 30:130] = 200
//   for line in tavshsl.lines(image, minNumEdgelets=10): print(line.p1, line.p2)

#include <pybind11/pybind11.h>

#include "errors.h"
#include "results.h"
#include "shape_select.h"
#include "tavshsl/version.h"
#include "tools.h"

PYBIND11_MODULE(tavshsl, m) {
  m.doc() =
      "Finds edgelets, chains, straight lines and circles in 8-bit grey images given as 2-D\n"
      "numpy uint8 arrays. Results are in client coordinates: client = clientScale * pixel\n"
      "position + clientOffset (pixel (i, j) has its centre at (i + 0.5, j + 0.5)).";
  m.attr("__version__") = vfTavshslVersion();
  tavshsl_py::bindErrors(m);
  tavshsl_py::bindResults(m);
  tavshsl_py::bindTools(m);
  tavshsl_py::bindShapeSelect(m);
}
