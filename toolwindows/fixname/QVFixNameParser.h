#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// One repaired name proposed for a file: how it was obtained ("name": a method word or the
/// source encoding's label; "orgname": the target encoding's label or empty) and the name.
struct QVFixCandidate
{
    QString name;
    QString orgname;
    QString text;

    bool operator==(const QVFixCandidate&) const = default;
};

/// The repaired names of a garbled file name, from the name alone. The first rule that applies
/// decides:
///  1. percent escapes ("%E4%B8%AD"): the name decoded (as UTF-8, else in each encoding);
///  2. backslash-u escapes ("\u4e2d"): the escapes resolved;
///  3. a name written as hexadecimal bytes: those bytes read in each encoding; any other name
///     encoded in each encoding and read back in each other one (the usual mis-reading of one
///     encoding as another).
/// A proposal that could not serve as a file name ("." and "..", or holding "/" or NUL) is
/// dropped: it would name another folder or fail.
class QVFixNameParser final
{
public:
    QVFixNameParser() = delete;

    /// The encodings names are re-read between, in order.
    enum class Encoding { Latin1, UTF8, GBK, Big5, ShiftJIS, EUCKR, Unicode, CP1252, ASCII };
    static constexpr int kEncodingCount = 9;
    static QString label(Encoding encoding);

    static QList<QVFixCandidate> parseMessyText(const QString& name);
    /// The repaired names of a file name whose bytes are not UTF-8 (so that it has no text of
    /// its own): the bytes read in the character set the detector guesses for them, first, then
    /// in each encoding of the list and in the two code pages names from older Windows and DOS
    /// systems most often arrive in (Cyrillic Windows-1251, and CP437 of old zip archives). A
    /// reading that fails, cannot serve as a name or repeats an earlier one is left out. "name"
    /// is the charset or encoding label, "orgname" empty.
    static QList<QVFixCandidate> candidatesOfBytes(const QByteArray& name);

    /// The bytes of the text in the encoding; none when a character has no representation there.
    static std::optional<QByteArray> encode(const QString& text, Encoding encoding);
    /// The text of the bytes in the encoding; none when they are not valid in it.
    static std::optional<QString> decode(const QByteArray& bytes, Encoding encoding);
    /// Whether the candidate may be a file's new name in its folder.
    static bool isUsableName(const QString& text);

private:
    static QList<QVFixCandidate> percentDecoded(const QString& name);
    static std::optional<QString> backslashEscapesResolved(const QString& name);
    static bool isHexBytes(const QString& name);
    static QList<QVFixCandidate> hexBytes(const QString& name);
    static QList<QVFixCandidate> reread(const QString& name);
};
