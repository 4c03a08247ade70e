# FreeType for the browser build: Debian's own source package, fetched with
# `apt-get source freetype` and built with the same Emscripten toolchain, once
# per version, into QX_WEB_CACHE (build/cache/ from the web preset), where
# later configurations find it. Nothing is vendored; where the source package
# cannot be had, configuring stops and says how to make apt find it.
#
# Leaves FREETYPE_INCLUDE_DIR_ft2build, FREETYPE_INCLUDE_DIR_freetype2 and
# FREETYPE_LIBRARY set, so that find_package(Freetype) takes this build.

set(QX_WEB_CACHE "${CMAKE_BINARY_DIR}/cache" CACHE PATH
    "Where the browser build keeps what outlives a build tree: FreeType built for WebAssembly")
set(ft_prefix "${QX_WEB_CACHE}/freetype-wasm")
set(ft_library "${ft_prefix}/lib/libfreetype.a")

if(NOT EXISTS "${ft_library}")
  find_program(QX_APT_GET apt-get NO_CMAKE_FIND_ROOT_PATH)
  if(NOT QX_APT_GET)
    message(FATAL_ERROR "The browser build takes FreeType from Debian's source package, and apt-get is not here.")
  endif()
  set(ft_fetch "${QX_WEB_CACHE}/freetype-source")
  file(REMOVE_RECURSE "${ft_fetch}")
  file(MAKE_DIRECTORY "${ft_fetch}")
  message(STATUS "FreeType for WebAssembly: apt-get source freetype")
  execute_process(COMMAND "${QX_APT_GET}" source -q freetype
                  WORKING_DIRECTORY "${ft_fetch}" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  file(GLOB ft_source LIST_DIRECTORIES true "${ft_fetch}/freetype-*")
  list(FILTER ft_source EXCLUDE REGEX "\\.(dsc|xz|gz|bz2|asc)$")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${ft_source}/CMakeLists.txt")
    message(FATAL_ERROR "apt-get source freetype failed:\n${err}\n"
                        "FreeType for the browser is built from Debian's source package. apt needs a deb-src "
                        "entry for bookworm and dpkg-dev to unpack it: bash .ci/deps.sh adds both.")
  endif()
  message(STATUS "FreeType for WebAssembly: building ${ft_source}")
  set(ft_build "${QX_WEB_CACHE}/freetype-build")
  file(REMOVE_RECURSE "${ft_build}")
  # Fonts come in as plain TrueType: no compressed, PNG or shaped fonts.
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${ft_source}" -B "${ft_build}" -G Ninja
            "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}" -DCMAKE_BUILD_TYPE=Release
            "-DCMAKE_INSTALL_PREFIX=${ft_prefix}" -DBUILD_SHARED_LIBS=OFF
            -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON
            -DFT_DISABLE_BROTLI=ON
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(rc EQUAL 0)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${ft_build}" --target install
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  endif()
  if(NOT rc EQUAL 0 OR NOT EXISTS "${ft_library}")
    message(FATAL_ERROR "Building FreeType for WebAssembly failed:\n${out}\n${err}")
  endif()
  file(REMOVE_RECURSE "${ft_build}" "${ft_fetch}")
endif()

set(FREETYPE_INCLUDE_DIR_ft2build "${ft_prefix}/include/freetype2" CACHE PATH "" FORCE)
set(FREETYPE_INCLUDE_DIR_freetype2 "${ft_prefix}/include/freetype2" CACHE PATH "" FORCE)
set(FREETYPE_LIBRARY "${ft_library}" CACHE FILEPATH "" FORCE)
