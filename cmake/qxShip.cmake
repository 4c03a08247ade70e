# A game's files beside it, and the game shipped to players (included by
# qxGame.cmake, in qx's own build tree and in the installed package alike):
#
#   qx_ship_game(<target> [FILES <folder or file>...])
#       Adds the target <target>_ship, which makes what a player downloads,
#       in ship/ under the top build folder, from the build it is in:
#         native (Linux)   <target>-linux.tar.gz: a folder <target>/ with
#                          the launcher <target> (start the game with it,
#                          from anywhere), the program in bin/, and the
#                          game's files; it runs where the runtime packages
#                          of QX_RUNTIME_PACKAGES are installed
#         Windows (cross)  <target>-windows.zip: <target>/<target>.exe, alone
#                          (linked statically) with the game's files
#         browser          <target>-web.zip: <target>/ with the page
#                          (<target>.html, and index.html the same), its
#                          .js, .wasm and .data (the game's files are packed
#                          in it), for any folder of a static web host
#       The game's files are the folders given to qx_game_files, and FILES
#       (a read-me, a licence, more folders), named relative to the current
#       source folder. Each lands in <target>/ under its own name.
#
# The game finds its files by relative names, from the working directory,
# as on Windows (started from Explorer, a program runs in its own folder).
# The Linux launcher therefore starts the game in its folder; the runtime
# itself never looks elsewhere, so games see what they always saw.
#
# The targets run this file as a script too (cmake -P qxShip.cmake), with
# QX_ACTION copy (a game's folder copied beside it, qx_game_files) or ship.

include_guard(GLOBAL)

