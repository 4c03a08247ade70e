# The layer in the browser (included by CMakeLists.txt when Emscripten
# builds): FreeType built for WebAssembly from Debian's source package, the
# IPA fonts cut down to the characters of code page 932 and packed into every
# page under /qx/fonts, and the web backend, whose page (page.html, page.js)
# every program linked with the layer is built into.

include(${PROJECT_SOURCE_DIR}/cmake/wasm_freetype.cmake)
find_package(Freetype REQUIRED)
target_link_libraries(qxplatform PRIVATE Freetype::Freetype)

# WebAssembly's bulk memory instructions (every browser of the last few
# years has them): a memcpy or memset becomes one instruction that runs at
# memory speed. Without them the C library copies 512 bytes and more through
# a call out to JavaScript (emscripten_memcpy_big), once for every row of a
# fill or a copy: three quarters of a clear's and a flip's time. The
# runtime and the game are compiled with them too, since code with them is
# not inlined into code without.
target_compile_options(qxplatform PUBLIC -mbulk-memory)
target_link_options(qxplatform INTERFACE -mbulk-memory)
# A link with link-time optimisation inlines more than LLVM's default at -O2
# (a threshold of 225): at 500 a circle's segments and their points are
# inlined into one another with the GDI calls below them, where a call costs
# more in WebAssembly than natively (a circle 12.3 rather than 15.6 µs
# against 10.1 µs natively, for 2 % more wasm). Links without it ignore it.
target_link_options(qxplatform INTERFACE "SHELL:-Wl,-mllvm,-inline-threshold=500")

target_sources(qxplatform PRIVATE
  gdi/font_files_packed.cpp
  backend/web/start.cpp
  backend/web/windows.cpp
  backend/web/frame.cpp
  backend/web/presentation.cpp
  backend/web/events.cpp
  backend/web/keys.cpp
  backend/web/modes.cpp
  backend/web/cursor.cpp
  backend/web/clock.cpp
  backend/web/ending.cpp
  backend/web/audio.cpp)

# The fonts: the faces font_files_packed.cpp names, with only the characters
# code page 932 has and without hinting, which keeps a page's data to about a
# third (9 MB for the four faces rather than 28 MB).
find_program(QX_PYFTSUBSET pyftsubset NO_CMAKE_FIND_ROOT_PATH
             DOC "fontTools' subsetter (Debian: fonttools), which cuts the packed fonts down")
if(NOT QX_PYFTSUBSET)
  message(FATAL_ERROR "The browser build cuts its fonts down with pyftsubset: apt-get install --no-install-recommends fonttools")
endif()
set(QXP_FONT_DIR ${CMAKE_CURRENT_BINARY_DIR}/fonts)
set(QXP_FONTS "")
foreach(face ipag ipagp ipam ipamp)
  find_file(QXP_FONT_${face} ${face}.ttf
            PATHS /usr/share/fonts/opentype/ipafont-gothic /usr/share/fonts/opentype/ipafont-mincho
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT QXP_FONT_${face})
    message(FATAL_ERROR "${face}.ttf not found: apt-get install fonts-ipafont-gothic fonts-ipafont-mincho")
  endif()
  add_custom_command(OUTPUT ${QXP_FONT_DIR}/${face}.ttf
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QXP_FONT_DIR}
    COMMAND ${QX_PYFTSUBSET} ${QXP_FONT_${face}} --unicodes-file=${QXP_CP932_UNICODES} --no-hinting
            --output-file=${QXP_FONT_DIR}/${face}.ttf
    DEPENDS ${QXP_FONT_${face}} ${QXP_CP932_UNICODES}
    COMMENT "Packed font ${face}.ttf: the characters of code page 932"
    VERBATIM)
  list(APPEND QXP_FONTS ${QXP_FONT_DIR}/${face}.ttf)
endforeach()
add_custom_target(qxplatform_fonts DEPENDS ${QXP_FONTS})
add_dependencies(qxplatform qxplatform_fonts)

# Every program linked with the layer: ASYNCIFY, so that Sleep and modal
# loops can let the page run (indirect calls included: the backend is
# reached through its table, and sleeps and message boxes through window
# procedures); a deeper saved stack than the default for the nested loops
# of a message box; memory that grows with pictures and glyph caches.
#
# Drawing never sleeps, so the GDI functions are left out of ASYNCIFY's
# instrumentation, which would otherwise reach them all through the indirect
# calls below them and slow every drawing routine by half again; the
# runtime's drawing routines, which call only these, are left out with them;
# so is the page's pull of the sound mix, which runs while the program sleeps.
set(QXP_NEVER_SLEEP
  BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateFontA CreateSolidBrush DeleteDC DeleteObject
  GetBkColor GetBkMode GetClipBox GetCurrentObject GetObjectA GetObjectType GetPixel GetStockObject
  GetStretchBltMode GetTextColor GetTextExtentPoint32A GetTextFaceA LoadImageA PatBlt
  SelectObject SetBkColor SetBkMode SetPixel SetStretchBltMode SetTextColor StretchBlt TextOutA TransparentBlt
  qx_audio_render)
