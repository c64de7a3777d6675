#include "platform/desktop/DesktopRecord.h"

namespace {

const QByteArray Readable = "/:.-_~";

QByteArray Encoded(const QByteArray& text) {
    return text.toPercentEncoding(Readable);
}

} // namespace

QByteArray EncodeDesktopRecord(const QString& backend, const TDesktopValues& values) {
    QByteArray record = "desktop=" + Encoded(backend.toUtf8());
    for (const auto& [name, value] : values)
        record += ' ' + Encoded(name) + '=' + Encoded(value);
    return record;
}

std::optional<TDesktopValues> DecodeDesktopRecord(const QString& backend, const QByteArray& record) {
    const QByteArrayList fields = record.split(' ');
    if (fields.first() != "desktop=" + Encoded(backend.toUtf8()))
        return std::nullopt;
    TDesktopValues values;
    for (qsizetype at = 1; at < fields.size(); ++at) {
        const qsizetype equals = fields[at].indexOf('=');
        if (equals <= 0)
            return std::nullopt;
        values.append({QByteArray::fromPercentEncoding(fields[at].left(equals)),
                       QByteArray::fromPercentEncoding(fields[at].mid(equals + 1))});
    }
    return values;
}
