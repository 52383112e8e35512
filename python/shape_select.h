#pragma once

#include <pybind11/pybind11.h>

namespace tavshsl_py {

// tavshsl.ShapeSelectTool with its templates, DOF settings and results.
void bindShapeSelect(pybind11::module_& m);

}  // namespace tavshsl_py
