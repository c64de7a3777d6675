#pragma once

#include <QByteArray>

// The boundary named by a "multipart/x-mixed-replace" content type (the MJPEG stream of an IP
// camera); empty for any other type.
QByteArray MixedReplaceBoundary(const QByteArray& contentType);

// Reads such a stream until its first part that is a whole JPEG picture; parts before it that are
// not (a text part, a torn frame) are passed over. A stream sends parts for as long as it is read,
// so the transfer ends as soon as Found() holds.
class TStreamFirstPicture {
public:
    explicit TStreamFirstPicture(const QByteArray& boundary);

    // Takes the next bytes of the body; true once the picture has been found.
    bool Feed(const char* data, qsizetype size);
    bool Found() const { return m_found; }
    // The picture, once found.
    const QByteArray& Picture() const { return m_picture; }
    // Bytes held while looking: what the size bound of a transfer applies to.
    qsizetype Held() const { return m_buffer.size(); }

private:
    // Takes every whole part at the front of the buffer; true once one was the picture.
    bool TakeParts();

    QByteArray m_delimiter;
    QByteArray m_buffer;
    bool m_found = false;
    QByteArray m_picture;
};
