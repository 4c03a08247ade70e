# qx_game_files(<target> <folder>)
#
# The files a game opens by name, such as its pictures (qx_loadbmp), lie in
# <folder> and are named relative to the working directory
# ("pics/ship.bmp" for a folder called pics). A desktop game finds the folder
# where it runs. A game built for the browser gets the folder's files packed
# into its page under the same name, so the same names work unchanged; the
# folder is read when the game is linked, so a target that makes its files
# must come first (add_dependencies).

include_guard(GLOBAL)

function(qx_game_files target folder)
  if(NOT EMSCRIPTEN)
    return()
  endif()
  cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
  string(REGEX REPLACE "/+$" "" folder "${folder}")
  cmake_path(GET folder FILENAME name)
  target_link_options(${target} PRIVATE "SHELL:--preload-file ${folder}@/${name}")
endfunction()
