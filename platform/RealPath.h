#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::realpath {

// Paths as the file system names them, in bytes: the canonical spelling of a path, the
// process's working folder at any depth, and whether a name survives the trip through QString.

/// The canonical form of an absolute path: "." and ".." and repeated "/" removed and every
/// symbolic link in the folders leading to the item resolved, as realpath() does, but the last
/// component itself is not followed when followLast is false (a selected link stays the link).
/// A trailing "/" is dropped. Works at any length (it walks folder by folder). The last component
/// must exist. Null with a message (and the errno value in *code) when the path cannot be resolved.
std::optional<QByteArray> canonicalPath(const QByteArray& path, bool followLast, QString* error, int* code = nullptr);

/// The type (DT_*) of each entry of a folder by name, read in one pass: the names lie in one
/// block and are found through an open-addressed table, so that a folder of thousands of items
/// costs a few allocations rather than one per name.
class FolderEntries final
{
public:
    /// Adds an entry, before any lookup; false when the folder is too large to hold so.
    bool add(std::string_view name, unsigned char type);
    /// Builds the table; the entries are not added to after.
    void finish();
    /// The type of the entry of that name, or nothing when the folder held no such entry.
    std::optional<unsigned char> find(std::string_view name) const;

private:
    // Each entry as its name, a NUL and its type byte.
    std::string m_names;
    std::vector<std::uint32_t> m_starts;
    // Slots holding an index into m_starts plus one; 0 is an empty slot.
    std::vector<std::uint32_t> m_slots;
};

/// An open folder and its canonical text.
struct ResolvedFolder
{
    int fd = -1;
    QByteArray text;
    /// Items looked up in it so far; after many, its entries are read in one pass.
    int lookups = 0;
    /// The type (DT_*) of each entry by name, once read.
    std::shared_ptr<const FolderEntries> entries;
};

/// canonicalPath for many paths, most of them in few folders (a selection): the folder part of
/// each path is walked once, with every check canonicalPath makes, and kept open, so each
/// further item of a folder seen already costs one look at the item itself; once a folder has
/// given many items, its entries are read in one pass and an item's type is taken from there.
/// The answers, and the messages, are those canonicalPath gives.
class Resolver final
{
public:
    explicit Resolver(bool followLast);
    ~Resolver();
    Q_DISABLE_COPY_MOVE(Resolver)

    std::optional<QByteArray> canonicalPath(const QByteArray& path, QString* error, int* code = nullptr);

private:
    bool m_followLast;
    // By the folder part as it was given.
    QHash<QByteArray, ResolvedFolder> m_folders;
};

/// The working folder of this process, however deep; null with a message when it cannot be
/// read (it was removed, or lies outside this process's view of the file system).
std::optional<QByteArray> workingFolder(QString* error);

/// True when the bytes come back unchanged from QFile::decodeName and encodeName: a path that
/// does not would name another file once it is held as text.
bool decodesExactly(const QByteArray& path);

/// The folder holding the first component of the path whose bytes do not decode exactly
/// (nothing when every component does).
std::optional<QByteArray> folderOfUndecodableName(const QByteArray& path);

/// The exact bytes of a file URL's path: escapes of bytes that are not UTF-8 come back as those
/// bytes, where QUrl::toLocalFile() would replace them.
QByteArray pathOfFileUrl(const QUrl& url);

} // namespace platform::realpath
