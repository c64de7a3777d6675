#include "FormBody.h"

#include "core/RecordText.h"

namespace FormBody {

QList<Pair> Pairs(const QByteArray& body) {
    QList<Pair> pairs;
    if (body.isEmpty())
        return pairs;
    for (const QByteArray& piece : body.split('&'))
        pairs.append({RecordText::RecordKey(piece),
                      piece.contains('=') ? RecordText::RecordValue(piece) : QByteArray()});
    return pairs;
}

std::optional<QByteArray> Value(const QByteArray& body, const QByteArray& key) {
    for (const Pair& pair : Pairs(body)) {
        if (pair.first == key)
            return pair.second;
    }
    return std::nullopt;
}

std::optional<QList<QByteArray>> OrderedValues(const QByteArray& body, const QList<QByteArray>& keys) {
    if (keys.isEmpty() || !body.startsWith(keys.first() + '='))
        return std::nullopt;
    QList<QByteArray> values;
    qsizetype valueStart = keys.first().size() + 1;
    for (qsizetype k = 1; k < keys.size(); ++k) {
        const QByteArray marker = '&' + keys.at(k) + '=';
        const qsizetype next = body.indexOf(marker, valueStart);
        if (next < 0)
            return std::nullopt;
        values.append(body.mid(valueStart, next - valueStart));
        valueStart = next + marker.size();
    }
    values.append(body.mid(valueStart));
    return values;
}

qint64 IntegerValue(const QByteArray& body, const QByteArray& key, qint64 fallback) {
    const std::optional<QByteArray> value = Value(body, key);
    if (!value)
        return fallback;
    bool ok = false;
    const qint64 number = value->toLongLong(&ok, 10);
    return ok ? number : fallback;
}

} // namespace FormBody
