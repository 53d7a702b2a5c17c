# The POSIX program is built and run in place, from the build folder: its
# debug information stays in it.
function(shiori_release_program target)
endfunction()
