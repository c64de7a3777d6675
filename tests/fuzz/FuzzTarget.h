#pragma once

// One fuzz target: libFuzzer calls it with every input it makes up (fuzz preset), and the corpus
// replay calls it once with each file kept under tests/fuzz/corpus (every other preset).
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A broken invariant: the fuzzer keeps the input that led here.
#define FUZZ_REQUIRE(condition)                                                                              \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            __builtin_trap();                                                                                \
    } while (false)
