#include "core/RecordText.h"

#include <cstring>
#include <vector>

namespace RecordText {

namespace {

const QByteArray ClosingLine = QByteArrayLiteral("end");

template <typename Line> Line LineInMode(const Line& line, ReadMode mode) {
    return mode == ReadMode::Trimmed ? TrimLine(line) : line;
}

// Walks the lines of a text one by one.
class TLineCursor {
public:
    explicit TLineCursor(const QByteArray& text)
        : m_data(text.constData()) {}

    // The next line; false when the text has no more.
    bool Next(QByteArrayView& line) {
        if (m_ended)
            return false;
        // A QByteArray's data always ends with a NUL, and the first NUL ends the text, so the C
        // library's fast scan for the next CR, LF or NUL finds every line end.
        const qsizetype length = static_cast<qsizetype>(std::strcspn(m_data + m_start, "\r\n"));
        const char stop = m_data[m_start + length];
        line = QByteArrayView(m_data + m_start, length);
        if (stop == '\0') {
            m_ended = true;
            return length > 0;
        }
        m_start += length + 1;
        if (stop == '\r' && m_data[m_start] == '\n')
            ++m_start;
        return true;
    }
    // Whether the line Next gave last is the last line of the text.
    bool AtLast() const { return m_ended || m_data[m_start] == '\0'; }

private:
    const char* m_data;
    qsizetype m_start = 0;
    bool m_ended = false;
};

// Calls addLine(start, length) for every line of the text.
template <typename AddLine> void ForEachLine(const QByteArray& text, AddLine addLine) {
    TLineCursor cursor(text);
    QByteArrayView line;
    while (cursor.Next(line))
        addLine(line.constData() - text.constData(), line.size());
}

template <typename Line, typename Handler>
bool ReadBody(const QList<Line>& lines, qsizetype& index, ReadMode mode, const Handler& handleKeyLine) {
    const qsizetype last = lines.size() - 1;
    while (index < last) {
        ++index;
        const Line line = LineInMode(lines.at(index), mode);
        if (line == ClosingLine)
            return true;
        if (!handleKeyLine(line))
            return false;
    }
    return true;
}

template <typename Line, typename Handler>
void ReadAll(const QList<Line>& lines, const QByteArray& kind, ReadMode mode, const RecordOpener& openRecord,
             const Handler& handleKeyLine) {
    const QByteArray opening = OpeningLine(kind);
    for (qsizetype i = 0; i < lines.size() - 1; ++i) {
        if (LineInMode(lines.at(i), mode) != opening)
            continue;
        openRecord();
        if (!ReadBody(lines, i, mode, handleKeyLine))
            return;
    }
}

// The same reading as ReadAll over the text's lines, taking one line at a time. `closeRecord` is
// told when a record's key lines are over: at its closing line or at the end of the text.
template <typename OpenRecord, typename HandleKeyLine, typename CloseRecord>
void ReadAllInPlace(const QByteArray& text, const QByteArray& kind, ReadMode mode, OpenRecord openRecord,
                    HandleKeyLine handleKeyLine, CloseRecord closeRecord) {
    const QByteArray opening = OpeningLine(kind);
    TLineCursor cursor(text);
    QByteArrayView line;
    while (cursor.Next(line) && !cursor.AtLast()) {
        if (LineInMode(line, mode) != opening)
            continue;
        openRecord();
        while (cursor.Next(line)) {
            const QByteArrayView keyLine = LineInMode(line, mode);
            if (keyLine == ClosingLine)
                break;
            if (!handleKeyLine(keyLine))
                return;
        }
        if (!closeRecord())
            return;
    }
}

} // namespace

Lines SplitLines(const QByteArray& text) {
    Lines lines;
    ForEachLine(text, [&](qsizetype start, qsizetype length) { lines.append(text.sliced(start, length)); });
    return lines;
}

LineViews SplitLineViews(const QByteArray& text) {
    LineViews lines;
    ForEachLine(text, [&](qsizetype start, qsizetype length) {
        lines.append(QByteArrayView(text.constData() + start, length));
    });
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

QByteArrayView TrimLine(QByteArrayView line) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line.at(begin)))
        ++begin;
    while (end > begin && isBlank(line.at(end - 1)))
        --end;
    return line.sliced(begin, end - begin);
}

QByteArray TrimLine(const QByteArray& line) {
    const QByteArrayView trimmed = TrimLine(QByteArrayView(line));
    return trimmed.size() == line.size() ? line : trimmed.toByteArray();
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
    return ReadBody(lines, index, mode, handleKeyLine);
}

bool ReadRecordBody(const LineViews& lines, qsizetype& index, ReadMode mode,
                    const KeyLineViewHandler& handleKeyLine) {
    return ReadBody(lines, index, mode, handleKeyLine);
}

void ReadRecords(const Lines& lines, const QByteArray& kind, ReadMode mode, const RecordOpener& openRecord,
                 const KeyLineHandler& handleKeyLine) {
    ReadAll(lines, kind, mode, openRecord, handleKeyLine);
}

void ReadRecords(const LineViews& lines, const QByteArray& kind, ReadMode mode,
                 const RecordOpener& openRecord, const KeyLineViewHandler& handleKeyLine) {
    ReadAll(lines, kind, mode, openRecord, handleKeyLine);
}

void ReadRecords(const QByteArray& text, const QByteArray& kind, ReadMode mode,
                 const RecordOpener& openRecord, const KeyLineViewHandler& handleKeyLine) {
    ReadAllInPlace(text, kind, mode, openRecord, handleKeyLine, [] { return true; });
}

void ReadRecordBlocks(const QByteArray& text, const QByteArray& kind, ReadMode mode,
                      const RecordBlockHandler& handleRecord) {
    std::vector<QByteArrayView> keyLines;
    ReadAllInPlace(
        text, kind, mode, [&] { keyLines.clear(); },
        [&](QByteArrayView line) {
            keyLines.push_back(line);
            return true;
        },
        [&] { return handleRecord(keyLines); });
}

void WriteRecord(Lines& lines, const QByteArray& kind,
                 const QList<std::pair<QByteArray, QByteArray>>& keyValues) {
    lines.append(OpeningLine(kind));
    for (const auto& [key, value] : keyValues)
        lines.append(key + '=' + value);
    lines.append(ClosingLine);
}

} // namespace RecordText
