#include "image_arg.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/xform.h"

namespace py = pybind11;

namespace tavshsl_py {
namespace {

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string shapeText(const py::array& a) {
  return py::str(py::tuple(py::getattr(a, "shape"))).cast<std::string>();
}

}  // namespace

vcXform<2> clientFromImage(const ClientTransform& client) {
  const auto [ox, oy] = client.offset;
  if (!std::isfinite(client.scale) || client.scale == 0.0 || !std::isfinite(ox) ||
      !std::isfinite(oy))
    throw vcBadParamsError(L"clientScale must be finite and not 0, clientOffset finite");
  return vcXform<2>(vcMatrix<2>::fromElements(client.scale, 0.0, 0.0, client.scale),
                    vcVector<2>(ox, oy));
}

vcPelBuffer_const<unsigned char> imageFromArray(const py::handle& object,
                                                const ClientTransform& client) {
  if (!py::isinstance<py::array>(object))
    throw py::type_error("image must be a 2-D numpy array of uint8, got " +
                         py::str(py::type::of(object).attr("__name__")).cast<std::string>());
  const py::array array = py::reinterpret_borrow<py::array>(object);
  if (!array.dtype().is(py::dtype::of<std::uint8_t>()))
    throw py::type_error("image must be a 2-D numpy array of uint8, got dtype " +
                         py::str(array.dtype()).cast<std::string>() +
                         " (convert with numpy.clip(a, 0, 255).astype(numpy.uint8))");
  if (array.ndim() != 2)
    throw vcBadParamsError(L"image must be 2-D (rows, columns) of grey levels, got shape " +
                           wide(shapeText(array)));
  const long height = static_cast<long>(array.shape(0)), width = static_cast<long>(array.shape(1));
  if (width == 0 || height == 0)
    throw vcBadParamsError(L"image is empty, shape " + wide(shapeText(array)));
  const vcXform<2> xform = clientFromImage(client);

  const auto* first = static_cast<const unsigned char*>(array.data());
  const py::ssize_t rowStep = array.strides(0), columnStep = array.strides(1);
  vcPelBuffer_const<unsigned char> image;
  if (columnStep == 1 && rowStep >= width) {
    // The view owns a reference to the array, given back under the interpreter lock whichever
    // thread lets go of the view last.
    PyObject* owner = array.ptr();
    Py_INCREF(owner);
    auto release = [owner](const unsigned char*) {
      py::gil_scoped_acquire lock;
      Py_DECREF(owner);
    };
    image = vcPelBuffer_const<unsigned char>(std::shared_ptr<const unsigned char>(first, release),
                                             width, height, rowStep);
  } else {
    // Columns apart, rows running backwards or overlapping: the pixels are gathered into an
    // image of our own.
    vcPelBuffer<unsigned char> copy(width, height, 32, vcUnsetPels{});
    for (long y = 0; y < height; ++y) {
      const unsigned char* from = first + y * rowStep;
      unsigned char* to = copy.pointToRow(y);
      if (columnStep == 1)
        std::memcpy(to, from, static_cast<std::size_t>(width));
      else
        for (long x = 0; x < width; ++x) to[x] = from[x * columnStep];
    }
    image = copy;
  }
  image.clientFromImageXform(xform);
  return image;
}

}  // namespace tavshsl_py