# The Debian 12 packages a game built natively needs to run: the libraries
# the layer links (with what they pull in) and the fonts it draws with.
set(QX_RUNTIME_PACKAGES
    libsdl2-2.0-0 libx11-6 libfreetype6 libfontconfig1 libpng16-16 libstdc++6
    fonts-ipafont-gothic fonts-ipafont-mincho)

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  # ---- Run as a script ----
  cmake_policy(VERSION 3.25)

  # Copies the files of folder FROM into TO, those that differ, keeping
  # what else TO holds; nothing when TO is FROM.
  function(_qx_copy_tree from to)
    if(NOT IS_DIRECTORY "${from}")
      message(FATAL_ERROR "The game's files: ${from} is not a folder")
    endif()
    file(REAL_PATH "${from}" real_from)
    if(EXISTS "${to}")
      file(REAL_PATH "${to}" real_to)
      if(real_to STREQUAL real_from)
        return()
      endif()
      if(NOT IS_DIRECTORY "${to}")
        message(FATAL_ERROR "The game's files: ${to} is there and is not a folder; not copying ${from} over it")
      endif()
    endif()
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${from}" "${from}/*")
    file(MAKE_DIRECTORY "${to}")
    foreach(f IN LISTS files)
      cmake_path(GET f PARENT_PATH sub)
      file(MAKE_DIRECTORY "${to}/${sub}")
      file(COPY_FILE "${from}/${f}" "${to}/${f}" ONLY_IF_DIFFERENT)
    endforeach()
  endfunction()

  if(QX_ACTION STREQUAL "copy")
    _qx_copy_tree("${QX_FROM}" "${QX_TO}")
    return()
  endif()
  if(NOT QX_ACTION STREQUAL "ship")
    message(FATAL_ERROR "qxShip.cmake: QX_ACTION is copy or ship, not '${QX_ACTION}'")
  endif()

  string(REPLACE "|" ";" files "${QX_FILES}")
  set(game "${QX_STAGE}/${QX_NAME}")
  file(REMOVE_RECURSE "${QX_STAGE}")
  file(MAKE_DIRECTORY "${game}")
  if(QX_KIND STREQUAL "linux")
    file(MAKE_DIRECTORY "${game}/bin")
    file(COPY_FILE "${QX_PROGRAM}" "${game}/bin/${QX_NAME}")
    set(program "${game}/bin/${QX_NAME}")
    set(taken "${QX_NAME}" bin)
  elseif(QX_KIND STREQUAL "windows")
    file(COPY_FILE "${QX_PROGRAM}" "${game}/${QX_NAME}.exe")
    set(program "${game}/${QX_NAME}.exe")
    set(taken "${QX_NAME}.exe")
  else()
    cmake_path(REMOVE_EXTENSION QX_PROGRAM LAST_ONLY OUTPUT_VARIABLE page)
    set(taken index.html)
    foreach(ext html js wasm data)
      if(EXISTS "${page}.${ext}")
        file(COPY_FILE "${page}.${ext}" "${game}/${QX_NAME}.${ext}")
        list(APPEND taken "${QX_NAME}.${ext}")
      endif()
    endforeach()
    file(COPY_FILE "${page}.html" "${game}/index.html")
  endif()
  if(QX_STRIP AND program)
    execute_process(COMMAND "${QX_STRIP}" --strip-unneeded "${program}" RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Stripping ${program} failed: ${err}")
    endif()
  endif()
  foreach(f IN LISTS files)
    cmake_path(GET f FILENAME name)
    if(name IN_LIST taken)
      message(FATAL_ERROR "qx_ship_game(${QX_NAME}): ${f} would take the place of the game's own ${name}")
    endif()
    list(APPEND taken "${name}")
    if(IS_DIRECTORY "${f}")
      _qx_copy_tree("${f}" "${game}/${name}")
    elseif(EXISTS "${f}")
      file(COPY_FILE "${f}" "${game}/${name}")
    else()
      message(FATAL_ERROR "qx_ship_game(${QX_NAME}): ${f} is not there")
    endif()
  endforeach()
  if(QX_KIND STREQUAL "linux")
    string(REPLACE "|" " " packages "${QX_PACKAGES}")
    file(WRITE "${game}/${QX_NAME}" "#!/bin/sh
# Starts ${QX_NAME} in this folder, where it finds its files by the names it
# gives them, from wherever it is started.
cd \"$(dirname \"$(readlink -f \"$0\")\")\" || exit 1
if command -v ldd >/dev/null && ldd bin/${QX_NAME} 2>/dev/null | grep -q 'not found'; then
    echo '${QX_NAME} needs libraries this system lacks. On Debian 12, install them with:' >&2
    echo '    sudo apt-get install ${packages}' >&2
    exit 1
fi
exec bin/${QX_NAME} \"$@\"
")
    file(CHMOD "${game}/${QX_NAME}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                             WORLD_READ WORLD_EXECUTE)
    set(mode czf)
    set(format "")
  else()
    set(mode cf)
    set(format --format=zip)
  endif()
  # Under a temporary name, so that the archive is whole or absent.
  cmake_path(GET QX_OUT PARENT_PATH out_dir)
  file(MAKE_DIRECTORY "${out_dir}")
  set(partial "${QX_OUT}.partial")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E tar ${mode} "${partial}" ${format} "${QX_NAME}"
                  WORKING_DIRECTORY "${QX_STAGE}" RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(REMOVE "${partial}")
    message(FATAL_ERROR "Packing ${QX_OUT} failed: ${err}")
  endif()
  file(RENAME "${partial}" "${QX_OUT}")
  file(REMOVE_RECURSE "${QX_STAGE}")
  message(STATUS "Shipped ${QX_OUT}")
  return()
endif()

# ---- In a project ----

# Native and Windows builds: the folder copied beside the game, so that the
# game finds it when started in its build folder. (A page has it packed.)
function(_qx_copy_game_files target folder)
  cmake_path(GET folder FILENAME name)
  set(copy ${target}_files_${name})
  add_custom_target(${copy}
    COMMAND "${CMAKE_COMMAND}" -DQX_ACTION=copy "-DQX_FROM=${folder}" "-DQX_TO=$<TARGET_FILE_DIR:${target}>/${name}"
            -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    COMMENT "The files of ${target}: ${name}/ beside it"
    VERBATIM)
  add_dependencies(${target} ${copy})
  # After what makes the files: the game's other dependencies, once its
  # directory has been read.
  cmake_language(EVAL CODE "cmake_language(DEFER CALL _qx_order_game_files [[${target}]] [[${copy}]])")
endfunction()

function(_qx_order_game_files target copy)
  get_target_property(deps ${target} MANUALLY_ADDED_DEPENDENCIES)
  if(deps)
    list(FILTER deps EXCLUDE REGEX "^${target}_files_")
    if(deps)
      add_dependencies(${copy} ${deps})
    endif()
  endif()
endfunction()

function(qx_ship_game target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" FILES)
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qx_ship_game(${target}): unknown arguments ${arg_UNPARSED_ARGUMENTS} (FILES comes before the files)")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "qx_ship_game(${target}): no such target (make it with qx_add_game first)")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    message(FATAL_ERROR "qx_ship_game(${target}): ${target} is not a program")
  endif()
  set(files "")
  if(NOT EMSCRIPTEN)
    get_target_property(folders ${target} QX_GAME_FILES)
    if(folders)
      list(APPEND files ${folders})
    endif()
  endif()
  foreach(f IN LISTS arg_FILES)
    cmake_path(ABSOLUTE_PATH f BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(REGEX REPLACE "/+$" "" f "${f}")
    list(APPEND files "${f}")
  endforeach()
  list(JOIN files "|" files)
  list(JOIN QX_RUNTIME_PACKAGES "|" packages)
  set(strip "")
  if(EMSCRIPTEN)
    set(kind web)
    set(out "${target}-web.zip")
  elseif(WIN32)
    set(kind windows)
    set(out "${target}-windows.zip")
    set(strip "${CMAKE_STRIP}")
  else()
    set(kind linux)
    set(out "${target}-linux.tar.gz")
    set(strip "${CMAKE_STRIP}")
  endif()
  add_custom_target(${target}_ship
    COMMAND "${CMAKE_COMMAND}" -DQX_ACTION=ship -DQX_KIND=${kind} -DQX_NAME=${target}
            "-DQX_PROGRAM=$<TARGET_FILE:${target}>" "-DQX_FILES=${files}" "-DQX_PACKAGES=${packages}"
            "-DQX_STRIP=${strip}" "-DQX_STAGE=${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}_ship"
            "-DQX_OUT=${CMAKE_BINARY_DIR}/ship/${out}" -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
    COMMENT "Shipping ${target}: ship/${out}"
    VERBATIM)
  add_dependencies(${target}_ship ${target})
endfunction()
