// Feeds arbitrary bytes to the defaults suite reader: it must answer a dictionary or a reason,
// never crash, hang or exhaust the stack, whatever the file holds.

#include "platform/Defaults.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QVariantMap values;
    QString error;
    const bool read = platform::Defaults::parse(bytes, &values, &error);
    // Exactly one of the two answers.
    if (read == !error.isEmpty() || (!read && !values.isEmpty())) {
        __builtin_trap();
    }
    return 0;
}
