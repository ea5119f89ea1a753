// Errors of the core as Python exceptions, with the program's message: a file the caller named is OSError, a name
// that the editors would refuse is ValueError, and any other failure of the core is a fault of the program,
// RuntimeError. Input checked by the bindings themselves raises ValueError where it is checked.
#include "Bindings.h"

#include "model/NameValidation.h"
#include "support/Exception.h"

#include <exception>

namespace wl::python {

std::string PythonMessage(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    text.remove(QLatin1Char('\r'));
    return text.toStdString();
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
        } catch (const ENameError& e) {
            PyErr_SetString(PyExc_ValueError, PythonMessage(e.Message()).c_str());
        } catch (const Exception& e) {
            PyErr_SetString(PyExc_RuntimeError, PythonMessage(e.Message()).c_str());
        }
    });
}

} // namespace wl::python
