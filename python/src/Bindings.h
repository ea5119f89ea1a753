// What the areas of the _core module share: their registration and the way they report bad input.
#pragma once

#include <pybind11/pybind11.h>

#include <QString>

#include <string>

namespace wl::python {

namespace py = pybind11;

void RegisterErrors(py::module_& m);
void RegisterModel(py::module_& m);
void RegisterCharts(py::module_& m);
void RegisterSession(py::module_& m);

// A message of the program as Python shows it: UTF-8, with plain line feeds between its lines.
std::string PythonMessage(const QString& text);

// Bad input from the caller: ValueError with message.
[[noreturn]] void RaiseValueError(const QString& message);

} // namespace wl::python
