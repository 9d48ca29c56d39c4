#include "engine/service/textconvert/QVTextCommands.h"

#include "engine/service/QVCommandContext.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "platform/FileOps.h"
#include "platform/Posix.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using IconvHandle = std::unique_ptr<void, int (*)(iconv_t)>;

ssize_t readSome(int fd, char* into, size_t size)
{
    return platform::posix::retryOnInterrupt([&] { return ::read(fd, into, size); });
}

// Decodes a file into the sink a chunk at a time, so memory stays at two chunk buffers whatever
// the file's size. A character split between two reads is carried over to the next one; the
// result is byte for byte what one conversion of the whole file gives.
class StreamDecoder
{
public:
    StreamDecoder(iconv_t cd, const QString& charset, QIODevice& sink, QVTextCommands::Conversion& result)
        : m_cd(cd)
        , m_charset(charset)
        , m_sink(sink)
        , m_result(result)
        , m_in(QVTextCommands::kChunkSize)
        , m_out(QVTextCommands::kChunkSize)
    {
    }

    bool run(int fd)
    {
        size_t carried = 0; // the start of a character whose end is not read yet
        for (;;) {
            const ssize_t got = readSome(fd, m_in.data() + carried, m_in.size() - carried);
            if (got < 0) {
                m_result.error = qt_error_string(errno);
                return false;
            }
            if (got == 0) {
                break;
            }
            if (!decode(carried + size_t(got), &carried)) {
                return false;
            }
        }
        if (carried != 0) {
            m_result.error = notValid(); // the file ends inside a character
            return false;
        }
        return finish();
    }

private:
    // Decodes the first bytes of the input buffer; an incomplete character at their end is
    // moved to the buffer's start and its length answered in carried.
    bool decode(size_t size, size_t* carried)
    {
        char* inPtr = m_in.data();
        size_t inLeft = size;
        for (;;) {
            char* outPtr = m_out.data();
            size_t outLeft = m_out.size();
            const bool done = ::iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1);
            const int failure = done ? 0 : errno;
            if (!write(outLeft)) {
                return false;
            }
            if (done || (failure == EINVAL && inLeft < m_in.size())) {
                break;
            }
            if (failure != E2BIG) {
                m_result.error = notValid(inPtr - m_in.data());
                return false;
            }
        }
        m_consumed += inPtr - m_in.data();
        std::memmove(m_in.data(), inPtr, inLeft);
        *carried = inLeft;
        return true;
    }

    // Returns the decoder to its initial state, writing what a stateful set still holds.
    bool finish()
    {
        for (;;) {
            char* outPtr = m_out.data();
            size_t outLeft = m_out.size();
            const bool done = ::iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) != size_t(-1);
            const int failure = done ? 0 : errno;
            if (!write(outLeft)) {
                return false;
            }
            if (done) {
                return true;
            }
            if (failure != E2BIG) {
                m_result.error = notValid();
                return false;
            }
        }
    }

    bool write(size_t outLeft)
    {
        const qint64 size = qint64(m_out.size() - outLeft);
        if (size > 0 && m_sink.write(m_out.data(), size) != size) {
            m_result.error = m_sink.errorString();
            m_result.writeFailed = true;
            return false;
        }
        return true;
    }

    QString notValid(qint64 offsetInChunk = 0) const
    {
        return QStringLiteral("the text is not valid %1 at byte %2").arg(m_charset).arg(m_consumed + offsetInChunk);
    }

    iconv_t m_cd;
    const QString m_charset;
    QIODevice& m_sink;
    QVTextCommands::Conversion& m_result;
    std::vector<char> m_in;
    std::vector<char> m_out;
    qint64 m_consumed = 0; // bytes of the file decoded before the input buffer's start
};

// Renames the complete temporary file to a free variant of the name, refusing to replace
// anything (a name taken meanwhile gets the next variant).
bool claimFreeName(QTemporaryFile& temp, const QString& wanted, QString* written, QString* error)
{
    const QString target = platform::FileOps::renameToFreeVariant(temp.fileName(), wanted, error);
    if (target.isNull()) {
        return false;
    }
    temp.setAutoRemove(false);
    *written = target;
    return true;
}

} // namespace

QVTextCommands::Conversion QVTextCommands::convertFile(const QString& path)
{
    Conversion result;
    const QString guessed = qv::textEncodingName(path);
    const platform::posix::Fd source(platform::posix::openRegularFile(path, &result.error));
    if (!source.ok()) {
        return result;
    }
    if (guessed.isNull()) {
        result.error = QStringLiteral("the character set cannot be guessed");
        return result;
    }
    // No guess: the text must then be UTF-8 already, or it is left alone.
    const QString charset = qv::isValid(guessed) ? guessed.trimmed() : QStringLiteral("UTF-8");
    const IconvHandle cd(::iconv_open("UTF-8", charset.toLatin1().constData()), &::iconv_close);
    if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
        result.error = QStringLiteral("the character set \"%1\" is not known").arg(charset);
        return result;
    }
    const QFileInfo info(path);
    const QString wanted
        = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-utf8.txt");
    // The copy is written under a temporary name beside its place and renamed there only when
    // complete; a failed conversion removes it.
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + QFileInfo(wanted).fileName()
                        + QStringLiteral(".XXXXXX"));
    if (!temp.open()) {
        result.error = temp.errorString();
        result.writeFailed = true;
        return result;
    }
    if (!StreamDecoder(cd.get(), charset, temp, result).run(source.get())) {
        return result;
    }
    if (!temp.flush() || !temp.setPermissions(QFile::permissions(path))
        || !claimFreeName(temp, wanted, &result.output, &result.error)) {
        if (result.error.isEmpty()) {
            result.error = temp.errorString();
        }
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
