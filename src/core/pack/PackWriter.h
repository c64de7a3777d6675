#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>

// Writes language pack archives: every file under a language directory, with its directory relative
// to that folder written with "\" (the form the program's pack reader expects on every platform),
// member data after member data, then the directory of entries, then the 36-byte trailer whose
// CRC-32 covers everything before it.

struct TPackWriteOptions {
    // Deflate each member (a member that deflating would not make smaller is stored as it is).
    bool CompressMembers = true;
    // Write the directory of entries as one zlib stream instead of plain entries.
    bool CompressDirectory = true;
};

// Archive of every file under sourceDir (relative directories with "\"). The pack is replaced as a
// whole: a failed write leaves any previous file at packPath intact.
TResult<> WritePack(const QString& packPath, const QString& sourceDir, const TPackWriteOptions& options = {});

// The same archive built in memory.
TResult<QByteArray> BuildPack(const QString& sourceDir, const TPackWriteOptions& options);
