# A cam picture becoming the wallpaper (decode, bitmap file, X11 root install) against djpeg -bmp.
lumora_add_bench(bench_wallpaper SOURCES bench_wallpaper.cpp LIBS lumora_wallpaper)
target_include_directories(bench_wallpaper PRIVATE ${PROJECT_SOURCE_DIR}/tests)
