#pragma once

// Additions to the platform's data: free functions in namespace qv, receiver first.
// A "nil" data answer is a null QByteArray.

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace qv {

/// The 16 raw bytes of the data's MD5 digest.
QByteArray MD5(const QByteArray& data);

/// The object as an archive (a versioned data stream of the value), and back. Data that is not
/// such an archive gives a null QVariant.
QByteArray dataWithObject(const QVariant& object);
QVariant convertDataToObject(const QByteArray& data);

/// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
QString base64EncodedString(const QByteArray& data);
/// The decoding of such text; the trailing "=" may be missing. Nil when the text holds
/// anything but Base64.
QByteArray dataWithBase64String(const QString& text);

/// AES-128 in ECB mode with PKCS#7 padding. The key is the key text's UTF-8 bytes, zero-padded
/// (or cut) to 16 bytes. Nil on failure (a wrong key or damaged data when decrypting).
QByteArray aes128EncryptWithKey(const QByteArray& data, const QString& key);
QByteArray aes128DecryptWithKey(const QByteArray& data, const QString& key);

} // namespace qv
