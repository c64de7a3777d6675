#pragma once

#include <QList>
#include <QStringList>

// Programs of this user that draw on this session's desktop, found through /proc. A desktop without
// a wallpaper command of its own shows whatever background program runs in the session; these
// routines find it, so that its command line can be remembered and it can be ended and started again.
struct TRunningProgram {
    qint64 Pid = 0;
    QStringList Arguments; // the command line, the program itself first
};

// The running programs whose file name is `name`, started by this user and, where both say which,
// talking to the same Wayland and X display as this process; oldest first (by process id).
QList<TRunningProgram> RunningPrograms(const QString& name);

// Asks a program found by RunningPrograms to end, if that process id still is such a program.
void StopProgram(qint64 pid, const QString& name);
