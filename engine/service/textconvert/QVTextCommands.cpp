#include "engine/service/textconvert/QVTextCommands.h"

#include "engine/service/QVCommandContext.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "platform/FileOps.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <iconv.h>
#include <memory>

namespace {

// Writes the bytes under a temporary name in the folder and renames the file to a free variant
// of the name, refusing to replace anything (a name taken meanwhile gets the next variant).
bool writeBeside(const QString& wanted, const QByteArray& bytes, QFileDevice::Permissions permissions, QString* written,
                 QString* error)
{
    const QFileInfo info(wanted);
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open() || temp.write(bytes) != bytes.size() || !temp.flush() || !temp.setPermissions(permissions)) {
        *error = temp.errorString();
        return false;
    }
    const QString target = platform::FileOps::renameToFreeVariant(temp.fileName(), wanted, error);
    if (target.isNull()) {
        return false;
    }
    temp.setAutoRemove(false);
    *written = target;
    return true;
}

} // namespace

bool QVTextCommands::toUtf8(const QByteArray& bytes, const QString& charset, QByteArray* utf8, QString* error)
{
    iconv_t cd = ::iconv_open("UTF-8", charset.toLatin1().constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        *error = QStringLiteral("the character set \"%1\" is not known").arg(charset);
        return false;
    }
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, &::iconv_close);
    QByteArray out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    if (::iconv(cd, &in, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0
        || ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1)) {
        *error
            = QStringLiteral("the text is not valid %1 at byte %2").arg(charset).arg(bytes.size() - qsizetype(inLeft));
        return false;
    }
    out.truncate(out.size() - qsizetype(outLeft));
    *utf8 = out;
    return true;
}

QVTextCommands::Conversion QVTextCommands::convertFile(const QString& path)
{
    Conversion result;
    const QString guessed = qv::textEncodingName(path);
    QFile file(path);
    if (guessed.isNull() || !file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    // No guess: the text must then be UTF-8 already, or it is left alone.
    const QString charset = qv::isValid(guessed) ? guessed.trimmed() : QStringLiteral("UTF-8");
    QByteArray utf8;
    if (!toUtf8(bytes, charset, &utf8, &result.error)) {
        return result;
    }
    const QFileInfo info(path);
    const QString wanted
        = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-utf8.txt");
    if (!writeBeside(wanted, utf8, file.permissions(), &result.output, &result.error)) {
        result.output.clear();
        result.writeFailed = true;
    }
    return result;
}

void QVTextCommands::convertTextToUTF8(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        const QString path = url.toLocalFile();
        const Conversion done = convertFile(path);
        if (!done.output.isNull()) {
            continue;
        }
        if (done.writeFailed) {
            qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")));
        } else {
            qv::alertWithMsg(QStringLiteral("Failed to convert the text to UTF-8. File: \"%1\". Error: \"%2\"")
                                 .arg(path, done.error));
        }
    }
}

void QVTextCommands::convertTextToUTF8()
{
    convertTextToUTF8(m_context.selectURLs());
}
