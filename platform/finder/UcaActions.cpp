#include "platform/finder/UcaActions.h"

#include "platform/Posix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>

namespace platform {

namespace {

// Far more than any hand-made list of actions; a larger file is not read whole.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

const QString kEmptyList = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n");

struct Span
{
    qsizetype start = 0;
    qsizetype end = 0;
    QString uniqueId;
};

// Where the parts of a uca.xml lie in its text, in characters.
struct Layout
{
    qsizetype rootStart = 0;
    qsizetype closeStart = 0; ///< where "</actions>" begins
    qsizetype rootEnd = 0;
    bool selfClosed = false; ///< "<actions/>"
    QList<Span> actions;
};

using posix::failureMessage;

// The reader's offset after a tag may run one character past it (it looks ahead), so a tag's
// bounds are taken from the text: it ends at the last '>' up to that offset and starts at the
// last '<' before that ('<' cannot stand unescaped inside a tag).
struct Tag
{
    qsizetype start;
    qsizetype end;
};

Tag tagBefore(const QString& text, qsizetype offset)
{
    const qsizetype close = text.lastIndexOf(QLatin1Char('>'), std::min(offset, text.size()) - 1);
    const qsizetype open = close < 0 ? -1 : text.lastIndexOf(QLatin1Char('<'), close);
    return Tag { std::max<qsizetype>(open, 0), close + 1 };
}

std::optional<Layout> parse(const QString& text, QString* error)
{
    Layout layout;
    QXmlStreamReader reader(text);
    int depth = 0;
    bool sawRoot = false;
    Span current;
    bool inAction = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const Tag tag = tagBefore(text, reader.characterOffset());
            if (depth == 1) {
                if (reader.name() != QLatin1String("actions") || sawRoot) {
                    *error = QStringLiteral("the root element is <%1>, not <actions>").arg(reader.name());
                    return std::nullopt;
                }
                sawRoot = true;
                layout.rootStart = tag.start;
            } else if (depth == 2 && reader.name() == QLatin1String("action")) {
                inAction = true;
                current = Span { tag.start, 0, QString() };
            } else if (depth == 3 && inAction && reader.name() == QLatin1String("unique-id")) {
                current.uniqueId = reader.readElementText().trimmed();
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const Tag tag = tagBefore(text, reader.characterOffset());
            if (depth == 2 && inAction) {
                current.end = tag.end;
                layout.actions << current;
                inAction = false;
            } else if (depth == 1) {
                layout.closeStart = tag.start;
                layout.rootEnd = tag.end;
                layout.selfClosed = tag.start == layout.rootStart;
            }
            --depth;
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("line %1, column %2: %3")
                     .arg(reader.lineNumber())
                     .arg(reader.columnNumber())
                     .arg(reader.errorString());
        return std::nullopt;
    }
    if (!sawRoot) {
        *error = QStringLiteral("there is no <actions> element");
        return std::nullopt;
    }
    return layout;
}

// Reads the file as UTF-8 text; nullopt with a message when it cannot be read. A missing file
// reads as an empty optional string with `missing` set.
std::optional<QString> readText(const QString& file, bool* missing, QString* error)
{
    *missing = false;
    QFile in(file);
    if (!in.exists()) {
        *missing = true;
        return QString();
    }
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return std::nullopt;
    }
    if (in.size() > kMaxFileSize) {
        *error = QStringLiteral("the file is larger than %1 bytes").arg(kMaxFileSize);
        return std::nullopt;
    }
    const QByteArray bytes = in.readAll();
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    if (decode.hasError()) {
        *error = QStringLiteral("the file is not UTF-8 text");
        return std::nullopt;
    }
    return text;
}

// The span of an element widened to its whole line when it stands alone on it, so that taking
// it out leaves no empty line behind.
Span wholeLines(const QString& text, Span span)
{
    qsizetype start = span.start;
    while (start > 0 && (text.at(start - 1) == QLatin1Char(' ') || text.at(start - 1) == QLatin1Char('\t'))) {
        --start;
    }
    if (start > 0 && text.at(start - 1) != QLatin1Char('\n')) {
        return span;
    }
    qsizetype end = span.end;
    while (end < text.size() && (text.at(end) == QLatin1Char(' ') || text.at(end) == QLatin1Char('\t'))) {
        ++end;
    }
    if (end < text.size() && text.at(end) == QLatin1Char('\n')) {
        return Span { start, end + 1, span.uniqueId };
    }
    return span;
}

FileChange write(const QString& file, const QString& text, bool existed)
{
    FileChange result;
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QString backup = UcaActions::backupFile(file);
    if (existed && !QFileInfo::exists(backup) && !QFile::copy(file, backup)) {
        result.error = failureMessage(QStringLiteral("keep a copy of Thunar's custom actions"), backup,
                                      QStringLiteral("the copy could not be written"));
        return result;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.toUtf8()) < 0 || !out.commit()) {
        result.error = failureMessage(QStringLiteral("write Thunar's custom actions"), file, out.errorString());
        return result;
    }
    result.ok = true;
    result.changed = true;
    return result;
}

