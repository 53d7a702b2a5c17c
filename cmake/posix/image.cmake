# The illustration window: plain Xlib for a window, libchafa to draw the
# picture in the terminal when there is no display.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SHIORI_X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(SHIORI_CHAFA REQUIRED IMPORTED_TARGET chafa)
target_link_libraries(shiori_platform PUBLIC PkgConfig::SHIORI_X11 PkgConfig::SHIORI_CHAFA)
