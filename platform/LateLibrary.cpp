#include "platform/LateLibrary.h"

#include <QtGlobal>

#include <string>
#include <utility>

#include <dlfcn.h>
#include <unistd.h>

namespace platform {

LateLibrary::LateLibrary(std::string file)
    : m_file(std::move(file))
{
}

void* LateLibrary::function(const char* name)
{
    std::call_once(m_opened, [this] {
        m_handle = ::dlopen(m_file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            qFatal("cannot open the shared library %s: %s", m_file.c_str(), ::dlerror());
        }
    });
    void* address = ::dlsym(m_handle, name);
    if (address == nullptr) {
        qFatal("the shared library %s has no function %s", m_file.c_str(), name);
    }
    return address;
}

#define TARSEL_LATE_LIBRARY(accessor, soname)                                                                          \
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

namespace {

// A module of ours: beside the program or plug-in holding this code (the build's bin folder, an
// installation's lib/tarsel), in lib/tarsel beside an installation's bin folder, else in the
// build's program folder (for the test programs, which live elsewhere in the build).
std::string moduleFile(const std::string& name)
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&moduleFile), &info) != 0 && info.dli_fname != nullptr) {
        std::string folder(info.dli_fname);
        folder.erase(folder.find_last_of('/') == std::string::npos ? 0 : folder.find_last_of('/'));
        for (const std::string& candidate : { folder + '/' + name, folder + "/../lib/tarsel/" + name }) {
            if (!folder.empty() && ::access(candidate.c_str(), R_OK) == 0) {
                return candidate;
            }
        }
    }
    return std::string(TARSEL_PROGRAM_DIR) + '/' + name;
}

} // namespace

LateLibrary& pdfPagesLibrary()
{
    static LateLibrary library(moduleFile("TarselPdfPages.so"));
    return library;
}

} // namespace platform
