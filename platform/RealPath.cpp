#include "platform/RealPath.h"

#include "platform/Posix.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::realpath {

namespace {

// The kernel's own bound on the links followed while resolving one path.
constexpr int kMaxLinks = 40;

// An open folder handle, closed when it goes out of scope or is replaced.
class FolderHandle final
{
public:
    explicit FolderHandle(int fd)
        : m_fd(fd)
    {
    }
    ~FolderHandle() { reset(-1); }
    Q_DISABLE_COPY_MOVE(FolderHandle)

    int fd() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};

int openFolder(int at, const char* name)
{
    return ::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

QList<QByteArray> componentsOf(const QByteArray& path)
{
    QList<QByteArray> parts = path.split('/');
    parts.removeAll(QByteArray());
    return parts;
}

// Where a walk is: the open folder it reached, the names of the folders that lead there (none
// of them a link) and the components still to go. The steps answer 0 or an errno value.
struct Walk
{
    FolderHandle folder { openFolder(AT_FDCWD, "/") };
    QList<QByteArray> done;
    QList<QByteArray> pending;
    int links = 0;

    // ".." of the handle is the parent the text names, as no folder on the way is a link;
    // ".." of "/" is "/".
    int up()
    {
        if (done.isEmpty()) {
            return 0;
        }
        const int parent = openFolder(folder.fd(), "..");
        if (parent < 0) {
            return errno;
        }
        folder.reset(parent);
        done.removeLast();
        return 0;
    }

    // Puts the target of the link `name` in front of what is still to go.
    int follow(const QByteArray& name, const struct stat& st)
    {
        if (++links > kMaxLinks) {
            return ELOOP;
        }
        QByteArray target(qsizetype(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlinkat(folder.fd(), name.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            return errno;
        }
        target.truncate(qsizetype(n));
        if (target.startsWith('/')) {
            folder.reset(openFolder(AT_FDCWD, "/"));
            if (folder.fd() < 0) {
                return errno;
            }
            done.clear();
        }
        pending = componentsOf(target) + pending;
        return 0;
    }

    int enter(const QByteArray& name, const struct stat& st)
    {
        if (!S_ISDIR(st.st_mode)) {
            return ENOTDIR;
        }
        const int child = openFolder(folder.fd(), name.constData());
        if (child < 0) {
            return errno;
        }
        folder.reset(child);
        done << name;
        return 0;
    }

    QByteArray text() const { return QByteArray("/") + done.join('/'); }
};

// The walk behind canonicalPath. When parent is given and the item the walk ends on is the
// path's own last component (not a link's target), *parent receives the open folder holding it
// and the canonical text of that folder.
std::optional<QByteArray> walk(const QByteArray& path, bool followLast, QString* error, int* code,
                               ResolvedFolder* parent)
{
    const auto failWith = [&path, error, code](int why) -> std::optional<QByteArray> {
        if (code) {
            *code = why;
        }
        posix::fail(error, QStringLiteral("resolve the path"), QFile::decodeName(path), posix::errnoText(why));
        return std::nullopt;
    };
    if (!path.startsWith('/')) {
        return failWith(EINVAL);
    }
    // Each folder is opened relative to the one before it, so no call ever sees the whole path
    // and no length limit applies; the text of the resolved folders grows beside the handle.
    Walk at;
    if (at.folder.fd() < 0) {
        return failWith(errno);
    }
    at.pending = componentsOf(path);
    // Whether the component in hand is still the path's own last one.
    bool lastIsGiven = true;
    while (!at.pending.isEmpty()) {
        const QByteArray name = at.pending.takeFirst();
        const bool last = at.pending.isEmpty();
        struct stat st
        {
        };
        int why = 0;
        if (name == "." || name == "..") {
            why = name == ".." ? at.up() : 0;
        } else if (::fstatat(at.folder.fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            why = errno;
        } else if (S_ISLNK(st.st_mode) && (!last || followLast)) {
            lastIsGiven = lastIsGiven && !last;
            why = at.follow(name, st);
        } else if (last) {
            if (parent != nullptr && lastIsGiven) {
                parent->text = at.text();
                parent->fd = at.folder.release();
            }
            at.done << name;
            break;
        } else {
            why = at.enter(name, st);
        }
        if (why != 0) {
            return failWith(why);
        }
    }
    return at.text();
}

// The items of one folder after which the folder's entries are read in one pass, and the
// largest folder (its size as the file system gives it) read so.
constexpr int kListAfter = 64;
constexpr off_t kLargestListed = 4 * 1024 * 1024;

// The type of each entry of the open folder by name; null when the folder cannot be read (it
// may be searchable only) or is too large to read for a selection.
std::shared_ptr<const FolderEntries> entriesOf(int folderFd)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st
    {
    };
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size > kLargestListed) {
        if (fd >= 0) {
            ::close(fd);
        }
        return nullptr;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return nullptr;
    }
    auto entries = std::make_shared<FolderEntries>();
    bool complete = true;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!entries->add(entry->d_name, entry->d_type)) {
            complete = false;
            break;
        }
    }
    complete = complete && errno == 0;
    ::closedir(dir);
    if (!complete) {
        return nullptr;
    }
    entries->finish();
    return entries;
}

} // namespace

