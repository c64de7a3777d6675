#pragma once

// One fuzz target: libFuzzer calls it with every input it makes up (fuzz preset), and the corpus
// replay calls it once with each file kept under tests/fuzz/corpus (every other preset).
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A broken invariant: the fuzzer keeps the input that led here.
#define FUZZ_REQUIRE(condition)                                                                              \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            __builtin_trap();                                                                                \
    } while (false)

// A folder for the files a target writes, made once per run: in memory where the machine has such
// a folder, so that writing a file for every input costs little.
inline QString FuzzScratchFolder() {
    static const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir folder(base + QStringLiteral("/lumora-fuzz-XXXXXX"));
    return folder.path();
}
