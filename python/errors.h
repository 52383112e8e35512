#pragma once

// The library's exceptions as Python exceptions, each with the library's message:
//   tavshsl.Error              every library error (an Exception)
//   tavshsl.BadParamsError     invalid parameters, templates, DOFs and indexes (a ValueError)
//   tavshsl.NotTrainedError    running an untrained tool (a RuntimeError)
//   tavshsl.AssertionFailure   an internal check failed (a RuntimeError)
// A not implemented option raises NotImplementedError, running out of memory MemoryError.

#include <pybind11/pybind11.h>

namespace tavshsl_py {

void bindErrors(pybind11::module_& m);

}  // namespace tavshsl_py
