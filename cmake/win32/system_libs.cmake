# The Windows libraries behind the Win32 back-ends: multimedia (MCI, sound
# cues), the file dialog, GDI and windows, COM for the voice, version info.
target_link_libraries(shiori_platform PUBLIC
  winmm comdlg32 gdi32 user32 ole32 oleaut32 uuid version)
# Keep windows.h from defining min/max and from pulling in rarely used parts.
target_compile_definitions(shiori_platform PUBLIC NOMINMAX WIN32_LEAN_AND_MEAN)
