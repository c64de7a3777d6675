# A 100 MB download by THTTPGet into a file, side by side with curl -o, from one local server, over
# HTTP and over HTTPS.
find_package(Threads REQUIRED)
lumora_add_bench(bench_fetch SOURCES bench_fetch.cpp ${PROJECT_SOURCE_DIR}/tests/net/TestHttpServer.cpp
  ${PROJECT_SOURCE_DIR}/tests/net/TlsFront.cpp LIBS lumora_net Threads::Threads)
target_include_directories(bench_fetch PRIVATE ${PROJECT_SOURCE_DIR}/tests/net)
