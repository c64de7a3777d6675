# Applying a full language (all windows, all skins) against decoding the same pictures alone.
lumora_add_bench(bench_language SOURCES bench_language.cpp LIBS lumora_app)
target_compile_definitions(bench_language PRIVATE LUMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
