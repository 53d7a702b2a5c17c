# Benchmarks: built with the tests (they use the fake platform), run by hand
# or by `make bench`.
set(bench_sources ${CMAKE_SOURCE_DIR}/bench/pass_bench.cpp)
shiori_sources(bench_sources)
add_executable(shiori_bench ${bench_sources} ${SHIORI_TEST_SUPPORT})
shiori_flags(shiori_bench)
target_link_libraries(shiori_bench PRIVATE shiori_platform shiori_resources shiori_core)
target_compile_definitions(shiori_bench PRIVATE SHIORI_CORPUS_DIR="${shiori_corpus_dir}"
  SHIORI_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# Table 2 runs the real program.
target_compile_definitions(shiori_bench PRIVATE SHIORI_BINARY="$<TARGET_FILE:shiori>")
add_dependencies(shiori_bench shiori)
