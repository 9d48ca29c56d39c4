#include "foundation/StringExpandDigest.h"

#include "foundation/PathComponents.h"
#include "foundation/RegularFileReader.h"
#include "platform/Posix.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/evp.h>
#include <zlib.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/LateLibrary.h"

// libcrypto is opened on first use: these names call through platform/LateLibrary.h.
#define EVP_Digest TARSEL_LATE(platform::cryptoLibrary, EVP_Digest)
#define EVP_DigestFinal_ex TARSEL_LATE(platform::cryptoLibrary, EVP_DigestFinal_ex)
#define EVP_DigestInit_ex TARSEL_LATE(platform::cryptoLibrary, EVP_DigestInit_ex)
#define EVP_DigestUpdate TARSEL_LATE(platform::cryptoLibrary, EVP_DigestUpdate)
#define EVP_MD_CTX_free TARSEL_LATE(platform::cryptoLibrary, EVP_MD_CTX_free)
#define EVP_MD_CTX_new TARSEL_LATE(platform::cryptoLibrary, EVP_MD_CTX_new)
#define EVP_MD_get_size TARSEL_LATE(platform::cryptoLibrary, EVP_MD_get_size)
#define EVP_md5 TARSEL_LATE(platform::cryptoLibrary, EVP_md5)
#define EVP_sha1 TARSEL_LATE(platform::cryptoLibrary, EVP_sha1)
#define EVP_sha256 TARSEL_LATE(platform::cryptoLibrary, EVP_sha256)
#define EVP_sha512 TARSEL_LATE(platform::cryptoLibrary, EVP_sha512)

namespace qv {

namespace {

// Files are read in blocks of this size. Small blocks cost one system call each, which shows
// next to the fast digests; 256 KiB keeps us at the speed of OpenSSL's own tool while holding
// only one block of the file in memory.
constexpr qsizetype kBlockSize = 256 * 1024;

const EVP_MD* evpDigest(DigestAlgorithm algorithm)
{
    switch (algorithm) {
    case DigestAlgorithm::MD5:
        return EVP_md5();
    case DigestAlgorithm::SHA1:
        return EVP_sha1();
    case DigestAlgorithm::SHA256:
        return EVP_sha256();
    case DigestAlgorithm::SHA512:
        return EVP_sha512();
    }
    return nullptr;
}

struct EvpContextDeleter
{
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

} // namespace

namespace detail {

int openRegularFile(const QString& path)
{
    if (path.isEmpty()) {
        return -1;
    }
    const int fd = platform::posix::openRegularFile(path);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    return fd;
}

qsizetype readBlock(int fd, char* buffer, qsizetype size)
{
    return platform::posix::readFull(fd, buffer, size);
}

} // namespace detail

namespace {

// Reads the file from start to end in blocks and hands each to `feed`. False when the file
// cannot be opened, is not a regular file, a read fails or `feed` refuses a block. Only regular
// files are read: a named pipe would block the caller until some writer came, and a device
// such as /dev/zero never ends.
bool readFileInBlocks(const QString& path, const std::function<bool(const char*, qsizetype)>& feed)
{
    const int fd = detail::openRegularFile(path);
    if (fd < 0) {
        return false;
    }
    std::vector<char> block(kBlockSize);
    bool ok = true;
    for (;;) {
        const qsizetype n = detail::readBlock(fd, block.data(), kBlockSize);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!feed(block.data(), n)) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

QByteArray digestOfBytes(const QByteArray& data, DigestAlgorithm algorithm)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.constData(), static_cast<size_t>(data.size()), out, &length, evpDigest(algorithm), nullptr)
        != 1) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(out), length);
}

QString upperHexDigest(const QString& text, DigestAlgorithm algorithm)
{
    return QString::fromLatin1(digestOfBytes(text.toUtf8(), algorithm).toHex().toUpper());
}

} // namespace

HashComputationContext hashComputationContext(DigestAlgorithm algorithm)
{
    const EVP_MD* md = evpDigest(algorithm);
    std::shared_ptr<EVP_MD_CTX> ctx(EVP_MD_CTX_new(), EvpContextDeleter());
    HashComputationContext context;
    context.digestLength = EVP_MD_get_size(md);
    context.start = [ctx, md] { return ctx && EVP_DigestInit_ex(ctx.get(), md, nullptr) == 1; };
    context.update = [ctx](const char* data, qsizetype length) {
        return EVP_DigestUpdate(ctx.get(), data, static_cast<size_t>(length)) == 1;
    };
    context.finish = [ctx](unsigned char* digest) { return EVP_DigestFinal_ex(ctx.get(), digest, nullptr) == 1; };
    return context;
}

QString hashOfFileAtPath(const QString& path, const HashComputationContext& context)
{
    if (!context.start || !context.update || !context.finish || context.digestLength <= 0 || !context.start()) {
        return {};
    }
    if (!readFileInBlocks(path, context.update)) {
        return {};
    }
    QByteArray digest(context.digestLength, '\0');
    if (!context.finish(reinterpret_cast<unsigned char*>(digest.data()))) {
        return {};
    }
    return QString::fromLatin1(digest.toHex());
}

QString md5HashOfFileAtPath(const QString& path)
{
    return hashOfFileAtPath(path, hashComputationContext(DigestAlgorithm::MD5));
}

QString sha1HashOfFileAtPath(const QString& path)
{
    return hashOfFileAtPath(path, hashComputationContext(DigestAlgorithm::SHA1));
}

QString sha256HashOfFileAtPath(const QString& path)
{
    return hashOfFileAtPath(path, hashComputationContext(DigestAlgorithm::SHA256));
}

QString sha512HashOfFileAtPath(const QString& path)
{
    return hashOfFileAtPath(path, hashComputationContext(DigestAlgorithm::SHA512));
}

QString crc32HashOfFileAtPath(const QString& path)
{
    uLong crc = ::crc32(0L, Z_NULL, 0);
    const bool ok = readFileInBlocks(path, [&crc](const char* data, qsizetype length) {
        crc = ::crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(length));
        return true;
    });
    return QString::number(ok ? static_cast<quint32>(crc) : 0U);
}

QString fileMD5(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return detail::deletingPathExtension(detail::lastPathComponent(path));
    }
    return md5HashOfFileAtPath(path);
}

QString MD5(const QString& text)
{
    return upperHexDigest(text, DigestAlgorithm::MD5);
}

QString SHA1(const QString& text)
{
    return upperHexDigest(text, DigestAlgorithm::SHA1);
}

QString SHA256(const QString& text)
{
    return upperHexDigest(text, DigestAlgorithm::SHA256);
}

QString SHA512(const QString& text)
{
    return upperHexDigest(text, DigestAlgorithm::SHA512);
}

} // namespace qv
