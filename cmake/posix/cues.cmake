# Sound cues: the freedesktop sound theme through libcanberra.
find_package(PkgConfig REQUIRED)
pkg_check_modules(CANBERRA REQUIRED IMPORTED_TARGET libcanberra)
target_link_libraries(shiori_platform PUBLIC PkgConfig::CANBERRA ${CMAKE_DL_LIBS})
