#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class QVCommandContext;

/// "Convert to" "UTF-8": each selected text file is written again as UTF-8 beside itself, under
/// the free variant of "<name>-utf8.txt". The application does this work; the extension hands
/// it over.
///
/// The original is never touched, and nothing is written for a file whose character set is not
/// known or whose text does not decode in it: a half-converted copy would look like the text.
/// The copy is written under a temporary name and renamed into place only when complete, never
/// over an existing file. The file is read and decoded a chunk at a time: a text of any size
/// converts in the same small memory.
class QVTextCommands final
{
public:
    explicit QVTextCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVTextCommands)

    /// Bytes read and decoded at a time.
    static constexpr qsizetype kChunkSize = 64 * 1024;

    /// Converts the selected files, telling the user of each that could not be converted.
    void convertTextToUTF8();
    /// The same for these files.
    static void convertTextToUTF8(const QList<QUrl>& urls);

    struct Conversion
    {
        QString output; ///< the file written; null when nothing was
        QString error; ///< why not
        bool writeFailed = false; ///< the copy could not be written (a write failed, not the text)
    };
    /// Converts one file: the character set guessed from its first bytes (UTF-8 when the guess
    /// names none), the whole text decoded strictly in it; an error when the set is unknown or
    /// a byte sequence is not valid in it.
    static Conversion convertFile(const QString& path);

private:
    QVCommandContext& m_context;
};
