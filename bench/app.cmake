# Idle memory of lumora in the tray, against a bare Qt tray program (bench/bench_app_memory.sh).
lumora_add_bench(bench_bare_tray SOURCES bare_tray.cpp LIBS Qt6::Widgets)
