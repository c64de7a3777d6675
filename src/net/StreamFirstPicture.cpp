#include "net/StreamFirstPicture.h"

#include "core/picture/WholePicture.h"

#include <QList>
#include <optional>

namespace {

// The value of a parameter of a header value ("multipart/x-mixed-replace; boundary=frame"),
// quotes removed; empty when it is not there.
QByteArray Parameter(const QByteArray& value, const QByteArray& name) {
    for (const QByteArray& piece : value.split(';')) {
        const QByteArray trimmed = piece.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (equals <= 0 || trimmed.left(equals).trimmed().toLower() != name)
            continue;
        QByteArray parameter = trimmed.mid(equals + 1).trimmed();
        if (parameter.size() >= 2 && parameter.startsWith('"') && parameter.endsWith('"'))
            parameter = parameter.mid(1, parameter.size() - 2);
        return parameter;
    }
    return {};
}

// The Content-Length of a part's head, when it gives a usable one.
std::optional<qsizetype> PartLength(const QByteArray& head) {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.left(colon).trimmed().toLower() != "content-length")
            continue;
        bool ok = false;
        const qlonglong length = line.mid(colon + 1).trimmed().toLongLong(&ok);
        if (ok && length >= 0)
            return qsizetype(length);
    }
    return std::nullopt;
}

} // namespace

QByteArray MixedReplaceBoundary(const QByteArray& contentType) {
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    if (type != "multipart/x-mixed-replace")
        return {};
    return Parameter(contentType, "boundary");
}

TStreamFirstPicture::TStreamFirstPicture(const QByteArray& boundary)
    // Many cameras name the boundary with the two dashes that the delimiter adds already; the
    // delimiter is looked for as the boundary without them, which matches either way.
    : m_delimiter(boundary.startsWith("--") ? boundary.mid(2) : boundary) {}

bool TStreamFirstPicture::Feed(const char* data, qsizetype size) {
    if (m_found)
        return true;
    m_buffer.append(data, size);
    return TakeParts();
}

bool TStreamFirstPicture::TakeParts() {
    for (;;) {
        // A part: the delimiter line, its head up to an empty line, then its body.
        const qsizetype delimiter = m_buffer.indexOf("--" + m_delimiter);
        if (delimiter < 0)
            return false;
        const qsizetype lineEnd = m_buffer.indexOf('\n', delimiter);
        if (lineEnd < 0)
            return false;
        qsizetype headEnd = m_buffer.indexOf("\r\n\r\n", lineEnd - 1);
        qsizetype bodyStart = headEnd + 4;
        const qsizetype bareHeadEnd = m_buffer.indexOf("\n\n", lineEnd);
        if (bareHeadEnd >= 0 && (headEnd < 0 || bareHeadEnd < headEnd)) {
            headEnd = bareHeadEnd;
            bodyStart = bareHeadEnd + 2;
        }
        if (headEnd < 0)
            return false;
        const std::optional<qsizetype> length = PartLength(m_buffer.mid(lineEnd + 1, headEnd - lineEnd));
        qsizetype bodyEnd = -1;
        if (length) {
            if (m_buffer.size() - bodyStart < *length)
                return false;
            bodyEnd = bodyStart + *length;
        } else {
            // Without a length the part ends where the next delimiter line begins.
            bodyEnd = m_buffer.indexOf("--" + m_delimiter, bodyStart);
            if (bodyEnd < 0)
                return false;
            while (bodyEnd > bodyStart && (m_buffer[bodyEnd - 1] == '\n' || m_buffer[bodyEnd - 1] == '\r'))
                --bodyEnd;
        }
        const QByteArray part = m_buffer.mid(bodyStart, bodyEnd - bodyStart);
        if (part.startsWith("\xff\xd8") && IsWholePicture(part)) {
            m_picture = part;
            m_found = true;
            m_buffer.clear();
            return true;
        }
        m_buffer.remove(0, bodyEnd);
    }
}
