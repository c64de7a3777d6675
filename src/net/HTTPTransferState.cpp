#include "net/HTTPTransferState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cstdio>

QString PartFileName(const QString& target) {
    static std::atomic<quint64> serial{0};
    return target + QStringLiteral(".%1-%2.part").arg(QCoreApplication::applicationPid()).arg(++serial);
}

namespace {

bool IsPartFileName(const QString& name) {
    // "<target>.<process>-<serial>.part"
    const QString suffix = QStringLiteral(".part");
    if (!name.endsWith(suffix))
        return false;
    const QStringView stem = QStringView(name).chopped(suffix.size());
    const qsizetype dot = stem.lastIndexOf(u'.');
    const QStringView numbers = stem.mid(dot + 1);
    const qsizetype dash = numbers.indexOf(u'-');
    const auto isNumber = [](QStringView text) {
        return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    };
    return dot > 0 && dash > 0 && isNumber(numbers.left(dash)) && isNumber(numbers.mid(dash + 1));
}

} // namespace

void RemoveLeftoverPartFiles(const QString& directory) {
    const QDir folder(directory);
    // The names are told apart here rather than by a name filter, which would compile a regular
    // expression and keep its engine in the memory of an idle program.
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
        if (IsPartFileName(name))
            QFile::remove(folder.filePath(name));
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
