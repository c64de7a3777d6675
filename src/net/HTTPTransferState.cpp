#include "net/HTTPTransferState.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

QString PartFileName(const QString& target) {
    static std::atomic<quint64> serial{0};
    return target + QStringLiteral(".%1-%2.part").arg(QCoreApplication::applicationPid()).arg(++serial);
}

bool PublishTarget(THTTPTransferState& state) {
    // rename() replaces an existing target atomically, where QFile::rename refuses one.
    if (std::rename(QFile::encodeName(state.Request.FileName).constData(),
                    QFile::encodeName(state.Target).constData()) == 0) {
        state.TargetWritten = false;
        return true;
    }
    DiscardTarget(state);
    return false;
}

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