bool FolderEntries::add(std::string_view name, unsigned char type)
{
    // Offsets and counts are held in 32 bits.
    if (m_names.size() + name.size() + 2 > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    m_starts.push_back(std::uint32_t(m_names.size()));
    m_names.append(name);
    m_names.push_back('\0');
    m_names.push_back(char(type));
    return true;
}

void FolderEntries::finish()
{
    size_t size = 16;
    while (size < m_starts.size() * 2) {
        size *= 2;
    }
    m_slots.assign(size, 0);
    for (size_t i = 0; i < m_starts.size(); ++i) {
        const char* name = m_names.data() + m_starts[i];
        size_t slot = std::hash<std::string_view>()(name) & (size - 1);
        while (m_slots[slot] != 0) {
            slot = (slot + 1) & (size - 1);
        }
        m_slots[slot] = std::uint32_t(i + 1);
    }
}

std::optional<unsigned char> FolderEntries::find(std::string_view name) const
{
    // No name holds a NUL, which ends each stored one.
    if (m_slots.empty() || name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = std::hash<std::string_view>()(name) & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const size_t start = m_starts[m_slots[slot] - 1];
        // The stored name ends at its NUL, which a name never holds; its type follows.
        if (m_names.compare(start, name.size(), name) == 0 && m_names[start + name.size()] == '\0') {
            return static_cast<unsigned char>(m_names[start + name.size() + 1]);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> canonicalPath(const QByteArray& path, bool followLast, QString* error, int* code)
{
    return walk(path, followLast, error, code, nullptr);
}

Resolver::Resolver(bool followLast)
    : m_followLast(followLast)
{
}

Resolver::~Resolver()
{
    for (const ResolvedFolder& folder : std::as_const(m_folders)) {
        ::close(folder.fd);
    }
}

std::optional<QByteArray> Resolver::canonicalPath(const QByteArray& path, QString* error, int* code)
{
    // The folder part as given (trailing "/" dropped) is the key; the item is its last name.
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == '/') {
        --end;
    }
    const qsizetype slash = path.lastIndexOf('/', end - 1);
    const QByteArray name = slash >= 0 ? path.mid(slash + 1, end - slash - 1) : QByteArray();
    if (!path.startsWith('/') || name.isEmpty() || name == "." || name == "..") {
        return walk(path, m_followLast, error, code, nullptr);
    }
    const QByteArray key = path.left(slash);
    const auto known = m_folders.find(key);
    if (known != m_folders.end()) {
        // The folder was walked (with every check) for an earlier item: only the item is
        // looked at, without following it. A link to be followed, or an item that cannot be
        // looked at, takes the whole walk, which says why.
        if (known->entries == nullptr && ++known->lookups == kListAfter) {
            known->entries = entriesOf(known->fd);
        }
        unsigned char type = DT_UNKNOWN;
        if (known->entries != nullptr) {
            const std::optional<unsigned char> entry
                = known->entries->find(std::string_view(name.constData(), size_t(name.size())));
            if (!entry) {
                return walk(path, m_followLast, error, code, nullptr);
            }
            type = *entry;
        }
        if (type == DT_UNKNOWN) {
            struct statx st
            {
            };
            if (::statx(known->fd, name.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE, &st) != 0) {
                return walk(path, m_followLast, error, code, nullptr);
            }
            type = S_ISLNK(st.stx_mode) ? DT_LNK : DT_REG;
        }
        if (type != DT_LNK || !m_followLast) {
            // A path given in its canonical form (the usual case) is the answer as it stands.
            if (end == path.size() && key == (known->text.size() > 1 ? known->text : QByteArray())) {
                return path;
            }
            return known->text.size() > 1 ? known->text + '/' + name : known->text + name;
        }
        return walk(path, m_followLast, error, code, nullptr);
    }
    ResolvedFolder folder;
    std::optional<QByteArray> resolved = walk(path, m_followLast, error, code, &folder);
    if (folder.fd >= 0) {
        m_folders.insert(key, folder);
    }
    return resolved;
}

std::optional<QByteArray> workingFolder(QString* error)
{
    // The C library grows its buffer (and walks the folders itself) for folders deeper than
    // the kernel's page-sized answer.
    char* cwd = ::getcwd(nullptr, 0);
    if (cwd == nullptr) {
        posix::fail(error, QStringLiteral("read the working folder"), QStringLiteral("."), posix::errnoText(errno));
        return std::nullopt;
    }
    const QByteArray folder(cwd);
    std::free(cwd);
    if (!folder.startsWith('/')) {
        // "(unreachable)/...": a folder outside this process's root.
        posix::fail(error, QStringLiteral("read the working folder"), QFile::decodeName(folder),
                    posix::errnoText(ENOENT));
        return std::nullopt;
    }
    return folder;
}

bool decodesExactly(const QByteArray& path)
{
    return QFile::encodeName(QFile::decodeName(path)) == path;
}

std::optional<QByteArray> folderOfUndecodableName(const QByteArray& path)
{
    // Names are UTF-8 to QFile: bytes below 0x80 always come back unchanged, and most paths of a
    // large selection hold nothing else. Otherwise a path that reads back exactly as a whole has
    // no name that does not: "/" never takes part in a multi-byte character.
    if (std::all_of(path.cbegin(), path.cend(), [](char c) { return (uchar(c) & 0x80) == 0; })
        || decodesExactly(path)) {
        return std::nullopt;
    }
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf('/', start);
        if (end < 0) {
            end = path.size();
        }
        if (!decodesExactly(path.mid(start, end - start))) {
            const QByteArray folder = path.left(start);
            if (folder.size() > 1 && folder.endsWith('/')) {
                return folder.chopped(1);
            }
            return folder.isEmpty() ? QByteArray(".") : folder;
        }
        start = end + 1;
    }
    return std::nullopt;
}

QByteArray pathOfFileUrl(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

} // namespace platform::realpath
