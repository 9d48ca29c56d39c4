#pragma once

#include <QByteArray>
#include <QList>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

/// Deflates (and, under a password, encrypts) the files of an archive ahead of its writer, on
/// several threads, so that the one thread that writes the archive only copies finished data.
///
/// Each file is cut into pieces of kPieceSize that are deflated on their own, each primed with
/// the 32 kB before it: the pieces joined are one raw deflate stream (every piece but the last
/// ends on a sync flush, the last finishes the stream). The writer takes the pieces in order;
/// the threads keep at most a few pieces per thread ahead of it, so memory stays bounded
/// however large the files are.
///
/// A file under a password is encrypted with WinZip AES-256 (SSZipAes) piece by piece in
/// order, each piece by the thread that finished it or its predecessor: the pieces of one file
/// are encrypted one after the other, those of different files at the same time.
class SSZipDeflater final
{
public:
    static constexpr qint64 kPieceSize = 1024 * 1024;

    /// One deflated piece of a file. Stored before it: `head` (the encryption's salt and
    /// verifier, on a file's first piece); after it: `code` (the authentication code, on the last).
    struct Piece
    {
        QByteArray head;
        QByteArray deflated; ///< the deflated (or stored) bytes, encrypted under a password
        QByteArray code;
        quint32 crc = 0; ///< of the bytes read
        qint64 read = 0; ///< bytes read; less than planned when the file has shrunk
        qint64 planned = 0;
        int error = 0; ///< errno of a failed read, or -1 for a failed deflate
    };

    /// cancelled: asked before each piece; a cancelled run deflates nothing more.
    explicit SSZipDeflater(std::function<bool()> cancelled);
    ~SSZipDeflater();
    Q_DISABLE_COPY_MOVE(SSZipDeflater)

    /// Plans a file of the given size at that deflate level (1..9; 0 stores the bytes as they
    /// are), encrypted when a password (its UTF-8 bytes) is given; the number of its first
    /// piece, its pieces following in order.
    qint64 addFile(const QByteArray& path, qint64 size, int level, const QByteArray& password = QByteArray());
    /// The number of pieces a file of that size is cut into.
    static qint64 pieceCount(qint64 size);
    /// Starts the threads; once started no file may be added.
    void start();
    /// The piece, waiting until it is deflated; each piece is taken once, in order.
    Piece take(qint64 piece);
    /// Hands a taken piece's buffer back for a later piece: buffers of this size come from
    /// the system's page mapping, and unmapping them on a multi-threaded process is costly.
    void recycle(QByteArray&& buffer);

private:
    struct File;
    struct Job;
    void work();
    bool claim(qint64* index);
    void deflate(Job& job);
    /// Marks the piece deflated and encrypts what of its file can be encrypted now.
    void finish(qint64 index);
    void seal(File& file, Job& job);

    std::function<bool()> m_cancelled;
    std::vector<Job> m_jobs;
    std::vector<std::thread> m_threads;
    std::vector<QByteArray> m_spare;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    qint64 m_next = 0; ///< the next piece a thread claims
    qint64 m_taken = 0; ///< the pieces before it have been taken by the writer
    qint64 m_window = 0;
    bool m_stopping = false;
};
