#pragma once

// Archives laid out byte by byte, independently of the program's own format code, so that tests can
// produce every shape a pack reader meets, broken ones included.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QtEndian>
#include <optional>
#include <zlib.h>

namespace HandPack {

inline QByteArray ZlibStream(const QByteArray& data) {
    uLongf length = compressBound(data.size());
    QByteArray stream(length, '\0');
    compress2(reinterpret_cast<Bytef*>(stream.data()), &length, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), Z_BEST_COMPRESSION);
    stream.truncate(length);
    return stream;
}

inline quint32 Crc(const QByteArray& data) {
    return crc32(0L, reinterpret_cast<const Bytef*>(data.data()), data.size());
}

inline void PutInt(QByteArray& bytes, int at, quint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

inline void PutText(QByteArray& bytes, int at, const QByteArray& text) {
    bytes[at] = static_cast<char>(text.size());
    bytes.replace(at + 1, text.size(), text);
}

struct Entry {
    QByteArray Name;
    QByteArray Directory;
    qint32 Size = 0;
    qint32 Offset = 0;
    quint32 CRC = 0;
    bool Stored = false;
    // Bytes the member takes, which a reader may only take as a hint; filler when unset.
    std::optional<qint32> PackedSize;
    // Bytes the reader ignores: after the texts and at 529.
    char Filler = 0;

    QByteArray Bytes() const {
        QByteArray bytes(532, Filler);
        PutText(bytes, 0, Name);
        PutText(bytes, 256, Directory);
        PutInt(bytes, 512, static_cast<quint32>(Size));
        PutInt(bytes, 520, static_cast<quint32>(Offset));
        PutInt(bytes, 524, CRC);
        if (PackedSize)
            PutInt(bytes, 516, static_cast<quint32>(*PackedSize));
        bytes[528] = Stored ? 7 : 0;
        return bytes;
    }
};

struct Trailer {
    qint32 Count = 0;
    qint32 DirectoryOffset = 0;
    bool DirectoryCompressed = false;
    // Bytes the reader ignores: 8 to 15 and 21 to 35.
    char Filler = 0;
};

// Member data, then a directory, then the trailer with the CRC of everything before it.
struct Builder {
    QByteArray Body;
    QList<Entry> Entries;

    // Adds a member whose entry describes it truthfully; returns its index.
    int Add(const QByteArray& name, const QByteArray& directory, const QByteArray& data, bool stored) {
        const QByteArray packed = stored ? data : ZlibStream(data);
        Entry entry{name,      directory, static_cast<qint32>(data.size()),  static_cast<qint32>(Body.size()),
                    Crc(data), stored,    static_cast<qint32>(packed.size())};
        Body += packed;
        Entries.append(entry);
        return Entries.size() - 1;
    }

    QByteArray DirectoryBytes() const {
        QByteArray directory;
        for (const Entry& entry : Entries)
            directory += entry.Bytes();
        return directory;
    }

    // The whole archive; the trailer fields default to the truth.
    QByteArray Finish(bool compressDirectory, char trailerFiller = 0) const {
        Trailer trailer{static_cast<qint32>(Entries.size()), static_cast<qint32>(Body.size()),
                        compressDirectory, trailerFiller};
        const QByteArray directory = DirectoryBytes();
        return WithTrailer(Body + (compressDirectory ? ZlibStream(directory) : directory), trailer);
    }

    static QByteArray WithTrailer(const QByteArray& body, const Trailer& fields) {
        QByteArray trailer(36, fields.Filler);
        PutInt(trailer, 0, Crc(body));
        PutInt(trailer, 4, static_cast<quint32>(fields.Count));
        PutInt(trailer, 16, static_cast<quint32>(fields.DirectoryOffset));
        trailer[20] = fields.DirectoryCompressed ? 1 : 0;
        return body + trailer;
    }
};

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Bytes that deflate barely or not at all.
inline QByteArray NoiseBytes(int size, quint32 seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(seed >> 24);
    }
    return bytes;
}

} // namespace HandPack
