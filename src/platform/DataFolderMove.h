#pragma once

#include "core/Result.h"

#include <QString>

// Moves the data folder of older releases (the documents folder's "Lumora") to where Linux keeps a
// program's data, once: all of it or nothing, so that the user's own cams and the messages they
// asked not to see again are never split between the two. Nothing happens when there is no old
// folder or the new one exists already. Returns whether the folder was moved.
TResult<bool> MoveOldDataFolder(const QString& oldFolder, const QString& newFolder);
