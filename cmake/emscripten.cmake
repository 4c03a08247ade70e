# The browser build's toolchain: Debian's Emscripten (package emscripten),
# which works offline with the system libraries it ships; none of its network
# ports is used.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# Optimised links run Emscripten's JavaScript optimiser under node, which
# needs acorn: Debian installs it for node under /usr/share/nodejs.
set(CMAKE_C_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
