# FreeType for the browser build: Debian's own source package, fetched with
# `apt-get source freetype` and built with the same Emscripten toolchain,
# once per machine for each pair of FreeType and Emscripten versions, into a
# cache that outlives build trees: QX_WEB_CACHE, by default
# ${XDG_CACHE_HOME:-$HOME/.cache}/qx, as
#   freetype-<Debian version>-emscripten-<version>/{include,lib}
# Nothing is vendored; where the source package cannot be had, configuring
# stops and says how to make apt find it.
#
# Builds that configure at the same time take turns (a lock beside the
# entry), and an entry appears whole or not at all: it is built under a
# temporary name and renamed into place, so a build stopped midway leaves
# nothing another build would take.
#
# Leaves FREETYPE_INCLUDE_DIR_ft2build, FREETYPE_INCLUDE_DIR_freetype2 and
# FREETYPE_LIBRARY set, so that find_package(Freetype) takes this build, and
# QX_WASM_FREETYPE_LIBRARY naming the library (the web install tree carries a
# copy).

if(DEFINED ENV{XDG_CACHE_HOME} AND IS_ABSOLUTE "$ENV{XDG_CACHE_HOME}")
  set(qx_default_cache "$ENV{XDG_CACHE_HOME}/qx")
elseif(DEFINED ENV{HOME} AND IS_ABSOLUTE "$ENV{HOME}")
  set(qx_default_cache "$ENV{HOME}/.cache/qx")
else()
  set(qx_default_cache "${CMAKE_BINARY_DIR}/cache")
endif()
set(QX_WEB_CACHE "${qx_default_cache}" CACHE PATH
    "Where the browser build keeps what outlives a build tree: FreeType built for WebAssembly")

find_program(QX_APT_GET apt-get NO_CMAKE_FIND_ROOT_PATH)

# The FreeType version apt would fetch, from its index alone (no download).
function(_qx_freetype_version out)
  set(${out} "" PARENT_SCOPE)
  if(QX_APT_GET)
    execute_process(COMMAND "${QX_APT_GET}" source -q --print-uris freetype
                    RESULT_VARIABLE rc OUTPUT_VARIABLE uris ERROR_QUIET)
    if(rc EQUAL 0 AND uris MATCHES " freetype_([^ /]+)\\.dsc ")
      set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    endif()
  endif()
endfunction()

# Fetches and builds FreeType into PREFIX, working in SCRATCH.
function(_qx_build_freetype prefix scratch)
  if(NOT QX_APT_GET)
    message(FATAL_ERROR "The browser build takes FreeType from Debian's source package, and apt-get is not here.")
  endif()
  set(fetch "${scratch}/source")
  file(MAKE_DIRECTORY "${fetch}")
  message(STATUS "FreeType for WebAssembly: apt-get source freetype")
  execute_process(COMMAND "${QX_APT_GET}" source -q freetype
                  WORKING_DIRECTORY "${fetch}" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  file(GLOB source LIST_DIRECTORIES true "${fetch}/freetype-*")
  list(FILTER source EXCLUDE REGEX "\\.(dsc|xz|gz|bz2|asc)$")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${source}/CMakeLists.txt")
    message(FATAL_ERROR "apt-get source freetype failed:\n${err}\n"
                        "FreeType for the browser is built from Debian's source package. apt needs a deb-src "
                        "entry for bookworm and dpkg-dev to unpack it: bash .ci/deps.sh web adds both.")
  endif()
  message(STATUS "FreeType for WebAssembly: building ${source}")
  set(build "${scratch}/build")
  # Fonts come in as plain TrueType: no compressed, PNG or shaped fonts.
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${source}" -B "${build}" -G Ninja
            "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}" -DCMAKE_BUILD_TYPE=Release
            "-DCMAKE_INSTALL_PREFIX=${prefix}" -DBUILD_SHARED_LIBS=OFF
            -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON
            -DFT_DISABLE_BROTLI=ON
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc EQUAL 0)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${build}" --target install
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  endif()
  if(NOT rc EQUAL 0 OR NOT EXISTS "${prefix}/lib/libfreetype.a")
    message(FATAL_ERROR "Building FreeType for WebAssembly failed:\n${out}\n${err}")
  endif()
endfunction()

