# Background music: GStreamer's playbin plays every kind the music dialog
# offers (mp3, mid, wav, wma, m4a); scripts/packages/music.txt installs it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GSTREAMER REQUIRED IMPORTED_TARGET gstreamer-1.0)
target_link_libraries(shiori_platform PUBLIC PkgConfig::GSTREAMER)
