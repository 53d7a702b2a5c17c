# The program a user copies to Windows carries no debug information (it
# would be six times the size); a debugger finds it in shiori.exe.debug
# beside the program through the debug link. The test programs keep theirs.
function(shiori_release_program target)
  set(exe $<TARGET_FILE:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${exe}.debug ${exe}
    VERBATIM)
endfunction()
