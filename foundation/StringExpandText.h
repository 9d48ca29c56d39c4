#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringConverter>
#include <QStringView>
#include <QUrl>

#include <concepts>
#include <initializer_list>
#include <variant>

namespace qv {

// ---------------------------------------------------------------------------------------------
// Formatting

/// One argument of stringWithFormat: a text or a number. Anything else is turned into text by
/// the caller (QVariant::toString, QUrl::toString ...).
class FormatArg
{
public:
    FormatArg(const QString& text)
        : m_value(text)
    {
    }
    FormatArg(QStringView text)
        : m_value(text.toString())
    {
    }
    FormatArg(QChar c)
        : m_value(QString(c))
    {
    }
    FormatArg(QLatin1StringView text)
        : m_value(QString(text))
    {
    }
    FormatArg(const char* utf8)
        : m_value(QString::fromUtf8(utf8))
    {
    }
    FormatArg(const QByteArray& utf8)
        : m_value(QString::fromUtf8(utf8))
    {
    }
    FormatArg(const QVariant& value)
        : m_value(value.toString())
    {
    }
    template <std::signed_integral T>
    FormatArg(T value)
        : m_value(static_cast<qint64>(value))
    {
    }
    template <std::unsigned_integral T>
    FormatArg(T value)
        : m_value(static_cast<quint64>(value))
    {
    }
    FormatArg(bool value)
        : m_value(static_cast<qint64>(value ? 1 : 0))
    {
    }
    FormatArg(double value)
        : m_value(value)
    {
    }

