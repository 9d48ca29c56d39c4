#pragma once

#include <mutex>
#include <string>

namespace platform {

/// A shared library opened on its first use instead of when the program loads. Codecs, sound,
/// digests and archives are needed by a few commands only, yet linking them costs every start
/// of the host (each right-click) the loading and relocating of their whole dependency trees.
/// The library is named by its soname, the same file the linker would have recorded; when it
/// cannot be opened, or lacks a function, the program stops with the loader's message, as it
/// would have at start-up.
class LateLibrary final
{
public:
    /// A library by soname, or a file by its absolute path.
    explicit LateLibrary(std::string file);
    LateLibrary(const LateLibrary&) = delete;
    LateLibrary& operator=(const LateLibrary&) = delete;

    /// The address of the named function, opening the library on the first call.
    void* function(const char* name);

private:
    std::string m_file;
    std::once_flag m_opened;
    void* m_handle = nullptr;
};

/// The libraries opened late, each once per process.
LateLibrary& heifLibrary();
LateLibrary& canberraLibrary();
LateLibrary& zipLibrary();
LateLibrary& uchardetLibrary();
LateLibrary& cryptoLibrary();
LateLibrary& gifLibrary();
LateLibrary& jpegLibrary();
/// The module that reads PDF files with Qt Pdf (pdfpages/TarselPdfPages.cpp), found beside the
/// program or plug-in that asks for it, else in the plug-in folder of an installation.
LateLibrary& pdfPagesLibrary();

namespace late {

template <typename Function> Function cast(void* address)
{
    Function function = nullptr;
    static_assert(sizeof(function) == sizeof(address));
    __builtin_memcpy(&function, &address, sizeof(function));
    return function;
}

} // namespace late

} // namespace platform

/// The function `name` of the library `library()` (a function answering a LateLibrary&), with the
/// type its header declares; looked up once per place of use. Files that call a late library
/// define each function's name as this macro after their includes, so their calls read as usual.
#define TARSEL_LATE(library, name)                                                                                     \
    ([]() -> decltype(&name) {                                                                                         \
        static const auto address = platform::late::cast<decltype(&name)>(library().function(#name));                  \
        return address;                                                                                                \
    }())
