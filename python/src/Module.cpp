// The compiled half of the wagerlens package: each area registers itself here.
#include "Bindings.h"

PYBIND11_MODULE(_core, m) {
    m.doc() = "The exact engine of Wagerlens. Import the wagerlens package rather than this module.";
    m.attr("version") = WL_VERSION_STRING;
    wl::python::RegisterErrors(m);
    wl::python::RegisterModel(m);
    wl::python::RegisterCharts(m);
    wl::python::RegisterSession(m);
}
