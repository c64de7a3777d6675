#include "outreach/MessageReply.h"

#include "core/RecordText.h"

TMessageReply ReadMessageReply(const QByteArray& reply, const QByteArray& previousUrl) {
    using namespace RecordText;
    const Lines lines = SplitLines(reply);
    const QByteArray opening = OpeningLine("message");
    TMessageReply result{0, previousUrl, QString()};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (TrimLine(lines.at(i)) != opening)
            continue;
        const qsizetype start = i;
        ReadRecordBody(lines, i, ReadMode::Trimmed, [&](const QByteArray& line) {
            const QByteArray key = RecordKey(line);
            if (key == "refid") {
                bool isNumber = false;
                result.RefId = RecordValue(line).toInt(&isNumber, 10);
                if (!isNumber)
                    result.Error = QStringLiteral("refid \"%1\" is not a number")
                                       .arg(QString::fromLatin1(RecordValue(line)));
            } else if (key == "url") {
                result.Url = RecordValue(line);
            }
            return result.Error.isEmpty();
        });
        if (result.Error.isEmpty() && (i == start || TrimLine(lines.at(i)) != "end"))
            result.Error = QStringLiteral("a message record has no \"end\" line");
        if (!result.Error.isEmpty())
            return {0, previousUrl, result.Error};
    }
    return result;
}

QByteArray MessageRequestBody(int language, const QByteArray& version) {
    return "language=" + QByteArray::number(language) + "&version=" + version;
}
