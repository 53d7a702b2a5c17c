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
  target_link_libraries(${name} PRIVATE shiori_platform shiori_resources shiori_core)
  list(APPEND SHIORI_FUZZ_TARGETS ${name})
endforeach()

# The archive seeds are made at run time from slices of texts, in every form
# the extraction knows (not instrumented: a tool of the script).
set(seed_sources ${CMAKE_SOURCE_DIR}/fuzz/make_zip_seeds.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/zip_builder.cpp)
shiori_sources(seed_sources)
add_executable(make_zip_seeds ${seed_sources})
shiori_flags(make_zip_seeds)
target_compile_definitions(make_zip_seeds PRIVATE SHIORI_CORPUS_DIR="")
target_link_libraries(make_zip_seeds PRIVATE ZLIB::ZLIB)

add_custom_target(fuzz_targets DEPENDS ${SHIORI_FUZZ_TARGETS} make_zip_seeds)
