#include "engine/archive/SSZipAes.h"

#include <cstring>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#ifndef TARSEL_LINKED_LIBRARIES
#include "platform/LateLibrary.h"

// libcrypto is opened on first use: these names call through platform/LateLibrary.h.
#define EVP_CIPHER_CTX_free TARSEL_LATE(platform::cryptoLibrary, EVP_CIPHER_CTX_free)
#define EVP_CIPHER_CTX_new TARSEL_LATE(platform::cryptoLibrary, EVP_CIPHER_CTX_new)
#define EVP_CIPHER_CTX_set_padding TARSEL_LATE(platform::cryptoLibrary, EVP_CIPHER_CTX_set_padding)
#define EVP_EncryptInit_ex TARSEL_LATE(platform::cryptoLibrary, EVP_EncryptInit_ex)
#define EVP_EncryptUpdate TARSEL_LATE(platform::cryptoLibrary, EVP_EncryptUpdate)
#define EVP_MAC_CTX_free TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_CTX_free)
#define EVP_MAC_CTX_new TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_CTX_new)
#define EVP_MAC_fetch TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_fetch)
#define EVP_MAC_final TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_final)
#define EVP_MAC_free TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_free)
#define EVP_MAC_init TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_init)
#define EVP_MAC_update TARSEL_LATE(platform::cryptoLibrary, EVP_MAC_update)
#define EVP_aes_256_ecb TARSEL_LATE(platform::cryptoLibrary, EVP_aes_256_ecb)
#define OPENSSL_cleanse TARSEL_LATE(platform::cryptoLibrary, OPENSSL_cleanse)
#define OSSL_PARAM_construct_end TARSEL_LATE(platform::cryptoLibrary, OSSL_PARAM_construct_end)
#define OSSL_PARAM_construct_utf8_string TARSEL_LATE(platform::cryptoLibrary, OSSL_PARAM_construct_utf8_string)
#define PKCS5_PBKDF2_HMAC_SHA1 TARSEL_LATE(platform::cryptoLibrary, PKCS5_PBKDF2_HMAC_SHA1)
#define RAND_bytes TARSEL_LATE(platform::cryptoLibrary, RAND_bytes)
#endif

namespace {

constexpr int kKeySize = 32;
constexpr int kIterations = 1000;
constexpr int kBlock = 16;

} // namespace

SSZipAes::SSZipAes() = default;

SSZipAes::~SSZipAes()
{
    EVP_CIPHER_CTX_free(m_cipher);
    EVP_MAC_CTX_free(m_mac);
    OPENSSL_cleanse(m_stream, sizeof m_stream);
}

bool SSZipAes::start(const QByteArray& password)
{
    unsigned char salt[kSaltSize];
    unsigned char keys[2 * kKeySize + kVerifierSize];
    m_ok = RAND_bytes(salt, kSaltSize) == 1
        && PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()), salt, kSaltSize, kIterations,
                                  int(sizeof keys), keys)
            == 1;
    if (m_ok) {
        m_cipher = EVP_CIPHER_CTX_new();
        // Counter mode by hand: the counter is little-endian, which OpenSSL's own CTR is not.
        m_ok = m_cipher != nullptr && EVP_EncryptInit_ex(m_cipher, EVP_aes_256_ecb(), nullptr, keys, nullptr) == 1
            && EVP_CIPHER_CTX_set_padding(m_cipher, 0) == 1;
    }
    if (m_ok) {
        EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
        m_mac = mac != nullptr ? EVP_MAC_CTX_new(mac) : nullptr;
        EVP_MAC_free(mac);
        char digest[] = "SHA1";
        const OSSL_PARAM params[]
            = { OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_construct_end() };
        m_ok = m_mac != nullptr && EVP_MAC_init(m_mac, keys + kKeySize, kKeySize, params) == 1;
    }
    m_header = QByteArray(reinterpret_cast<const char*>(salt), kSaltSize)
                   .append(reinterpret_cast<const char*>(keys + 2 * kKeySize), kVerifierSize);
    OPENSSL_cleanse(keys, sizeof keys);
    return m_ok;
}

bool SSZipAes::refill()
{
    // The next counter blocks, encrypted in one call: the block cipher then runs pipelined.
    unsigned char counters[sizeof m_stream] {};
    for (size_t at = 0; at < sizeof counters; at += kBlock) {
        quint64 value = ++m_counter;
        for (int byte = 0; byte < 8; ++byte, value >>= 8) {
            counters[at + size_t(byte)] = static_cast<unsigned char>(value & 0xff);
        }
    }
    int made = 0;
    m_ok = m_ok && EVP_EncryptUpdate(m_cipher, m_stream, &made, counters, int(sizeof counters)) == 1
        && made == int(sizeof m_stream);
    m_used = 0;
    return m_ok;
}

bool SSZipAes::encrypt(char* data, qint64 size)
{
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    for (qint64 done = 0; done < size && m_ok;) {
        if (m_used == int(sizeof m_stream) && !refill()) {
            break;
        }
        const qint64 n = qMin<qint64>(size - done, qint64(sizeof m_stream) - m_used);
        for (qint64 i = 0; i < n; ++i) {
            bytes[done + i] ^= m_stream[m_used + i];
        }
        m_used += int(n);
        done += n;
    }
    return m_ok && EVP_MAC_update(m_mac, bytes, size_t(size)) == 1;
}

QByteArray SSZipAes::code()
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    size_t length = 0;
    m_ok = m_ok && EVP_MAC_final(m_mac, mac, &length, sizeof mac) == 1 && length >= size_t(kCodeSize);
    return m_ok ? QByteArray(reinterpret_cast<const char*>(mac), kCodeSize) : QByteArray();
}
