#include "errors.h"

#include "platform/base/exception.h"
#include "tavshsl/errors.h"

namespace py = pybind11;

namespace tavshsl_py {
namespace {

// A new exception class of the module with the given bases; the module keeps it alive.
PyObject* newError(py::module_& m, const char* name, py::tuple bases, const char* doc) {
  const std::string qualified = std::string("tavshsl.") + name;
  PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases.ptr(), nullptr);
  if (!type) throw py::error_already_set();
  m.add_object(name, py::handle(type));
  return type;
}

}  // namespace

void bindErrors(py::module_& m) {
  static PyObject* error = nullptr;
  static PyObject* badParams = nullptr;
  static PyObject* notTrained = nullptr;
  static PyObject* assertion = nullptr;
  error = newError(m, "Error", py::make_tuple(py::handle(PyExc_Exception)),
                   "An error of the tavshsl library; str() gives its message.");
  badParams =
      newError(m, "BadParamsError", py::make_tuple(py::handle(error), py::handle(PyExc_ValueError)),
               "An invalid parameter, image, template, DOF or index.");
  notTrained = newError(m, "NotTrainedError",
                        py::make_tuple(py::handle(error), py::handle(PyExc_RuntimeError)),
                        "A tool was run or queried before it was trained.");
  assertion = newError(m, "AssertionFailure",
                       py::make_tuple(py::handle(error), py::handle(PyExc_RuntimeError)),
                       "An internal check of the library failed.");

  // Most specific kinds first: the shape selection errors derive from vcExceptionWithString.
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const vcBadParamsError& e) {
      PyErr_SetString(badParams, e.what());
    } catch (const vcShapeSelectDefs::NotTrained& e) {
      PyErr_SetString(notTrained, e.what());
    } catch (const vcShapeSelectDefs::NotImplemented& e) {
      PyErr_SetString(PyExc_NotImplementedError, e.what());
    } catch (const vcShapeSelectDefs::Errors& e) {
      PyErr_SetString(badParams, e.what());  // BadParams, InvalidDOF, BadIndex
    } catch (const vcAssertionFailure& e) {
      PyErr_SetString(assertion, e.what());
    } catch (const vcException& e) {
      PyErr_SetString(error, e.what());
    }
  });
}

}  // namespace tavshsl_py
