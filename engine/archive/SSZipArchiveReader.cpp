#include "engine/archive/SSZipArchiveReader.h"

#include <QFile>

#include <zip.h>

#include <ctime>

#include "platform/LateLibrary.h"

// libzip is opened on first use: these names call through platform/LateLibrary.h. The fuzz
// targets, which build this file alone, link the library instead.
#ifndef TARSEL_LINKED_LIBRARIES
#define zip_discard TARSEL_LATE(platform::zipLibrary, zip_discard)
#define zip_encryption_method_supported TARSEL_LATE(platform::zipLibrary, zip_encryption_method_supported)
#define zip_error_clear TARSEL_LATE(platform::zipLibrary, zip_error_clear)
#define zip_error_code_zip TARSEL_LATE(platform::zipLibrary, zip_error_code_zip)
#define zip_error_fini TARSEL_LATE(platform::zipLibrary, zip_error_fini)
#define zip_error_init TARSEL_LATE(platform::zipLibrary, zip_error_init)
#define zip_fclose TARSEL_LATE(platform::zipLibrary, zip_fclose)
#define zip_file_get_error TARSEL_LATE(platform::zipLibrary, zip_file_get_error)
#define zip_file_get_external_attributes TARSEL_LATE(platform::zipLibrary, zip_file_get_external_attributes)
#define zip_fopen_index TARSEL_LATE(platform::zipLibrary, zip_fopen_index)
#define zip_fopen_index_encrypted TARSEL_LATE(platform::zipLibrary, zip_fopen_index_encrypted)
#define zip_fread TARSEL_LATE(platform::zipLibrary, zip_fread)
#define zip_get_error TARSEL_LATE(platform::zipLibrary, zip_get_error)
#define zip_get_name TARSEL_LATE(platform::zipLibrary, zip_get_name)
#define zip_get_num_entries TARSEL_LATE(platform::zipLibrary, zip_get_num_entries)
#define zip_open TARSEL_LATE(platform::zipLibrary, zip_open)
#define zip_open_from_source TARSEL_LATE(platform::zipLibrary, zip_open_from_source)
#define zip_source_buffer_create TARSEL_LATE(platform::zipLibrary, zip_source_buffer_create)
#define zip_source_free TARSEL_LATE(platform::zipLibrary, zip_source_free)
#define zip_stat_index TARSEL_LATE(platform::zipLibrary, zip_stat_index)
#define zip_stat_init TARSEL_LATE(platform::zipLibrary, zip_stat_init)
#endif

namespace {

SSZipArchiveReader::Failure failureOf(int code)
{
    switch (code) {
    case ZIP_ER_OK:
        return SSZipArchiveReader::Failure::None;
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return SSZipArchiveReader::Failure::Password;
    case ZIP_ER_CRC:
        return SSZipArchiveReader::Failure::Crc;
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB:
        return SSZipArchiveReader::Failure::Data;
    default:
        return SSZipArchiveReader::Failure::Other;
    }
}

quint32 dosDateOf(time_t time)
{
    struct tm t;
    if (localtime_r(&time, &t) == nullptr || t.tm_year < 80) {
        return 0;
    }
    return quint32(t.tm_year - 80) << 25 | quint32(t.tm_mon + 1) << 21 | quint32(t.tm_mday) << 16
        | quint32(t.tm_hour) << 11 | quint32(t.tm_min) << 5 | quint32(t.tm_sec / 2);
}

bool hasHighBytes(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

class LibzipEntry final : public SSZipArchiveReader::Entry
{
public:
    LibzipEntry(zip_file_t* file, bool noChecksum)
        : m_file(file)
        , m_noChecksum(noChecksum)
    {
    }
    ~LibzipEntry() override { zip_fclose(m_file); }
    Q_DISABLE_COPY_MOVE(LibzipEntry)

    qint64 read(char* buffer, qint64 size) override
    {
        const zip_int64_t n = zip_fread(m_file, buffer, zip_uint64_t(size));
        if (n < 0) {
            m_failure = failureOf(zip_error_code_zip(zip_file_get_error(m_file)));
            // A WinZip AES entry of the second kind stores no checksum (its content is
            // authenticated instead, which libzip checks), yet this libzip still compares the
            // stored 0 at the end of the data: that is the end, not damage.
            if (m_failure == SSZipArchiveReader::Failure::Crc && m_noChecksum) {
                m_failure = SSZipArchiveReader::Failure::None;
                return 0;
            }
            if (m_failure == SSZipArchiveReader::Failure::None) {
                m_failure = SSZipArchiveReader::Failure::Other;
            }
        }
        return n;
    }
    SSZipArchiveReader::Failure failure() const override { return m_failure; }

private:
    zip_file_t* m_file;
    bool m_noChecksum;
    SSZipArchiveReader::Failure m_failure = SSZipArchiveReader::Failure::None;
};

} // namespace

struct SSZipArchiveReader::Archive
{
    zip_t* zip = nullptr;
    ~Archive() { zip_discard(zip); }
};

SSZipArchiveReader::SSZipArchiveReader(const QString& path)
{
    int error = 0;
    if (zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error)) {
        m_archive = std::make_unique<Archive>();
        m_archive->zip = zip;
    }
}

