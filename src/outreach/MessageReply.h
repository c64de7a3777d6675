#pragma once

#include <QByteArray>
#include <QString>

// What a reply of the message script names: the current message's number and the address of its
// page. The address is kept from reply to reply, as a record without one keeps the earlier one.
struct TMessageReply {
    // The last refid of the reply's message records; 0 when there is none, or when the reply is
    // broken (a refid that is not a decimal number, a message record without its "end" line).
    qint32 RefId = 0;
    // The last url met, or the url given in when the reply names none.
    QByteArray Url;
    // Why a broken reply shows nothing; empty for a sound reply.
    QString Error;
};

// Reads every "message" record of the reply, lines trimmed; other records and keys are passed over.
// A broken reply leaves `previousUrl` as it was.
TMessageReply ReadMessageReply(const QByteArray& reply, const QByteArray& previousUrl);

// The body of the request for the current message: "language=N&version=V", nothing escaped.
QByteArray MessageRequestBody(int language, const QByteArray& version);
