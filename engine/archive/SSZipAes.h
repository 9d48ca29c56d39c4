#pragma once

#include <QByteArray>

#include <openssl/types.h>

/// WinZip AES-256 encryption of one entry's data (the "AE-2" form, compression method 99): a
/// fresh 16-byte salt, keys derived from the password and the salt (PBKDF2 with HMAC-SHA1, 1000
/// iterations: the AES key, the HMAC key and the 2-byte password verifier), AES in counter
/// mode with a little-endian counter that starts at 1, and the first 10 bytes of the HMAC-SHA1
/// of the encrypted data as the authentication code.
///
/// The stored data is header() + the encrypted bytes + code(). One object per entry, used on
/// one thread at a time; the keys never leave it and are wiped when it ends.
class SSZipAes final
{
public:
    static constexpr int kSaltSize = 16;
    static constexpr int kVerifierSize = 2;
    static constexpr int kCodeSize = 10;
    /// The bytes encryption adds to an entry's data.
    static constexpr int kOverhead = kSaltSize + kVerifierSize + kCodeSize;

    SSZipAes();
    ~SSZipAes();
    Q_DISABLE_COPY_MOVE(SSZipAes)

    /// Derives this entry's keys from the password (its UTF-8 bytes) and a new salt; false
    /// when the crypto library fails.
    bool start(const QByteArray& password);
    /// The salt and the password verifier, stored before the encrypted data.
    QByteArray header() const { return m_header; }
    /// Encrypts the next bytes of the entry in place; false when the crypto library fails.
    bool encrypt(char* data, qint64 size);
    /// The authentication code over everything encrypted; the object is spent afterwards.
    QByteArray code();

private:
    bool refill();

    EVP_CIPHER_CTX* m_cipher = nullptr;
    EVP_MAC_CTX* m_mac = nullptr;
    QByteArray m_header;
    quint64 m_counter = 0; ///< the last counter value encrypted into the key stream
    unsigned char m_stream[4096] {}; ///< key stream; m_used of it consumed
    int m_used = sizeof m_stream;
    bool m_ok = false;
};
