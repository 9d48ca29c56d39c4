#pragma once

#include <QByteArray>
#include <QString>

namespace qv {

/// The character set guessed for the bytes (uchardet's name, empty when it has no guess), in
/// both builds: text that is no file, such as names that an archive stores without saying
/// their encoding.
QString guessedEncodingName(const QByteArray& bytes);
/// The bytes read in the character set (an iconv name); null when the set is unknown or the
/// bytes are not valid in it.
QString stringWithBytes(const QByteArray& bytes, const QString& charset);

} // namespace qv
