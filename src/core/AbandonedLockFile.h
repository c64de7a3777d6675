#pragma once

#include <QString>

// Qt's lock files are created empty and then filled with their owner's process id. A program killed
// between the two steps leaves a file that names no owner, which Qt takes for a living lock: the settings
// wait 30 seconds for it on every save, and a guard without a stale time never takes it. Such a file is
// abandoned when it is still empty a second after it was made and no process holds its system lock. The
// same holds for "<lock>.rmlock", under which Qt removes a dead owner's lock.
//
// Removes lockPath and its removal lock when they are abandoned, waiting out the rest of that second for a
// newer one. Returns whether it removed lockPath; a lock file that names its owner is left to QLockFile.
bool RemoveAbandonedLockFile(const QString& lockPath);