# With link-time optimisation those functions are mostly inlined into the
# runtime's routines, and what they call comes along: deleting a brush
# reaches the handle table's release, which can delete a font, which calls
# FreeType, whose drivers are called through pointers, so that every
# qx_pset, line and circle was instrumented after all (and ran at 1.7 to 2
# times its native time). What they reach below the layer never sleeps
# either, and is left out by name: FreeType (its API, FT_*, through which
# the layer alone calls it), the layer's opening of a face file (which the
# text's glyph lookup can reach), and the C library's formatting (the
# core every printf shares, which qx_printf reaches through vsnprintf,
# formatting into a string; kept where the program has it, like the GDI
# functions), and the handle table's dropping of an object (a DC, a bitmap
# or a font freed, the font's last owner through a shared pointer, whose
# release is a call through a pointer). '*' matches any characters.
set(QXP_NEVER_SLEEP_BELOW "FT_*" "plat::open_face(*)" "plat::HandleTable::drop_object(*)" __vfprintf_internal)
# Asyncify looks the names up in the linked program, and warns about each it
# does not find: a function no code calls is dropped by the linker, and with
# -flto most are inlined into their callers and dropped too. Exported (where
# the program has them), they stay for Asyncify to find, at about 20 KB of a
# page's 1 MB of wasm.
list(TRANSFORM QXP_NEVER_SLEEP PREPEND "-Wl,--export-if-defined=" OUTPUT_VARIABLE QXP_NEVER_SLEEP_KEPT)
list(APPEND QXP_NEVER_SLEEP_KEPT -Wl,--export-if-defined=__vfprintf_internal)
list(JOIN QXP_NEVER_SLEEP "\n" QXP_NEVER_SLEEP_TEXT)
list(JOIN QXP_NEVER_SLEEP_BELOW "\n" QXP_NEVER_SLEEP_BELOW_TEXT)
string(APPEND QXP_NEVER_SLEEP_TEXT "\n${QXP_NEVER_SLEEP_BELOW_TEXT}")
set(QXP_NEVER_SLEEP_FILE ${CMAKE_CURRENT_BINARY_DIR}/asyncify_never_sleep.txt)
file(CONFIGURE OUTPUT ${QXP_NEVER_SLEEP_FILE} CONTENT "${QXP_NEVER_SLEEP_TEXT}\n")

# What a program's link reads, here and in an installed qx (the web install
# tree: <prefix>/share/qx/web, beside the libraries).
include(GNUInstallDirs)
set(QXP_WEB ${CMAKE_CURRENT_SOURCE_DIR}/backend/web)
set(QXP_WEB_SHARE ${CMAKE_INSTALL_DATADIR}/qx/web)
function(qxp_web_file out build_path installed_name)
  set(${out} "$<BUILD_INTERFACE:${build_path}>$<INSTALL_INTERFACE:$<INSTALL_PREFIX>/${QXP_WEB_SHARE}/${installed_name}>"
      PARENT_SCOPE)
endfunction()
qxp_web_file(page_html ${QXP_WEB}/page.html page.html)
qxp_web_file(page_js ${QXP_WEB}/page.js page.js)
qxp_web_file(never_sleep ${QXP_NEVER_SLEEP_FILE} asyncify_never_sleep.txt)
qxp_web_file(fonts ${QXP_FONT_DIR} fonts)
# A link with no build type (a single-config generator and an empty
# CMAKE_BUILD_TYPE) is optimised all the same: Emscripten optimises the
# whole program's wasm at the link (3 MB and a tenth of the speed without).
target_link_options(qxplatform INTERFACE
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 "-sASYNCIFY_REMOVE=@${never_sleep}"
  ${QXP_NEVER_SLEEP_KEPT}
  -sALLOW_MEMORY_GROWTH -sENVIRONMENT=web
  "SHELL:--shell-file ${page_html}" -sMINIFY_HTML=0
  "SHELL:--pre-js ${page_js}"
  "SHELL:--preload-file ${fonts}@/qx/fonts"
  $<$<CONFIG:>:-O2>)
# A program is linked again when any of them changes.
set(link_depends ${page_html} ${page_js} ${never_sleep})
foreach(font IN LISTS QXP_FONTS)
  cmake_path(GET font FILENAME name)
  qxp_web_file(entry ${font} fonts/${name})
  list(APPEND link_depends ${entry})
endforeach()
set_property(TARGET qxplatform APPEND PROPERTY INTERFACE_LINK_DEPENDS ${link_depends})

if(QX_INSTALL)
  install(FILES ${QXP_WEB}/page.html ${QXP_WEB}/page.js ${QXP_NEVER_SLEEP_FILE} DESTINATION ${QXP_WEB_SHARE})
  install(FILES ${QXP_FONTS} DESTINATION ${QXP_WEB_SHARE}/fonts)
  # FreeType for WebAssembly, which the layer links: no system has it.
  install(FILES ${QX_WASM_FREETYPE_LIBRARY} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