# What an earlier configuration of this tree found, while it is still there.
set(ft_found FALSE)
if(QX_WASM_FREETYPE AND EXISTS "${QX_WASM_FREETYPE}/lib/libfreetype.a")
  cmake_path(GET QX_WASM_FREETYPE PARENT_PATH ft_parent)
  cmake_path(COMPARE "${ft_parent}" EQUAL "${QX_WEB_CACHE}" ft_found)
endif()
if(NOT ft_found)
  _qx_freetype_version(ft_version)
  set(entry "")
  if(ft_version)
    set(entry "freetype-${ft_version}-emscripten-${EMSCRIPTEN_VERSION}")
  else()
    # apt cannot say (no deb-src entry): the newest entry for this Emscripten.
    file(GLOB entries LIST_DIRECTORIES true "${QX_WEB_CACHE}/freetype-*-emscripten-${EMSCRIPTEN_VERSION}")
    list(FILTER entries EXCLUDE REGEX "\\.(lock|tmp-[^/]*)$")
    if(entries)
      list(SORT entries COMPARE NATURAL ORDER DESCENDING)
      list(GET entries 0 entry)
      cmake_path(GET entry FILENAME entry)
    else()
      message(FATAL_ERROR "apt cannot say which FreeType it would fetch (apt-get source --print-uris freetype "
                          "failed), and ${QX_WEB_CACHE} holds no FreeType for Emscripten ${EMSCRIPTEN_VERSION}. "
                          "apt needs a deb-src entry for bookworm: bash .ci/deps.sh web adds it.")
    endif()
  endif()
  set(ft_prefix "${QX_WEB_CACHE}/${entry}")
  if(NOT EXISTS "${ft_prefix}/lib/libfreetype.a")
    file(MAKE_DIRECTORY "${QX_WEB_CACHE}")
    file(LOCK "${QX_WEB_CACHE}/${entry}.lock" GUARD FILE TIMEOUT 0 RESULT_VARIABLE locked)
    if(locked)
      message(STATUS "FreeType for WebAssembly: another build is making ${entry}; waiting for it")
      file(LOCK "${QX_WEB_CACHE}/${entry}.lock" GUARD FILE TIMEOUT 3600 RESULT_VARIABLE locked)
    endif()
    if(locked)
      message(FATAL_ERROR "FreeType for WebAssembly: could not lock ${QX_WEB_CACHE}/${entry}.lock: ${locked}")
    endif()
    # Another build may have made it while this one waited.
    if(NOT EXISTS "${ft_prefix}/lib/libfreetype.a")
      # What a build stopped midway left (no one else builds this entry now).
      file(GLOB stale LIST_DIRECTORIES true "${QX_WEB_CACHE}/${entry}.tmp-*")
      if(stale)
        file(REMOVE_RECURSE ${stale})
      endif()
      string(RANDOM LENGTH 8 tag)
      set(scratch "${QX_WEB_CACHE}/${entry}.tmp-${tag}")
      _qx_build_freetype("${scratch}/prefix" "${scratch}")
      file(RENAME "${scratch}/prefix" "${ft_prefix}" RESULT rc)
      file(REMOVE_RECURSE "${scratch}")
      if(NOT EXISTS "${ft_prefix}/lib/libfreetype.a")
        message(FATAL_ERROR "FreeType for WebAssembly: could not move the build into ${ft_prefix}: ${rc}")
      endif()
    endif()
    file(LOCK "${QX_WEB_CACHE}/${entry}.lock" RELEASE)
  endif()
  set(QX_WASM_FREETYPE "${ft_prefix}" CACHE INTERNAL "FreeType built for WebAssembly, in QX_WEB_CACHE")
endif()

set(FREETYPE_INCLUDE_DIR_ft2build "${QX_WASM_FREETYPE}/include/freetype2" CACHE PATH "" FORCE)
set(FREETYPE_INCLUDE_DIR_freetype2 "${QX_WASM_FREETYPE}/include/freetype2" CACHE PATH "" FORCE)
set(FREETYPE_LIBRARY "${QX_WASM_FREETYPE}/lib/libfreetype.a" CACHE FILEPATH "" FORCE)
set(QX_WASM_FREETYPE_LIBRARY "${FREETYPE_LIBRARY}")
