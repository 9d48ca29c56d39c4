#include "foundation/DataExpand.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>

#include <openssl/evp.h>

#include <memory>

#include "platform/LateLibrary.h"

// libcrypto is opened on first use: these names call through platform/LateLibrary.h.
#define EVP_CIPHER_CTX_free TARSEL_LATE(platform::cryptoLibrary, EVP_CIPHER_CTX_free)
#define EVP_CIPHER_CTX_new TARSEL_LATE(platform::cryptoLibrary, EVP_CIPHER_CTX_new)
#define EVP_CIPHER_get_block_size TARSEL_LATE(platform::cryptoLibrary, EVP_CIPHER_get_block_size)
#define EVP_CipherFinal_ex TARSEL_LATE(platform::cryptoLibrary, EVP_CipherFinal_ex)
#define EVP_CipherInit_ex TARSEL_LATE(platform::cryptoLibrary, EVP_CipherInit_ex)
#define EVP_CipherUpdate TARSEL_LATE(platform::cryptoLibrary, EVP_CipherUpdate)
#define EVP_aes_128_ecb TARSEL_LATE(platform::cryptoLibrary, EVP_aes_128_ecb)

namespace qv {

namespace {

// Archives carry their stream version, so data written now reads the same with later Qt.
constexpr QDataStream::Version kArchiveVersion = QDataStream::Qt_6_4;
constexpr int kAesKeyLength = 16;

struct CipherContextDeleter
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

QByteArray aes128Ecb(const QByteArray& data, const QString& key, bool encrypt)
{
    QByteArray keyBytes = key.toUtf8().left(kAesKeyLength);
    keyBytes.append(kAesKeyLength - keyBytes.size(), '\0');

    std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> ctx(EVP_CIPHER_CTX_new());
    if (!ctx
        || EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr,
                             reinterpret_cast<const unsigned char*>(keyBytes.constData()), nullptr, encrypt ? 1 : 0)
            != 1) {
        return {};
    }
    // PKCS#7 padding is the cipher's default.
    QByteArray out(data.size() + EVP_CIPHER_block_size(EVP_aes_128_ecb()), '\0');
    auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    int finalWritten = 0;
    if (EVP_CipherUpdate(ctx.get(), outBytes, &written, reinterpret_cast<const unsigned char*>(data.constData()),
                         static_cast<int>(data.size()))
            != 1
        || EVP_CipherFinal_ex(ctx.get(), outBytes + written, &finalWritten) != 1) {
        return {};
    }
    out.resize(written + finalWritten);
    if (out.isNull()) {
        out = QByteArray(""); // decrypting to nothing is a success, not nil
    }
    return out;
}

} // namespace

QByteArray MD5(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray dataWithObject(const QVariant& object)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(kArchiveVersion);
    stream << object;
    return stream.status() == QDataStream::Ok ? data : QByteArray();
}

QVariant convertDataToObject(const QByteArray& data)
{
    if (data.isEmpty()) {
        return {};
    }
    QDataStream stream(data);
    stream.setVersion(kArchiveVersion);
    QVariant object;
    stream >> object;
    if (stream.status() != QDataStream::Ok || !stream.atEnd()) {
        return {};
    }
    return object;
}

QString base64EncodedString(const QByteArray& data)
{
    return QString::fromLatin1(data.toBase64());
}

QByteArray dataWithBase64String(const QString& text)
{
    const auto decoded = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return {};
    }
    return decoded.decoded.isNull() ? QByteArray("") : decoded.decoded;
}

QByteArray aes128EncryptWithKey(const QByteArray& data, const QString& key)
{
    return aes128Ecb(data, key, true);
}

QByteArray aes128DecryptWithKey(const QByteArray& data, const QString& key)
{
    return aes128Ecb(data, key, false);
}

} // namespace qv
