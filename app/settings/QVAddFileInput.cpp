#include "app/settings/QVAddFileInput.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpand.h"

namespace {

bool dotsOnly(const QString& text)
{
    const QString trimmed = qv::trim(text);
    return !trimmed.isEmpty() && trimmed.count(QLatin1Char('.')) == trimmed.size();
}

bool dotOrDotDot(const QString& text)
{
    const QString trimmed = qv::trim(text);
    return trimmed == QLatin1String(".") || trimmed == QLatin1String("..");
}

bool badCharacter(const QString& text)
{
    return text.contains(QLatin1Char('/')) || text.contains(QChar(u'\0'));
}

} // namespace

QString QVAddFileInput::Check::message() const
{
    const QString format = problem == Problem::BadCharacter ? QStringLiteral("%@ cannot contain a slash")
                                                            : QStringLiteral("%@ cannot be empty");
    return qv::stringWithFormat(qv::localized(format), qv::localized(field));
}

QVAddFileInput::Check QVAddFileInput::check() const
{
    // Later tests override earlier ones: the file type is named before everything else.
    QString missing;
    if (special) {
        if (!qv::isValid(fileName) || dotsOnly(fileName)) {
            missing = QStringLiteral("File Name");
        }
    } else {
        if (!qv::isValid(ext) || dotOrDotDot(ext)) {
            missing = QStringLiteral("Extension");
        }
        if (!qv::isValid(defaultName) || dotOrDotDot(defaultName)) {
            missing = QStringLiteral("Default Name");
        }
    }
    if (!qv::isValid(fileType)) {
        missing = QStringLiteral("File Type");
    }
    if (!missing.isEmpty()) {
        return { Problem::Missing, missing };
    }
    if (special && badCharacter(fileName)) {
        return { Problem::BadCharacter, QStringLiteral("File Name") };
    }
    if (!special && badCharacter(defaultName)) {
        return { Problem::BadCharacter, QStringLiteral("Default Name") };
    }
    if (!special && badCharacter(ext)) {
        return { Problem::BadCharacter, QStringLiteral("Extension") };
    }
    return {};
}
