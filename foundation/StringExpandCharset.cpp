// Guessing the character set of bytes that carry no statement of it, and reading them in it.

#include "foundation/StringExpandCharset.h"

#include <memory>
#include <type_traits>

#include <iconv.h>
#include <uchardet/uchardet.h>

#include "platform/LateLibrary.h"

// libuchardet is opened on first use: these names call through platform/LateLibrary.h. The fuzz
// targets, which build this file alone, link the library instead.
#ifndef TARSEL_LINKED_LIBRARIES
#define uchardet_data_end TARSEL_LATE(platform::uchardetLibrary, uchardet_data_end)
#define uchardet_delete TARSEL_LATE(platform::uchardetLibrary, uchardet_delete)
#define uchardet_get_charset TARSEL_LATE(platform::uchardetLibrary, uchardet_get_charset)
#define uchardet_handle_data TARSEL_LATE(platform::uchardetLibrary, uchardet_handle_data)
#define uchardet_new TARSEL_LATE(platform::uchardetLibrary, uchardet_new)
#endif

namespace qv {

QString guessedEncodingName(const QByteArray& bytes)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                            uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.constData(), std::size_t(bytes.size())) != 0) {
        return QString();
    }
    uchardet_data_end(detector.get());
    return QString::fromLatin1(uchardet_get_charset(detector.get()));
}

QString stringWithBytes(const QByteArray& bytes, const QString& charset)
{
    if (charset.isEmpty()) {
        return QString();
    }
    const iconv_t cd = ::iconv_open("UTF-8", charset.toLatin1().constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return QString();
    }
    const std::unique_ptr<void, int (*)(iconv_t)> closer(cd, &::iconv_close);
    // Four bytes of UTF-8 at most for every byte read, and room for a closing shift sequence.
    QByteArray out(bytes.size() * 4 + 16, Qt::Uninitialized);
    QByteArray in = bytes;
    char* inPtr = in.data();
    std::size_t inLeft = std::size_t(in.size());
    char* outPtr = out.data();
    std::size_t outLeft = std::size_t(out.size());
    if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == std::size_t(-1) || inLeft != 0
        || ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == std::size_t(-1)) {
        return QString();
    }
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

} // namespace qv
