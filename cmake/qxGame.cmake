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
#       runtime's text routines take. Each C or C++ source and header the
#       target lists when its directory has been read is compiled from a
#       rewritten copy in the build tree (cp932_literals.cmake), so the
#       standard headers keep the compiler's own execution character set.
#       Call it in the directory that creates the target. A header whose
#       literals need converting must be listed among the target's sources
#       and included with quotes; other headers are found where they are.
#
# Works with GCC, mingw-w64 and clang (Emscripten's compiler included): the
# copies are plain C++ whose literals are ASCII escapes, and the original
# directories are searched for quoted includes with -iquote. The step runs
# CMake and the build host's iconv program, never a program of the target
# platform, so cross builds work unchanged.

include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/qxShip.cmake)

find_program(QX_ICONV iconv NO_CMAKE_FIND_ROOT_PATH
             DOC "The build host's iconv program, which stores game literals in code page 932")

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
  get_target_property(dir ${target} SOURCE_DIR)
  if(NOT dir STREQUAL CMAKE_CURRENT_SOURCE_DIR)
    message(FATAL_ERROR "qx_cp932_literals(${target}): call it in ${dir}, where ${target} is created")
  endif()
  if(NOT QX_ICONV)
    message(FATAL_ERROR "qx_cp932_literals(${target}): the iconv program was not found; "
                        "install it (Debian: libc-bin) or set QX_ICONV to its path")
  endif()
  get_target_property(queued ${target} QX_CP932_LITERALS)
  if(NOT queued)
    set_property(TARGET ${target} PROPERTY QX_CP932_LITERALS ON)
    # At the end of the directory, so that sources added later count too.
    # (A deferred call's arguments are read when it runs: pass the name now.)
    cmake_language(EVAL CODE "cmake_language(DEFER CALL _qx_cp932_rewrite [[${target}]])")
  endif()
endfunction()

function(_qx_cp932_rewrite target)
  set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/cp932_literals.cmake")
  set(copies "${CMAKE_CURRENT_BINARY_DIR}/qx_cp932/${target}")
  get_target_property(sources ${target} SOURCES)
  set(rewritten "")
  set(quote_dirs "")
  foreach(source IN LISTS sources)
    if(source MATCHES "\\$<" OR NOT source MATCHES "\\.(c|cc|cpp|cxx|c\\+\\+|C|h|hh|hpp|hxx|H|inl|ipp|tpp)$")
      list(APPEND rewritten "${source}")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE OUTPUT_VARIABLE original)
    cmake_path(GET original PARENT_PATH original_dir)
    cmake_path(IS_PREFIX CMAKE_CURRENT_SOURCE_DIR "${original}" NORMALIZE inside)
    if(inside)
      cmake_path(RELATIVE_PATH original BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" OUTPUT_VARIABLE relative)
    else()
      # From elsewhere: one folder per original folder keeps names apart.
      string(MD5 folder "${original_dir}")
      string(SUBSTRING "${folder}" 0 12 folder)
      cmake_path(GET original FILENAME name)
      set(relative "_/${folder}/${name}")
    endif()
    set(copy "${copies}/${relative}")
    add_custom_command(OUTPUT "${copy}"
                       COMMAND "${CMAKE_COMMAND}" "-DQX_ICONV=${QX_ICONV}" -P "${script}" "${original}" "${copy}"
                       DEPENDS "${original}" "${script}"
                       COMMENT "Code page 932 literals: ${relative}"
                       VERBATIM)
    list(APPEND rewritten "${copy}")
    list(APPEND quote_dirs "${original_dir}")
  endforeach()
  set_property(TARGET ${target} PROPERTY SOURCES ${rewritten})
  list(REMOVE_DUPLICATES quote_dirs)
  list(TRANSFORM quote_dirs PREPEND "-iquote")
  target_compile_options(${target} PRIVATE ${quote_dirs})
endfunction()
