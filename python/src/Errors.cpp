// Errors of the core as Python exceptions, with the program's message: a file the caller named is OSError, memory
// beyond the budget MemoryError, any other input of the caller's (a name, a game, a system) ValueError, and any other
// failure of the core is a fault of the program, RuntimeError. Input checked by the bindings themselves raises
// ValueError where it is checked.
#include "Bindings.h"

#include "support/Exception.h"
#include "support/TextSource.h"

#include <exception>

namespace wl::python {

std::string PythonMessage(const QString& text) {
    return PlainLines(text).toStdString();
}

void RaiseValueError(const QString& message) {
    throw py::value_error(PythonMessage(message));
}

void RegisterErrors(py::module_& /*m*/) {
    py::register_exception_translator([](std::exception_ptr failure) {
        if (!failure)
            return;
        try {
            std::rethrow_exception(failure);
        } catch (const EFileError& e) {
            PyErr_SetString(PyExc_OSError, PythonMessage(e.Message()).c_str());
        } catch (const EResourceError& e) {
            PyErr_SetString(PyExc_MemoryError, PythonMessage(e.Message()).c_str());
        } catch (const Exception& e) {
            PyErr_SetString(e.IsUserError() ? PyExc_ValueError : PyExc_RuntimeError,
                            PythonMessage(e.Message()).c_str());
        }
    });
}

} // namespace wl::python
