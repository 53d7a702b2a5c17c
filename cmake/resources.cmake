# Packs the works of data/ into ZIP archives with tools/packzip and embeds
# them, with the illustrations, as resources of type "WAVE".
if(CMAKE_CROSSCOMPILING)
  # The tools run here, on the build machine: build them with its compiler.
  include(ExternalProject)
  set(host_tools ${CMAKE_BINARY_DIR}/host-tools)
  ExternalProject_Add(shiori_host_tools
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
    BINARY_DIR ${host_tools}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${host_tools}/packzip ${host_tools}/embed_resources
                     ${host_tools}/gen_jisx0213 ${host_tools}/gen_widths)
  set(SHIORI_PACKZIP ${host_tools}/packzip)
  set(SHIORI_EMBED_RESOURCES ${host_tools}/embed_resources)
  set(SHIORI_GEN_JISX0213 ${host_tools}/gen_jisx0213)
  set(SHIORI_GEN_WIDTHS ${host_tools}/gen_widths)
  set(tool_deps shiori_host_tools)
else()
  add_subdirectory(${CMAKE_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/tools)
  set(SHIORI_PACKZIP packzip)
  set(SHIORI_EMBED_RESOURCES embed_resources)
  set(SHIORI_GEN_JISX0213 gen_jisx0213)
  set(SHIORI_GEN_WIDTHS gen_widths)
  set(tool_deps packzip embed_resources gen_jisx0213 gen_widths)
endif()

# The JIS X 0213 table of the gaiji notes, from this machine's converter:
# a cross build carries the same table.
set(jisx0213_inc ${CMAKE_BINARY_DIR}/generated/jisx0213_table.inc)
add_custom_command(OUTPUT ${jisx0213_inc}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${SHIORI_GEN_JISX0213} ${jisx0213_inc}
  DEPENDS ${tool_deps} VERBATIM)
# The display widths the fitted view measures rows with, from the same
# machine's iconv and wcwidth.
set(widths_inc ${CMAKE_BINARY_DIR}/generated/display_widths.inc)
add_custom_command(OUTPUT ${widths_inc}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${SHIORI_GEN_WIDTHS} ${widths_inc}
  DEPENDS ${tool_deps} VERBATIM)
add_custom_target(shiori_jisx0213_table DEPENDS ${jisx0213_inc} ${widths_inc})
add_dependencies(shiori_core shiori_jisx0213_table)
target_include_directories(shiori_core PRIVATE ${CMAKE_BINARY_DIR}/generated)

set(SHIORI_WORKS great_velmor_the readme)
set(SHIORI_PICTURES fig00000_01 fig00000_02)
set(embed_args)
set(embed_deps)
# Names of the resources this build carries (works and illustrations).
set(SHIORI_RESOURCE_NAMES)
foreach(work ${SHIORI_WORKS})
  set(src ${CMAKE_SOURCE_DIR}/data/${work}.txt)
  if(EXISTS ${src})
    set(zip ${CMAKE_BINARY_DIR}/resources/${work}.zip)
    add_custom_command(OUTPUT ${zip}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
      COMMAND ${SHIORI_PACKZIP} ${src} ${work}.txt ${zip}
      DEPENDS ${tool_deps} ${src} VERBATIM)
    list(APPEND embed_args WAVE ${work} ${zip})
    list(APPEND embed_deps ${zip})
    list(APPEND SHIORI_RESOURCE_NAMES ${work})
  else()
    message(WARNING "data/${work}.txt is missing; the program will not carry it")
  endif()
endforeach()
foreach(pic ${SHIORI_PICTURES})
  set(src ${CMAKE_SOURCE_DIR}/data/${pic}.png)
  if(EXISTS ${src})
    list(APPEND embed_args WAVE ${pic} ${src})
    list(APPEND embed_deps ${src})
    list(APPEND SHIORI_RESOURCE_NAMES ${pic})
  endif()
endforeach()
set(embedded_cpp ${CMAKE_BINARY_DIR}/resources/embedded_resources.cpp)
add_custom_command(OUTPUT ${embedded_cpp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND ${SHIORI_EMBED_RESOURCES} ${embedded_cpp} ${embed_args}
  DEPENDS ${tool_deps} ${embed_deps} VERBATIM)
# The files behind SHIORI_RESOURCE_NAMES, for platforms that compile them
# into the executable another way (cmake/win32/).
set(SHIORI_RESOURCE_FILES ${embed_deps})
add_library(shiori_resources STATIC ${embedded_cpp})
target_include_directories(shiori_resources PUBLIC ${SHIORI_INCLUDE_ROOT})
shiori_use_sources(shiori_resources)
