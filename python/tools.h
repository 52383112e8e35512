#pragma once

#include <pybind11/pybind11.h>

namespace tavshsl_py {

// tavshsl.edgelets, chains, lines and circles, and the enumerations their parameters take.
void bindTools(pybind11::module_& m);

}  // namespace tavshsl_py
