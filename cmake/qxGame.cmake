# What a game's CMake build takes from qx, in qx's own build tree and in the
# installed package alike (and qx_ship_game, from qxShip.cmake):
#
#   qx_add_game(<name> <source>...)
#       A game: a WIN32 executable linked with qx::qx, its literals stored in
#       code page 932 (below), linked statically on Windows (mingw-w64) so
#       that it runs without the compiler's DLLs. Built with Emscripten, a
#       game is a page: <name>.html, with <name>.js, .wasm and .data beside it.
#
#   qx_game_files(<target> <folder>)
#       The files a game opens by name, such as its pictures (qx_loadbmp),
#       lie in <folder> and are named relative to the working directory
#       ("pics/ship.bmp" for a folder called pics). A desktop game (native
#       or Windows) gets a copy of the folder beside it, kept up to date at
#       every build, so it finds its files when started in its build folder;
#       a page gets the folder's files packed into it under the same name, so
#       the same names work unchanged. The folder is read when the game is
#       built: a target that makes its files must come first
#       (add_dependencies(<target> ...)). qx_ship_game ships the folder with
#       the game (qxShip.cmake).
#
#   qx_cp932_literals(<target>)
#       Keeps the target's sources in UTF-8 and stores their ordinary string
#       and character literals in code page 932 (Shift-JIS), the encoding the
#       runtime's text routines take: the program is the one a compiler whose
#       execution character set is code page 932 makes of them, or the build
#       stops naming the file, the line and what it cannot convert. Each C and
#       C++ compilation of the target runs through qx-cp932
#       (cp932_literals.cpp), as the target's compiler launcher, ahead of any
#       launcher it has already (ccache): it preprocesses the source with the
#       same compiler and flags, rewrites the literals of the preprocessed
#       text, and compiles that. Headers are converted wherever they are found,
#       except system headers, which keep the compiler's own execution
#       character set. Set the target's own launcher, if any, before the end
#       of the directory that calls this.
#
# Works with GCC, mingw-w64 and clang (Emscripten's compiler included).
# qx-cp932 is built at configure time with the build machine's C++ compiler
# (QX_HOST_CXX; the target's compiler when not cross compiling), never as a
# program of the target platform, so cross builds use it unchanged.
# QX_CP932_TOOL_FLAGS adds flags to that build (qx's sanitizer build checks
# the tool with them).

include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/qxShip.cmake)

set(QX_CP932_TOOL_FLAGS "" CACHE STRING "Extra flags for building qx-cp932, the literal step's tool")

function(qx_add_game name)
  add_executable(${name} WIN32 ${ARGN})
  target_link_libraries(${name} PRIVATE qx::qx)
  if(WIN32 AND NOT MSVC)
    target_link_options(${name} PRIVATE -static)
  endif()
  if(EMSCRIPTEN)
    set_target_properties(${name} PROPERTIES SUFFIX ".html")
  endif()
  qx_cp932_literals(${name})
endfunction()

function(qx_game_files target folder)
  cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
  string(REGEX REPLACE "/+$" "" folder "${folder}")
  cmake_path(GET folder FILENAME name)
  set_property(TARGET ${target} APPEND PROPERTY QX_GAME_FILES "${folder}")
  if(EMSCRIPTEN)
    target_link_options(${target} PRIVATE "SHELL:--preload-file ${folder}@/${name}")
  else()
    _qx_copy_game_files(${target} "${folder}")
  endif()
endfunction()

function(qx_cp932_literals target)
  if(MSVC)
    message(FATAL_ERROR "qx_cp932_literals(${target}): needs a compiler with GCC's options (GCC, clang)")
  endif()
  _qx_cp932_tool()
  get_target_property(queued ${target} QX_CP932_LITERALS)
  if(NOT queued)
    set_property(TARGET ${target} PROPERTY QX_CP932_LITERALS ON)
    # At the end of the directory, so that a launcher set later counts too.
    # (A deferred call's arguments are read when it runs: pass the name now.)
    cmake_language(EVAL CODE "cmake_language(DEFER CALL _qx_cp932_launch [[${target}]])")
  endif()
endfunction()

# qx-cp932 in front of the target's C and C++ compilations.
function(_qx_cp932_launch target)
  get_property(tool GLOBAL PROPERTY QX_CP932_TOOL)
  foreach(lang C CXX)
    get_target_property(launcher ${target} ${lang}_COMPILER_LAUNCHER)
    if(launcher)
      set_property(TARGET ${target} PROPERTY ${lang}_COMPILER_LAUNCHER "${tool};--launcher;${launcher};--")
    else()
      set_property(TARGET ${target} PROPERTY ${lang}_COMPILER_LAUNCHER "${tool}")
    endif()
  endforeach()
endfunction()

# Builds qx-cp932 for the build machine into the top build folder, once per
# configuration run, and again only when its source, the compiler or the
# flags change. Sets the global property QX_CP932_TOOL to its path.
function(_qx_cp932_tool)
  get_property(tool GLOBAL PROPERTY QX_CP932_TOOL)
  if(tool)
    return()
  endif()
  if(NOT QX_HOST_CXX)
    if(NOT CMAKE_CROSSCOMPILING AND CMAKE_CXX_COMPILER)
      set(QX_HOST_CXX "${CMAKE_CXX_COMPILER}")
    else()
      find_program(QX_HOST_CXX NAMES c++ g++ clang++ NO_CMAKE_FIND_ROOT_PATH
                   DOC "The build machine's C++ compiler, which builds qx-cp932 (the literal step)")
      if(NOT QX_HOST_CXX)
        message(FATAL_ERROR "qx_cp932_literals: no C++ compiler for the build machine was found "
                            "(to build qx-cp932); set QX_HOST_CXX to one")
      endif()
    endif()
  endif()
  set(source "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/cp932_literals.cpp")
  set(dir "${CMAKE_BINARY_DIR}/qx_cp932")
  set(tool "${dir}/qx-cp932")
  file(SHA256 "${source}" hash)
  set(stamp "${QX_HOST_CXX}\n${QX_CP932_TOOL_FLAGS}\n${hash}\n")
  set(old_stamp "")
  if(EXISTS "${dir}/stamp" AND EXISTS "${tool}")
    file(READ "${dir}/stamp" old_stamp)
  endif()
  if(NOT old_stamp STREQUAL stamp)
    file(MAKE_DIRECTORY "${dir}")
    separate_arguments(flags UNIX_COMMAND "${QX_CP932_TOOL_FLAGS}")
    set(command "${QX_HOST_CXX}" -std=c++17 -O2 ${flags} "${source}" -o "${tool}.new")
    execute_process(COMMAND ${command} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
    if(NOT rc EQUAL 0)
      # A C library without iconv of its own (macOS) has it in libiconv.
      execute_process(COMMAND ${command} -liconv RESULT_VARIABLE rc2 ERROR_QUIET OUTPUT_QUIET)
      if(NOT rc2 EQUAL 0)
        message(FATAL_ERROR "qx_cp932_literals: building qx-cp932 with ${QX_HOST_CXX} failed:\n${err}")
      endif()
    endif()
    file(RENAME "${tool}.new" "${tool}")
    file(WRITE "${dir}/stamp" "${stamp}")
  endif()
  execute_process(COMMAND "${tool}" --version RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "qx_cp932_literals: ${tool} does not run: ${err}")
  endif()
  set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  set_property(GLOBAL PROPERTY QX_CP932_TOOL "${tool}")
endfunction()
