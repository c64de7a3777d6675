#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <memory>

class QIODevice;
struct z_stream_s;

// Inflates one zlib stream that starts at an offset of an archive file and may not reach past `end`
// (where the archive's trailer begins). Input is taken in blocks of 256 KiB. Every shortfall is an
// error, never a wait: input running out, or the stream ending before what was asked was produced.
class TPackInflater {
public:
    // Whether the Adler-32 at the end of the stream is computed and compared. A caller that compares
    // the member's own CRC-32 has a stronger check of the same bytes and need not pay for both; the
    // four bytes must be there either way.
    enum class TStreamCheck { Compared, Skipped };

    TPackInflater(QIODevice& file, qint64 start, qint64 end, TStreamCheck check = TStreamCheck::Compared);
    ~TPackInflater();
    TPackInflater(const TPackInflater&) = delete;
    TPackInflater& operator=(const TPackInflater&) = delete;

    // Produces exactly `count` bytes into `out`; false when that is not possible.
    bool Read(char* out, qsizetype count);
    // True when the stream ends exactly here, complete with its checksum; false when it would produce
    // more bytes or is broken.
    bool AtStreamEnd();

private:
    bool Refill();

    QIODevice& m_file;
    qint64 m_position;
    qint64 m_end;
    std::unique_ptr<z_stream_s> m_stream;
    QByteArray m_input;
    bool m_ready = false;
    bool m_ended = false;
};