SSZipArchiveReader::SSZipArchiveReader(const QByteArray& bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (source != nullptr) {
        if (zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error)) {
            m_archive = std::make_unique<Archive>();
            m_archive->zip = zip;
        } else {
            zip_source_free(source);
        }
    }
    zip_error_fini(&error);
}

SSZipArchiveReader::~SSZipArchiveReader() = default;

qint64 SSZipArchiveReader::count() const
{
    return m_archive ? qint64(zip_get_num_entries(m_archive->zip, 0)) : 0;
}

bool SSZipArchiveReader::info(qint64 index, SSZipFileInfo* info, QByteArray* rawName, QByteArray* strictName) const
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (!m_archive || zip_stat_index(m_archive->zip, zip_uint64_t(index), 0, &st) != 0) {
        return false;
    }
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(m_archive->zip, zip_uint64_t(index), 0, &system, &attributes) != 0) {
        return false;
    }
    const char* raw = zip_get_name(m_archive->zip, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    const char* strict = zip_get_name(m_archive->zip, zip_uint64_t(index), ZIP_FL_ENC_STRICT);
    if (raw == nullptr || strict == nullptr) {
        return false;
    }
    *rawName = QByteArray(raw);
    const QByteArray asSpecified(strict);
    *info = SSZipFileInfo();
    info->versionMadeBy = quint16(system) << 8;
    // libzip converts a name from code page 437 only when the UTF-8 flag is clear: a name with
    // high bytes that comes back unchanged carried the flag.
    const bool utf8 = hasHighBytes(*rawName) && asSpecified == *rawName;
    const bool encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    info->flag = quint16((encrypted ? 0x0001 : 0) | (utf8 ? 0x0800 : 0));
    info->compressionMethod = quint16(st.comp_method);
    info->encryptionMethod = quint16(st.encryption_method);
    info->dosDate = (st.valid & ZIP_STAT_MTIME) ? dosDateOf(st.mtime) : 0;
    info->crc = st.crc;
    info->compressedSize = st.comp_size;
    info->uncompressedSize = st.size;
    info->sizeFilename = quint32(rawName->size());
    info->externalAttributes = attributes;
    if (strictName != nullptr) {
        *strictName = asSpecified;
    }
    return true;
}

std::unique_ptr<SSZipArchiveReader::Entry> SSZipArchiveReader::open(qint64 index, const QString& password,
                                                                    Failure* failure) const
{
    if (!m_archive) {
        *failure = Failure::Other;
        return nullptr;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_archive->zip, zip_uint64_t(index), 0, &st) != 0) {
        *failure = Failure::Other;
        return nullptr;
    }
    // This libzip leaks what it built when it fails on an unknown method: ask it first.
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE && !password.isEmpty()
        && !zip_encryption_method_supported(st.encryption_method, 0)) {
        *failure = Failure::Other;
        return nullptr;
    }
    const QByteArray secret = password.toUtf8();
    zip_file_t* file = password.isEmpty()
        ? zip_fopen_index(m_archive->zip, zip_uint64_t(index), 0)
        : zip_fopen_index_encrypted(m_archive->zip, zip_uint64_t(index), 0, secret.constData());
    if (file == nullptr) {
        *failure = failureOf(zip_error_code_zip(zip_get_error(m_archive->zip)));
        if (*failure == Failure::None) {
            *failure = Failure::Other;
        }
        zip_error_clear(m_archive->zip);
        return nullptr;
    }
    *failure = Failure::None;
    const bool aes = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method >= ZIP_EM_AES_128
        && st.encryption_method <= ZIP_EM_AES_256;
    return std::make_unique<LibzipEntry>(file, aes && (st.valid & ZIP_STAT_CRC) && st.crc == 0);
}
