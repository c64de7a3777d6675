# Unpacking a language pack against raw zlib inflate of the same member streams.
find_package(ZLIB REQUIRED)
lumora_add_bench(bench_pack SOURCES bench_pack.cpp LIBS lumora_core ZLIB::ZLIB)
