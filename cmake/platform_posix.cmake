# The POSIX platform: pseudo-terminals (openpty, forkpty) for its tests.
target_link_libraries(shiori_platform PUBLIC util)
