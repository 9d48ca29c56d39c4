#include "platform/LateLibrary.h"

#include <QtGlobal>

#include <dlfcn.h>

namespace platform {

LateLibrary::LateLibrary(const char* soname)
    : m_soname(soname)
{
}

void* LateLibrary::function(const char* name)
{
    std::call_once(m_opened, [this] {
        m_handle = ::dlopen(m_soname, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            qFatal("cannot open the shared library %s: %s", m_soname, ::dlerror());
        }
    });
    void* address = ::dlsym(m_handle, name);
    if (address == nullptr) {
        qFatal("the shared library %s has no function %s", m_soname, name);
    }
    return address;
}

#define TARSEL_LATE_LIBRARY(accessor, soname)                                                                        \
    LateLibrary& accessor()                                                                                            \
    {                                                                                                                  \
        static LateLibrary library(soname);                                                                            \
        return library;                                                                                                \
    }

TARSEL_LATE_LIBRARY(heifLibrary, TARSEL_SONAME_HEIF)
TARSEL_LATE_LIBRARY(canberraLibrary, TARSEL_SONAME_CANBERRA)
TARSEL_LATE_LIBRARY(zipLibrary, TARSEL_SONAME_ZIP)
TARSEL_LATE_LIBRARY(uchardetLibrary, TARSEL_SONAME_UCHARDET)
TARSEL_LATE_LIBRARY(cryptoLibrary, TARSEL_SONAME_CRYPTO)
TARSEL_LATE_LIBRARY(gifLibrary, TARSEL_SONAME_GIF)
TARSEL_LATE_LIBRARY(jpegLibrary, TARSEL_SONAME_JPEG)

} // namespace platform
