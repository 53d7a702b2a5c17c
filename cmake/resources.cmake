# Packs the works of data/ into ZIP archives with tools/packzip and embeds
# them, with the illustrations, as resources of type "WAVE".
add_executable(packzip ${CMAKE_SOURCE_DIR}/tools/packzip.cpp)
target_link_libraries(packzip PRIVATE ZLIB::ZLIB)
add_executable(embed_resources ${CMAKE_SOURCE_DIR}/tools/embed_resources.cpp)

set(SHIORI_WORKS great_velmor_the readme)
set(SHIORI_PICTURES fig00000_01 fig00000_02)
set(embed_args)
set(embed_deps)
foreach(work ${SHIORI_WORKS})
  set(src ${CMAKE_SOURCE_DIR}/data/${work}.txt)
  if(EXISTS ${src})
    set(zip ${CMAKE_BINARY_DIR}/resources/${work}.zip)
    add_custom_command(OUTPUT ${zip}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
      COMMAND packzip ${src} ${work}.txt ${zip}
      DEPENDS packzip ${src} VERBATIM)
    list(APPEND embed_args WAVE ${work} ${zip})
    list(APPEND embed_deps ${zip})
  else()
    message(WARNING "data/${work}.txt is missing; the program will not carry it")
  endif()
endforeach()
foreach(pic ${SHIORI_PICTURES})
  set(src ${CMAKE_SOURCE_DIR}/data/${pic}.png)
  if(EXISTS ${src})
    list(APPEND embed_args WAVE ${pic} ${src})
    list(APPEND embed_deps ${src})
  endif()
endforeach()
set(embedded_cpp ${CMAKE_BINARY_DIR}/resources/embedded_resources.cpp)
add_custom_command(OUTPUT ${embedded_cpp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND embed_resources ${embedded_cpp} ${embed_args}
  DEPENDS embed_resources ${embed_deps} VERBATIM)
add_library(shiori_resources STATIC ${embedded_cpp})
target_include_directories(shiori_resources PUBLIC ${SHIORI_INCLUDE_ROOT})
shiori_use_sources(shiori_resources)
