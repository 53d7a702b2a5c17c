# The executable's own resources: data/shiori.rc compiled with windres in
# code page 932. It names each file by its bare name; windres finds the work
# archives in the build's resources/ folder and the rest in data/. A resource
# whose file this tree does not have yet is left out (SHIORI_HAVE_<NAME>).
enable_language(RC)

set(rc_defines)
foreach(name ${SHIORI_RESOURCE_NAMES})
  string(TOUPPER ${name} upper)
  list(APPEND rc_defines SHIORI_HAVE_${upper})
endforeach()
set(rc_depends ${SHIORI_RESOURCE_FILES})
if(EXISTS ${CMAKE_SOURCE_DIR}/data/shiori.ico)
  list(APPEND rc_defines SHIORI_HAVE_ICON)
  list(APPEND rc_depends ${CMAKE_SOURCE_DIR}/data/shiori.ico)
else()
  message(WARNING "data/shiori.ico is missing; shiori.exe will have no icon")
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/data/version.rc)
  list(APPEND rc_defines SHIORI_HAVE_VERSION)
  list(APPEND rc_depends ${CMAKE_SOURCE_DIR}/data/version.rc)
else()
  message(WARNING "data/version.rc is missing; shiori.exe will have no version block")
endif()

if(NOT rc_defines)
  message(WARNING "data/ holds nothing to embed; shiori.exe will carry no resources")
  return()
endif()

add_library(shiori_winres OBJECT ${CMAKE_SOURCE_DIR}/data/shiori.rc)
target_compile_definitions(shiori_winres PRIVATE ${rc_defines})
target_include_directories(shiori_winres PRIVATE
  ${CMAKE_BINARY_DIR}/resources ${CMAKE_SOURCE_DIR}/data)
target_compile_options(shiori_winres PRIVATE "SHELL:-c 932")
set_source_files_properties(${CMAKE_SOURCE_DIR}/data/shiori.rc PROPERTIES
  OBJECT_DEPENDS "${rc_depends}")
# The archives are made by shiori_resources' custom commands.
add_dependencies(shiori_winres shiori_resources)

# A resource object is never pulled out of a static library (nothing refers
# to its symbols), so every program that links shiori_resources gets the
# object itself: shiori.exe and the tests, which look the resources up.
target_sources(shiori_resources INTERFACE $<TARGET_OBJECTS:shiori_winres>)