struct Edit
{
    qsizetype start;
    qsizetype end;
    QString text;
};

QString applied(QString text, QList<Edit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.start > b.start; });
    for (const Edit& edit : edits) {
        text.replace(edit.start, edit.end - edit.start, edit.text);
    }
    return text;
}

// The edits that put each action in place: over the first element with its id (removing the
// lines of any later ones), or added at the end of the list.
QList<Edit> mergeEdits(const QString& text, const Layout& layout, const QList<UcaActions::Action>& actions)
{
    QList<Edit> edits;
    QString added;
    for (const UcaActions::Action& action : actions) {
        bool placed = false;
        for (const Span& span : layout.actions) {
            if (span.uniqueId != action.uniqueId) {
                continue;
            }
            if (!placed) {
                edits << Edit { span.start, span.end, action.element };
                placed = true;
            } else {
                const Span line = wholeLines(text, span);
                edits << Edit { line.start, line.end, QString() };
            }
        }
        if (!placed) {
            added += action.element + QLatin1Char('\n');
        }
    }
    if (!added.isEmpty()) {
        if (layout.selfClosed) {
            edits << Edit { layout.rootStart, layout.rootEnd,
                            QStringLiteral("<actions>\n") + added + QStringLiteral("</actions>") };
        } else {
            qsizetype at = layout.closeStart;
            while (at > 0 && (text.at(at - 1) == QLatin1Char(' ') || text.at(at - 1) == QLatin1Char('\t'))) {
                --at;
            }
            if (at > 0 && text.at(at - 1) != QLatin1Char('\n')) {
                at = layout.closeStart;
                added.prepend(QLatin1Char('\n'));
            }
            edits << Edit { at, at, added };
        }
    }
    return edits;
}

} // namespace

QString UcaActions::backupFile(const QString& file)
{
    return file + QStringLiteral(".tarsel-backup");
}

bool UcaActions::uniqueIds(const QString& file, QStringList* ids, QString* error)
{
    bool missing = false;
    const std::optional<QString> text = readText(file, &missing, error);
    ids->clear();
    if (!text) {
        return false;
    }
    if (missing) {
        return true;
    }
    const std::optional<Layout> layout = parse(*text, error);
    if (!layout) {
        return false;
    }
    for (const Span& span : layout->actions) {
        *ids << span.uniqueId;
    }
    return true;
}

FileChange UcaActions::merge(const QString& file, const QList<Action>& actions, const QString& seed)
{
    FileChange result;
    bool missing = false;
    QString error;
    std::optional<QString> text = readText(file, &missing, &error);
    if (!text) {
        result.error = failureMessage(QStringLiteral("read Thunar's custom actions"), file, error);
        return result;
    }
    if (missing) {
        // Thunar shows the system's default actions until the user has a file of their own:
        // the new file keeps them.
        bool seedMissing = false;
        QString seedError;
        const std::optional<QString> seeded = seed.isEmpty() ? std::nullopt : readText(seed, &seedMissing, &seedError);
        text = seeded && !seedMissing && parse(*seeded, &seedError) ? *seeded : kEmptyList;
    }
    const std::optional<Layout> layout = parse(*text, &error);
    if (!layout) {
        result.error = failureMessage(QStringLiteral("read Thunar's custom actions"), file, error);
        return result;
    }
    const QList<Edit> edits = mergeEdits(*text, *layout, actions);
    const QString changed = applied(*text, edits);
    if (!missing && changed == *text) {
        result.ok = true;
        return result;
    }
    return write(file, changed, !missing);
}

FileChange UcaActions::remove(const QString& file, const QStringList& uniqueIds)
{
    FileChange result;
    bool missing = false;
    QString error;
    const std::optional<QString> text = readText(file, &missing, &error);
    if (!text) {
        result.error = failureMessage(QStringLiteral("read Thunar's custom actions"), file, error);
        return result;
    }
    if (missing) {
        result.ok = true;
        return result;
    }
    const std::optional<Layout> layout = parse(*text, &error);
    if (!layout) {
        result.error = failureMessage(QStringLiteral("read Thunar's custom actions"), file, error);
        return result;
    }
    QList<Edit> edits;
    for (const Span& span : layout->actions) {
        if (uniqueIds.contains(span.uniqueId)) {
            const Span line = wholeLines(*text, span);
            edits << Edit { line.start, line.end, QString() };
        }
    }
    if (edits.isEmpty()) {
        result.ok = true;
        return result;
    }
    return write(file, applied(*text, edits), true);
}

} // namespace platform
