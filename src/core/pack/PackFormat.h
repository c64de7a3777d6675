#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <cstdint>

// The byte layout of a language pack: member data anywhere before the trailer, a directory of
// fixed-size entries (plain, or one zlib stream), and a 36-byte trailer at the very end. Integers are
// little-endian; texts are a length byte followed by up to 255 bytes.
namespace PackFormat {

constexpr int TrailerSize = 36;
constexpr int EntrySize = 532;
constexpr int TextFieldSize = 256;
constexpr int MaxTextLength = 255;
// The separator of entry directories inside an archive, whatever the platform.
constexpr char DirectorySeparator = '\\';

} // namespace PackFormat

// One directory entry exactly as stored in the archive.
struct TZLBFileEntry {
    std::array<char, PackFormat::EntrySize> Bytes{};

    QByteArray FileName() const;
    // May be empty, may begin or end with "\".
    QByteArray RelativeDirectory() const;
    qint32 Size() const;
    // Bytes the member takes in the archive; written for pack tools, never needed to read a member.
    qint32 PackedSize() const;
    qint32 Offset() const;
    quint32 CRC() const;
    bool Stored() const;

    // Texts longer than 255 bytes are cut; the writer refuses such names before it gets here.
    void SetFileName(const QByteArray& name);
    void SetRelativeDirectory(const QByteArray& directory);
    void SetSize(qint32 size);
    void SetPackedSize(qint32 size);
    void SetOffset(qint32 offset);
    void SetCRC(quint32 crc);
    void SetStored(bool stored);
};

// The last 36 bytes of an archive.
struct TZLBTrailer {
    std::array<char, PackFormat::TrailerSize> Bytes{};

    // CRC-32 of every byte of the file before the trailer.
    quint32 CRC() const;
    qint32 EntryCount() const;
    // Bytes the directory takes in the archive; written for pack tools, never needed to read it.
    qint32 DirectorySize() const;
    qint32 DirectoryOffset() const;
    bool DirectoryCompressed() const;

    void SetCRC(quint32 crc);
    void SetEntryCount(qint32 count);
    void SetDirectorySize(qint32 size);
    void SetDirectoryOffset(qint32 offset);
    void SetDirectoryCompressed(bool compressed);
};

// The pack checksums: the CRC-32 of zlib, PNG and Ethernet (reflected polynomial 0xEDB88320,
// initial value all ones, final complement). Long runs are folded with carry-less multiplication
// where the processor has it, the rest goes through zlib.
namespace PackCRC {
// The checksum of no bytes, where a running checksum starts.
inline constexpr quint32 Empty = 0;
// The checksum of the bytes that gave `checksum`, followed by these.
quint32 Update(quint32 checksum, const char* data, qsizetype length);
inline quint32 Checksum(const QByteArray& data) {
    return Update(Empty, data.constData(), data.size());
}
} // namespace PackCRC
