#include "net/HTTPTransferState.h"

#include <QFile>

void DiscardTarget(THTTPTransferState& state) {
    if (!state.TargetWritten)
        return;
    QFile::remove(state.Request.FileName);
    state.TargetWritten = false;
}

QList<QByteArray> ConnectToRules(const QByteArray& value) {
    QList<QByteArray> rules;
    for (const QByteArray& part : value.split(',')) {
        const QByteArray rule = part.trimmed();
        if (!rule.isEmpty())
            rules.append(rule);
    }
    return rules;
}
