#include "core/pack/PackFormat.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace {

template <std::size_t N> qint32 ReadInt32(const std::array<char, N>& bytes, int at) {
    return qFromLittleEndian<qint32>(bytes.data() + at);
}
template <std::size_t N> quint32 ReadUInt32(const std::array<char, N>& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.data() + at);
}
template <std::size_t N, typename T> void WriteInt(std::array<char, N>& bytes, int at, T value) {
    qToLittleEndian<T>(value, bytes.data() + at);
}

QByteArray ReadText(const char* field) {
    const int length = static_cast<unsigned char>(field[0]);
    return QByteArray(field + 1, length);
}
void WriteText(char* field, const QByteArray& text) {
    const int length = std::min<qsizetype>(text.size(), PackFormat::MaxTextLength);
    std::memset(field, 0, PackFormat::TextFieldSize);
    field[0] = static_cast<char>(length);
    std::memcpy(field + 1, text.constData(), length);
}

// Entry fields.
constexpr int NameAt = 0;
constexpr int DirectoryAt = 256;
constexpr int SizeAt = 512;
constexpr int PackedSizeAt = 516;
constexpr int OffsetAt = 520;
constexpr int EntryCRCAt = 524;
constexpr int StoredAt = 528;

// Trailer fields.
constexpr int TrailerCRCAt = 0;
constexpr int CountAt = 4;
constexpr int DirectorySizeAt = 8;
constexpr int DirectoryOffsetAt = 16;
constexpr int CompressedAt = 20;

} // namespace

QByteArray TZLBFileEntry::FileName() const {
    return ReadText(Bytes.data() + NameAt);
}
QByteArray TZLBFileEntry::RelativeDirectory() const {
    return ReadText(Bytes.data() + DirectoryAt);
}
qint32 TZLBFileEntry::Size() const {
    return ReadInt32(Bytes, SizeAt);
}
qint32 TZLBFileEntry::PackedSize() const {
    return ReadInt32(Bytes, PackedSizeAt);
}
qint32 TZLBFileEntry::Offset() const {
    return ReadInt32(Bytes, OffsetAt);
}
quint32 TZLBFileEntry::CRC() const {
    return ReadUInt32(Bytes, EntryCRCAt);
}
bool TZLBFileEntry::Stored() const {
    return Bytes[StoredAt] != 0;
}

void TZLBFileEntry::SetFileName(const QByteArray& name) {
    WriteText(Bytes.data() + NameAt, name);
}
void TZLBFileEntry::SetRelativeDirectory(const QByteArray& directory) {
    WriteText(Bytes.data() + DirectoryAt, directory);
}
void TZLBFileEntry::SetSize(qint32 size) {
    WriteInt(Bytes, SizeAt, size);
}
void TZLBFileEntry::SetPackedSize(qint32 size) {
    WriteInt(Bytes, PackedSizeAt, size);
}
void TZLBFileEntry::SetOffset(qint32 offset) {
    WriteInt(Bytes, OffsetAt, offset);
}
void TZLBFileEntry::SetCRC(quint32 crc) {
    WriteInt(Bytes, EntryCRCAt, crc);
}
void TZLBFileEntry::SetStored(bool stored) {
    Bytes[StoredAt] = stored ? 1 : 0;
}

quint32 TZLBTrailer::CRC() const {
    return ReadUInt32(Bytes, TrailerCRCAt);
}
qint32 TZLBTrailer::EntryCount() const {
    return ReadInt32(Bytes, CountAt);
}
qint32 TZLBTrailer::DirectorySize() const {
    return ReadInt32(Bytes, DirectorySizeAt);
}
qint32 TZLBTrailer::DirectoryOffset() const {
    return ReadInt32(Bytes, DirectoryOffsetAt);
}
bool TZLBTrailer::DirectoryCompressed() const {
    return Bytes[CompressedAt] != 0;
}

void TZLBTrailer::SetCRC(quint32 crc) {
    WriteInt(Bytes, TrailerCRCAt, crc);
}
void TZLBTrailer::SetEntryCount(qint32 count) {
    WriteInt(Bytes, CountAt, count);
}
void TZLBTrailer::SetDirectorySize(qint32 size) {
    WriteInt(Bytes, DirectorySizeAt, size);
}
void TZLBTrailer::SetDirectoryOffset(qint32 offset) {
    WriteInt(Bytes, DirectoryOffsetAt, offset);
}
void TZLBTrailer::SetDirectoryCompressed(bool compressed) {
    Bytes[CompressedAt] = compressed ? 1 : 0;
}