    using Value = std::variant<QString, qint64, quint64, double>;
    const Value& value() const { return m_value; }

private:
    Value m_value;
};

/// Fills a printf-style format: "%@" and "%s" take any argument as text; "%d" "%i" "%u" "%x" "%X"
/// "%o" "%c" (with the length modifiers l, ll, q, z, t, j, h) take integers; "%f" "%e" "%g" take
/// numbers; "%%" is a percent sign. Flags "-", "0", "+", " ", a width and a precision are
/// honoured. A conversion without an argument left, or one not listed here, is copied as it
/// stands; extra arguments are ignored. The format is never handed to the C library, so user
/// text and translations are safe as formats. Numbers are always written in the C locale.
QString stringWithFormatArgs(const QString& format, std::initializer_list<FormatArg> args);

template <typename... Args> QString stringWithFormat(const QString& format, const Args&... args)
{
    return stringWithFormatArgs(format, { FormatArg(args)... });
}

// ---------------------------------------------------------------------------------------------
// Chaining on an immutable text: each step answers a new text, the receiver is unchanged.

/// The receiver with the formatted text appended.
template <typename... Args> QString append(const QString& s, const QString& format, const Args&... args)
{
    return s + stringWithFormat(format, args...);
}

/// The receiver with the formatted text (unless the format is null) and "\n" appended.
template <typename... Args> QString line(const QString& s, const QString& format = QString(), const Args&... args)
{
    QString result = s;
    if (!format.isNull()) {
        result += stringWithFormat(format, args...);
    }
    return result + QLatin1Char('\n');
}

/// The receiver with every occurrence of target (case-sensitive) replaced. An empty target
/// replaces nothing.
QString replace(const QString& s, const QString& target, const QString& replacement);

// ---------------------------------------------------------------------------------------------
// Tests and cleaning

/// True when the text is not null, not empty after trimming whitespace and newlines, and not
/// the text "(null)" that an absent value prints as.
bool isValid(const QString& s);
/// True when the text trimmed of whitespace and newlines is empty (a null text is blank too).
bool isBlank(const QString& s);
/// The text without leading and trailing whitespace and newlines.
QString trim(const QString& s);
QString removeWhiteSpacesFromString(const QString& s);
/// Strips one pair of matching surrounding quotes ("..." or '...').
QString unwrap(const QString& s);
bool is(const QString& s, const QString& other);
/// True when sub occurs in s; an empty sub occurs nowhere.
bool containsString(const QString& s, const QString& sub);
/// The text with the first occurrence of sub removed.
QString removeSubString(const QString& s, const QString& sub);
/// Character-class tests; an empty text answers true.
bool containsOnlyLetters(const QString& s);
bool containsOnlyNumbers(const QString& s);
bool containsOnlyNumbersAndLetters(const QString& s);
/// All runs of the digits 0-9 joined and read as one number ("a1b22" gives 122, none gives 0);
/// saturates at the largest qint64.
qint64 findNumber(const QString& s);
/// The number of runs of characters between whitespace and newlines.
int countNumberOfWords(const QString& s);
/// The number of pieces that splitting at "\n" gives, plus one (so a one-line text counts 2).
int numberOfLines(const QString& s);
/// A length for display: every non-ASCII character that is not a blank counts 1; ASCII
/// characters and blanks count one half each, rounded up once; only blanks count 0.
int wordsCount(const QString& s);

// ---------------------------------------------------------------------------------------------
// Conversions

QByteArray convertToData(const QString& s);
/// The data decoded as UTF-8; null when it is not valid UTF-8.
QString getStringFromData(const QByteArray& data);
/// A Unicode date pattern ("yyyy-MM-dd HH:mm:ss", "EEE d MMM, h:mm a", 'quoted' text) as a Qt
/// date-time format. S (fractions) becomes milliseconds; a zone letter becomes Qt's "t".
QString qtDateFormat(const QString& pattern);
/// Parses the text with a date pattern of the Unicode kind ("yyyy-MM-dd HH:mm:ss"; y M d H h m
/// s S a E and quoted literals) in local time; an invalid date when empty or not matching.
QDateTime convertToDateWithFormat(const QString& s, const QString& pattern);
/// Parses the first 19 characters with "yyyy-MM-dd HH:mm:ss"; invalid when shorter.
QDateTime convertToDate(const QString& s);
/// Null for a text that is not valid; a text longer than 19 characters is read as
/// "yyyy-MM-dd'T'HH:mm:ss.SSSZ" and written with the pattern, both in the time zone
/// Asia/Shanghai (null when it does not parse); a shorter text comes back unchanged.
QString standardTimeStringWithFormat(const QString& s, const QString& pattern);
QString standardTimeString(const QString& s);
/// Percent-escapes the UTF-8 form: only letters, digits and "-._~" stay as they are.
QString URLEncodedString(const QString& s);
/// Replaces every percent escape; null when the result is not valid UTF-8.
QString URLDecodedString(const QString& s);
/// Repairs text whose UTF-8 bytes were read as Latin-1; null when the text holds a character
/// outside Latin-1 or its bytes are not valid UTF-8.
QString encodeStringWithUTF8(const QString& s);
/// The length in bytes of the text in the encoding; 0 for a null text or one the encoding
/// cannot represent.
qsizetype byteLengthWithEncoding(const QString& s, QStringConverter::Encoding encoding);
/// The text from index up to the first character that is one of charset (or to the end); null
/// when s is empty or index is out of range. endOffset, when given, receives the index just
/// after the found character, or the length of s when none was found.
QString substringFromIndex(const QString& s, qsizetype index, QStringView charset, qsizetype* endOffset = nullptr);
/// How many consecutive characters from index are members of charset.
qsizetype countFromIndex(const QString& s, qsizetype index, QStringView charset);
/// The text as a web address; an invalid QUrl when malformed.
QUrl netUrl(const QString& s);
/// The file address of a path.
QUrl localUrl(const QString& s);
/// The file address of the part before the first "#", with the rest as its fragment.
QUrl hashURL(const QString& s);
/// A new identifier: 36 upper-case characters with hyphens.
QString uuid();
QColor rgbColor(const QString& s);
/// Invalid for a text that is not valid; otherwise one leading "#" is dropped and the rest
/// read as one hexadecimal number (up to the first non-hex character) giving 0xRRGGBB.
QColor rgbColorWithAlpha(const QString& s, double alpha);
/// The UTF-8 text of a bundle resource by file name ("template.txt"); null when missing.
QString fromResource(const QString& fileName);

// ---------------------------------------------------------------------------------------------
// Versions and sizes

/// Compares dotted versions part by part as integers: 1, -1 or 0 ("1.2" equals "1.2.0",
/// "1.10" is greater than "1.9").
int compareVersion(const QString& s, const QString& other);
/// The size in bytes of the item at the path; a folder counts every item beneath it (folders'
/// own entries included); symbolic links are not followed; 0 when nothing is there.
qint64 fileSize(const QString& path);
/// "1.50 KB": two decimals and a unit of B, KB, MB, GB or TB, stepping by 1000.
QString fileSizeWithValue(double bytes);

// ---------------------------------------------------------------------------------------------
// Path tests. A path is an absolute POSIX path; nothing here follows a final symbolic link.

bool isFolder(const QString& path);
/// A folder whose name has an extension ("Name.app").
bool isPackage(const QString& path);
/// An image format this system can read: by the name's extension, or by the content when the
/// name has none.
bool isImage(const QString& path);
bool isDesktop(const QString& path);
/// The root, the homes root, the home folder and its standard folders, the system and volume
/// roots, and any folder named Desktop, Documents, Downloads, Pictures or Applications.
bool isSystemFolder(const QString& path);
/// A folder that no command removes or moves: the root, the home folder itself ($HOME and the
/// passwd entry), the top-level system folders (/bin, /boot, /dev, /etc, any /lib*, /proc,
/// /root, /run, /sbin, /srv, /sys, /usr, /var, /home, /media, /mnt, /opt, /tmp, ...) with the
/// folders their links lead to, and the roots volumes are mounted under. The path is compared
/// in its canonical form (see platform::realpath), so "//", "/." and "/tmp/.." are the root.
/// Every mount point of the mount table counts too. A selected link is the link itself (moving
/// or removing it leaves what it leads to), unless the path ends in "/", which names that folder.
bool isProtectedFolder(const QString& path);
/// The protected folder the path names, in the canonical spelling that matched; null for none.
QString protectedFolderOf(const QString& path);
/// Why an item the rule above keeps was left alone, for "Failed to ... Error: ..." messages.
QString protectedFolderReason();
/// The access test for writing succeeds and the item is not locked (platform::FileFlags).
bool isWritable(const QString& path);
/// The immutable flag is set, or the item carries Tarsel's lock mark (the xattr
/// "user.tarsel.locked", used where the flag is not permitted); platform::FileFlags::isLocked.
bool isLocked(const QString& path);
/// Something is at the path (a dangling symbolic link counts).
bool isExist(const QString& path);
/// The folder holds an item named "Icon\r", or its `.directory` names an icon.
bool hasCustomIcon(const QString& path);

// ---------------------------------------------------------------------------------------------
// Making and finding paths

/// The path when nothing is there, else the first free "base-N.ext" (N = 1, 2, ...); only the
/// last extension moves behind the number ("a.tar.gz" gives "a.tar-1.gz"). Only a name: a writer
/// claims it with platform::FileOps (writeFreeVariant, renameToFreeVariant, makeFreeFolder,
/// claimFreeVariant), which takes the next variant when another writer got there first.
QString uniquePath(const QString& path);
/// Every blank preceded by a backslash; nothing else is escaped. Not safe for a shell line on
/// its own: use shellQuoted for any name that goes into a command.
QString cmdSpace(const QString& s);
/// The text quoted as one bash word, as bash's printf %q does: letters, digits, blanks
/// ("\ ") and the punctuation _ - . / + , : = @ % come out as cmdSpace gives them; every other
/// shell character is backslash-escaped; text with control characters becomes $'...'; the empty
/// text ''. A leading "-" stays: callers end a tool's options with "--".
QString shellQuoted(const QString& s);
/// Removes the item (a folder with everything in it; a link, not its target). True on success.
bool remove(const QString& path);
/// Removes whatever is at the path and creates an empty folder there with missing parents.
/// Destroys the existing item and its contents: only for paths this system made (a fresh
/// uniquePath), never a user's folder. False when the old item could not be removed.
bool createDir(const QString& path);
/// The scratch folder of that name inside the private application-support folder, made fresh
/// (emptied) when fresh is true, created when missing. The name must be one path component
/// (no "/", not "." or ".."); null for any other name or when the folder cannot be made.
QString toTempFolderPath(const QString& name, bool fresh = true);
/// Removes every dot-named item of the private application-support folder.
void removeAllTempFolder();
/// The name appended to the user's Videos, Documents or Desktop folder, created when missing.
QString toMoviesPath(const QString& name);
QString toDocument(const QString& name);
QString toDesktop(const QString& name);
QString documentPath();
QString homePath();
QString desktopPath();
/// The path as the user reads it in a list: the home folder itself becomes "~" and a path
/// inside it "~/..."; any other path, a neighbour such as /home/ann2 among them, is answered
/// unchanged.
QString abbreviatingWithTildeInPath(const QString& path);

// ---------------------------------------------------------------------------------------------
// Workspace, sound and pasteboard

/// Opens the text as a web address; false when malformed or nothing opened it.
bool openURL(const QString& s);
bool openURL(const QUrl& url);
/// Shows the item selected in a file-manager window.
bool openInFinder(const QString& path);
QUrl appstoreUrlWithId(const QString& itemId);
/// Plays the sound file at the path, else the desktop sound of that name.
bool play(const QString& s);
/// Clears the pasteboard and puts the trimmed text on it.
bool copyToPasteboard(const QString& s);
/// The pasteboard's plain text, "" when it holds none.
QString paste();

// ---------------------------------------------------------------------------------------------
// Text encoding

/// The character set guessed from the first 2048 bytes of the file (uchardet's name, possibly
/// empty); null when the file cannot be read. The extension always answers "UTF-8".
QString textEncodingName(const QString& path);
/// uchardet's guess at the character set of a file name's bytes (its name, possibly empty),
/// in the application and the extension alike.
QString charsetOfNameBytes(const QByteArray& name);

} // namespace qv
