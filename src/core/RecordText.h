#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>
#include <span>
#include <utility>

// Record text: the one line format of every server reply and data file. Blocks of key lines
// ("key=value") opened by "object=<kind>" and closed by "end". All text is kept as bytes.
namespace RecordText {

using Lines = QList<QByteArray>;
// Lines that point into a text the caller keeps alive: reading a large reply without copying it.
using LineViews = QList<QByteArrayView>;

enum class ReadMode {
    Exact,   // lines are used as they stand (cam and language records)
    Trimmed, // bytes 0..32 are stripped from both ends of every line first
};

// Called for each key line of a record; returning false ends the reading of the whole text.
using KeyLineHandler = std::function<bool(const QByteArray& line)>;
using KeyLineViewHandler = std::function<bool(QByteArrayView line)>;
// Called at each opening line, before the record's key lines are handed over.
using RecordOpener = std::function<void()>;
// Called with all key lines of one record; returning false ends the reading of the whole text.
using RecordBlockHandler = std::function<bool(std::span<const QByteArrayView> keyLines)>;

// CR LF, LF and CR each end a line; a NUL byte ends the text; a final line break adds no empty line.
Lines SplitLines(const QByteArray& text);
// The same lines as views into `text`, which must outlive them.
LineViews SplitLineViews(const QByteArray& text);

// Every line followed by CR LF, the last one included.
QByteArray JoinLines(const Lines& lines);

// Strips bytes with codes 0 to 32 from both ends.
QByteArray TrimLine(const QByteArray& line);
QByteArrayView TrimLine(QByteArrayView line);

// The text before the first "=", empty when there is none.
QByteArray RecordKey(const QByteArray& line);
// The text after the first "=", the whole line when there is none.
QByteArray RecordValue(const QByteArray& line);

// The opening line of a record of this kind.
QByteArray OpeningLine(const QByteArray& kind);

// Reads the key lines of one record. `index` stands on the opening line; afterwards it stands on the
// closing line, or on the last line when the record is not closed. Returns false when the handler
// asked to stop.
bool ReadRecordBody(const Lines& lines, qsizetype& index, ReadMode mode, const KeyLineHandler& handleKeyLine);
bool ReadRecordBody(const LineViews& lines, qsizetype& index, ReadMode mode,
                    const KeyLineViewHandler& handleKeyLine);

// Reads every record of `kind` in text order. The last line of a text never opens a record; a record
// without its closing line runs to the end of the text.
void ReadRecords(const Lines& lines, const QByteArray& kind, ReadMode mode, const RecordOpener& openRecord,
                 const KeyLineHandler& handleKeyLine);
void ReadRecords(const LineViews& lines, const QByteArray& kind, ReadMode mode,
                 const RecordOpener& openRecord, const KeyLineViewHandler& handleKeyLine);

// The same for a whole text, read in place one line at a time, without a list of its lines.
void ReadRecords(const QByteArray& text, const QByteArray& kind, ReadMode mode,
                 const RecordOpener& openRecord, const KeyLineViewHandler& handleKeyLine);

// The same, handing over each record's key lines at once: one call per record rather than per line.
void ReadRecordBlocks(const QByteArray& text, const QByteArray& kind, ReadMode mode,
                      const RecordBlockHandler& handleRecord);

// Appends one record: the opening line, "key=value" for each pair in the given order, "end".
void WriteRecord(Lines& lines, const QByteArray& kind,
                 const QList<std::pair<QByteArray, QByteArray>>& keyValues);

} // namespace RecordText
