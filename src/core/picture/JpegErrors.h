#pragma once

// libjpeg reports fatal errors by calling error_exit, which must not return. The decoder and the
// encoder jump back to their own entry with longjmp; only plain C data lives between the two points.

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX] = {};
    bool EndedEarly = false; // the data ended before the end marker
    bool DataRanOut = false; // ... and before the pixels of the scan
};

// Connects the manager to a codec structure's err field and returns it.
jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager);
