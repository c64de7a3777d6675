#include "catalogue/RecordText.h"

namespace RecordText {

namespace {

const QByteArray ClosingLine = QByteArrayLiteral("end");

QByteArray LineInMode(const QByteArray& line, ReadMode mode) {
    return mode == ReadMode::Trimmed ? TrimLine(line) : line;
}

} // namespace

Lines SplitLines(const QByteArray& text) {
    Lines lines;
    const qsizetype nul = text.indexOf('\0');
    const qsizetype end = nul < 0 ? text.size() : nul;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < end) {
        const char c = text.at(i);
        if (c == '\r' || c == '\n') {
            lines.append(text.mid(start, i - start));
            if (c == '\r' && i + 1 < end && text.at(i + 1) == '\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < end)
        lines.append(text.mid(start, end - start));
    return lines;
}

QByteArray JoinLines(const Lines& lines) {
    qsizetype size = 0;
    for (const QByteArray& line : lines)
        size += line.size() + 2;
    QByteArray text;
    text.reserve(size);
    for (const QByteArray& line : lines) {
        text.append(line);
        text.append("\r\n", 2);
    }
    return text;
}

QByteArray TrimLine(const QByteArray& line) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line.at(begin)))
        ++begin;
    while (end > begin && isBlank(line.at(end - 1)))
        --end;
    return line.mid(begin, end - begin);
}

QByteArray RecordKey(const QByteArray& line) {
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : line.left(equals);
}

QByteArray RecordValue(const QByteArray& line) {
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? line : line.mid(equals + 1);
}

QByteArray OpeningLine(const QByteArray& kind) {
    return QByteArrayLiteral("object=") + kind;
}

bool ReadRecordBody(const Lines& lines, qsizetype& index, ReadMode mode,
                    const KeyLineHandler& handleKeyLine) {
    const qsizetype last = lines.size() - 1;
    while (index < last) {
        ++index;
        const QByteArray line = LineInMode(lines.at(index), mode);
        if (line == ClosingLine)
            return true;
        if (!handleKeyLine(line))
            return false;
    }
    return true;
}

void ReadRecords(const Lines& lines, const QByteArray& kind, ReadMode mode, const RecordOpener& openRecord,
                 const KeyLineHandler& handleKeyLine) {
    const QByteArray opening = OpeningLine(kind);
    for (qsizetype i = 0; i < lines.size() - 1; ++i) {
        if (LineInMode(lines.at(i), mode) != opening)
            continue;
        openRecord();
        if (!ReadRecordBody(lines, i, mode, handleKeyLine))
            return;
    }
}

void WriteRecord(Lines& lines, const QByteArray& kind,
                 const QList<std::pair<QByteArray, QByteArray>>& keyValues) {
    lines.append(OpeningLine(kind));
    for (const auto& [key, value] : keyValues)
        lines.append(key + '=' + value);
    lines.append(ClosingLine);
}

} // namespace RecordText
