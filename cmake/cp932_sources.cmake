# The program's own Japanese literals must be code page 932 bytes. GCC makes
# them so with -fexec-charset=CP932; clang has no such option (UTF-8 only).
# For clang a build step does it instead: tools/cp932_literals copies every
# source and header into ${SHIORI_INCLUDE_ROOT} with the literals written as
# their code page 932 bytes, and the targets compile the copies.
#
#   shiori_sources(VAR)         maps the sources listed in VAR to what is compiled
#   shiori_use_sources(TARGET)  makes TARGET wait for the converted headers

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(SHIORI_CONVERT_LITERALS ON)
  set(SHIORI_CHARSET_FLAGS -finput-charset=UTF-8)
  set(SHIORI_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/cp932)

  add_executable(cp932_literals ${CMAKE_SOURCE_DIR}/tools/cp932_literals.cpp)
  set_target_properties(cp932_literals PROPERTIES CXX_STANDARD 20)

  function(shiori_convert_file src out_var)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${src})
    set(dst ${SHIORI_INCLUDE_ROOT}/${rel})
    # One rule per file, however many targets compile it.
    get_property(done GLOBAL PROPERTY SHIORI_CONVERTED)
    if(NOT dst IN_LIST done)
      get_filename_component(dir ${dst} DIRECTORY)
      add_custom_command(OUTPUT ${dst}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND cp932_literals ${src} ${dst}
        DEPENDS cp932_literals ${src} VERBATIM)
      set_property(GLOBAL APPEND PROPERTY SHIORI_CONVERTED ${dst})
    endif()
    set(${out_var} ${dst} PARENT_SCOPE)
  endfunction()

  # Every header of the project, converted once for all targets.
  set(headers)
  foreach(dir app content deczip text cconsole media platform platform/posix
              platform/win32 tests tests/support fuzz bench)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    foreach(h ${found})
      shiori_convert_file(${h} converted)
      list(APPEND headers ${converted})
    endforeach()
  endforeach()
  add_custom_target(shiori_cp932_headers DEPENDS ${headers})

  function(shiori_sources var)
    set(mapped)
    foreach(src ${${var}})
      shiori_convert_file(${src} converted)
      list(APPEND mapped ${converted})
    endforeach()
    set(${var} ${mapped} PARENT_SCOPE)
  endfunction()

  function(shiori_use_sources target)
    add_dependencies(${target} shiori_cp932_headers)
  endfunction()
else()
  set(SHIORI_CONVERT_LITERALS OFF)
  set(SHIORI_INCLUDE_ROOT ${CMAKE_SOURCE_DIR})
  function(shiori_sources var)
  endfunction()
  function(shiori_use_sources target)
  endfunction()
endif()
