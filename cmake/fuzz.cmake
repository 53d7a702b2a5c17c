# libFuzzer targets: one executable per fuzz/*_fuzz.cpp, built with clang,
# with the reader's libraries instrumented for coverage, AddressSanitizer and
# UndefinedBehaviorSanitizer (every report stops the run). scripts/fuzz.sh
# builds and runs them.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "SHIORI_FUZZ needs clang (libFuzzer): configure with CXX=clang++ CC=clang")
endif()

set(SHIORI_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
foreach(lib shiori_core shiori_platform)
  target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link ${SHIORI_FUZZ_SANITIZERS})
  target_link_options(${lib} PUBLIC -fsanitize=address,undefined)
endforeach()

# The test doubles (the fake platform, ZIP and PNG makers), for targets that
# run the reader on fakes and for the seed maker; checked, not measured.
file(GLOB fuzz_support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
shiori_sources(fuzz_support)
add_library(shiori_fuzz_support STATIC ${fuzz_support})
shiori_flags(shiori_fuzz_support)
target_compile_options(shiori_fuzz_support PRIVATE ${SHIORI_FUZZ_SANITIZERS})
target_compile_definitions(shiori_fuzz_support PRIVATE SHIORI_CORPUS_DIR=""
  SHIORI_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(shiori_fuzz_support PUBLIC shiori_platform shiori_resources shiori_core)

file(GLOB SHIORI_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
set(SHIORI_FUZZ_TARGETS)
foreach(src ${SHIORI_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  set(converted ${src})
  shiori_sources(converted)
  add_executable(${name} ${converted})
  shiori_flags(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${SHIORI_FUZZ_SANITIZERS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE shiori_fuzz_support)
  list(APPEND SHIORI_FUZZ_TARGETS ${name})
endforeach()

# Archive and picture seeds are made at run time by this tool.
set(seed_sources ${CMAKE_SOURCE_DIR}/fuzz/make_seeds.cpp)
shiori_sources(seed_sources)
add_executable(make_seeds ${seed_sources})
shiori_flags(make_seeds)
target_link_libraries(make_seeds PRIVATE shiori_fuzz_support)

add_custom_target(fuzz_targets DEPENDS ${SHIORI_FUZZ_TARGETS} make_seeds)
