// Feeds arbitrary addresses to the app command URL parser. Besides never crashing, what it reads
// must survive the writer: the address written for the parsed command reads back as the same
// method, selection and paths, byte for byte.

#include "engine/model/QVAppCommandURL.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray address(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QVAppCommandURL::Command> command = QVAppCommandURL::parse(address);
    if (!command) {
        return 0;
    }
    const bool select = command->isSelectURL.value_or(false);
    const QString written = QVAppCommandURL::urlStringWithMethod(command->method, command->selectURLs, select);
    const std::optional<QVAppCommandURL::Command> again = QVAppCommandURL::parse(written.toLatin1());
    if (!again || again->method != command->method || again->isSelectURL != select
        || again->selectURLs.size() != command->selectURLs.size()) {
        __builtin_trap();
    }
    for (qsizetype i = 0; i < command->selectURLs.size(); ++i) {
        if (QVAppCommandURL::encodedPath(again->selectURLs.at(i))
            != QVAppCommandURL::encodedPath(command->selectURLs.at(i))) {
            __builtin_trap();
        }
    }
    return 0;
}
