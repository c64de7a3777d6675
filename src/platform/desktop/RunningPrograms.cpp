#include "platform/desktop/RunningPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <optional>
#include <unistd.h>

namespace {

QByteArray ProcFile(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QByteArray> NulSeparated(const QByteArray& text) {
    QList<QByteArray> parts = text.split('\0');
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    return parts;
}

std::optional<QByteArray> EnvironmentOf(qint64 pid, const QByteArray& variable) {
    const QByteArray prefix = variable + '=';
    for (const QByteArray& entry : NulSeparated(ProcFile(pid, "environ")))
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    return std::nullopt;
}

// Whether the process talks to the same display as this one, where both say which.
bool OnThisDisplay(qint64 pid) {
    for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const QByteArray ours = qgetenv(variable);
        const std::optional<QByteArray> theirs = EnvironmentOf(pid, variable);
        if (theirs && !ours.isEmpty() && *theirs != ours)
            return false;
    }
    return true;
}

// The command line of a process of this user whose program file is called `name`.
std::optional<QStringList> CommandOf(qint64 pid, const QString& name) {
    if (QFileInfo(QStringLiteral("/proc/%1").arg(pid)).ownerId() != geteuid())
        return std::nullopt;
    const QList<QByteArray> arguments = NulSeparated(ProcFile(pid, "cmdline"));
    if (arguments.isEmpty() || QFileInfo(QFile::decodeName(arguments.first())).fileName() != name)
        return std::nullopt;
    QStringList command;
    for (const QByteArray& argument : arguments)
        command << QFile::decodeName(argument);
    return command;
}

} // namespace

QList<TRunningProgram> RunningPrograms(const QString& name) {
    QList<TRunningProgram> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || pid == getpid())
            continue;
        const std::optional<QStringList> command = CommandOf(pid, name);
        if (!command || !OnThisDisplay(pid))
            continue;
        found.append({pid, *command});
    }
    std::sort(found.begin(), found.end(),
              [](const TRunningProgram& a, const TRunningProgram& b) { return a.Pid < b.Pid; });
    return found;
}

void StopProgram(qint64 pid, const QString& name) {
    if (CommandOf(pid, name))
        ::kill(pid_t(pid), SIGTERM);
}
