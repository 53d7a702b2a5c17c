# GoogleTest through CTest: unit tests beside the sources, scenario tests and
# fakes in tests/.
if(CMAKE_CROSSCOMPILING)
  # No GoogleTest libraries for the target machine: build Debian's sources.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

set(SHIORI_TEST_SOURCES)
foreach(dir ${SHIORI_CORE_DIRS} platform/${SHIORI_PLATFORM} tests)
  file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*_test.cpp)
  list(APPEND SHIORI_TEST_SOURCES ${found})
endforeach()
file(GLOB SHIORI_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
if(WIN32)
  # Tests of the real program in a pseudo-terminal are POSIX tests; the
  # Windows program has its own under wine (tests/wine_smoke.sh).
  list(FILTER SHIORI_TEST_SOURCES EXCLUDE REGEX "_pty_test\\.cpp$")
  # The bad-input suite drives the POSIX program (pseudo-terminals, signals,
  # a tmpfs), so it is built for POSIX only.
  list(FILTER SHIORI_TEST_SOURCES EXCLUDE REGEX "/tests/bad_input_test\\.cpp$")
  # The data files against other processes and a user without privileges
  # (fork, setuid): POSIX only.
  list(FILTER SHIORI_TEST_SOURCES EXCLUDE REGEX "/tests/data_files_test\\.cpp$")
endif()
shiori_sources(SHIORI_TEST_SOURCES)
shiori_sources(SHIORI_TEST_SUPPORT)

# The shared corpus sits beside the project's checkout; a git worktree one
# level deeper finds it one level further up. -DSHIORI_CORPUS_DIR=... overrides.
set(SHIORI_CORPUS_DIR "" CACHE PATH "Directory of the shared test corpus")
set(shiori_corpus_dir ${SHIORI_CORPUS_DIR})
if(NOT shiori_corpus_dir)
  get_filename_component(shiori_corpus_dir ${CMAKE_SOURCE_DIR}/../shared/corpus ABSOLUTE)
  get_filename_component(deeper ${CMAKE_SOURCE_DIR}/../../shared/corpus ABSOLUTE)
  if(NOT EXISTS ${shiori_corpus_dir} AND EXISTS ${deeper})
    set(shiori_corpus_dir ${deeper})
  endif()
endif()

# EUC-JP copies of the corpus texts, made by iconv, for the loader's round
# trip; made here because the Windows tests have no iconv to make them with.
set(shiori_eucjp_dir ${CMAKE_BINARY_DIR}/corpus-eucjp)
set(shiori_eucjp_copies)
find_program(SHIORI_ICONV iconv)
if(SHIORI_ICONV AND EXISTS ${shiori_corpus_dir})
  file(GLOB shiori_corpus_texts ${shiori_corpus_dir}/*.txt)
  foreach(text ${shiori_corpus_texts})
    get_filename_component(name ${text} NAME)
    add_custom_command(OUTPUT ${shiori_eucjp_dir}/${name}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${shiori_eucjp_dir}
      COMMAND ${SHIORI_ICONV} -f SHIFT_JIS -t EUC-JP -o ${shiori_eucjp_dir}/${name} ${text}
      DEPENDS ${text} VERBATIM)
    list(APPEND shiori_eucjp_copies ${shiori_eucjp_dir}/${name})
  endforeach()
endif()
add_custom_target(shiori_eucjp_copies DEPENDS ${shiori_eucjp_copies})

add_executable(shiori_tests ${SHIORI_TEST_SOURCES} ${SHIORI_TEST_SUPPORT})
add_dependencies(shiori_tests shiori_eucjp_copies)
shiori_flags(shiori_tests)
target_link_libraries(shiori_tests PRIVATE shiori_platform shiori_resources shiori_core
                      GTest::gtest GTest::gtest_main)
target_compile_definitions(shiori_tests PRIVATE
  SHIORI_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  SHIORI_BUILD_DIR="${CMAKE_BINARY_DIR}"
  SHIORI_CORPUS_DIR="${shiori_corpus_dir}"
  SHIORI_EUCJP_DIR="${shiori_eucjp_dir}"
  $<$<TARGET_EXISTS:shiori>:SHIORI_BINARY="$<TARGET_FILE:shiori>">)
if(TARGET shiori)
  add_dependencies(shiori_tests shiori)
endif()
# A cross build lists its tests when ctest runs them (through the emulator),
# not while building.
if(CMAKE_CROSSCOMPILING)
  set(discovery_mode PRE_TEST)
else()
  set(discovery_mode POST_BUILD)
endif()
gtest_discover_tests(shiori_tests DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${discovery_mode}
                     PROPERTIES TIMEOUT 120)
# The benchmarks measure against iconv, which the Windows build lacks.
if(NOT WIN32)
  include(bench/bench.cmake)
endif()
