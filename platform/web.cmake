# The layer in the browser (included by CMakeLists.txt when Emscripten
# builds): FreeType built for WebAssembly from Debian's source package, the
# IPA fonts cut down to the characters of code page 932 and packed into every
# page under /qx/fonts, and the web backend, whose page (page.html, page.js)
# every program linked with the layer is built into.

include(${PROJECT_SOURCE_DIR}/cmake/wasm_freetype.cmake)
find_package(Freetype REQUIRED)
target_link_libraries(qxplatform PRIVATE Freetype::Freetype)

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
  backend/web/ending.cpp)

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
# runtime's drawing routines, which call only these, are left out with them.
set(QXP_NEVER_SLEEP
  BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateFontA CreateSolidBrush DeleteDC DeleteObject
  GetBkColor GetBkMode GetClipBox GetCurrentObject GetObjectA GetObjectType GetPixel GetStockObject
  GetStretchBltMode GetTextColor GetTextExtentPoint32A GetTextFaceA LoadImageA PatBlt
  SelectObject SetBkColor SetBkMode SetPixel SetStretchBltMode SetTextColor StretchBlt TextOutA TransparentBlt)
list(JOIN QXP_NEVER_SLEEP "\n" QXP_NEVER_SLEEP_TEXT)
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/asyncify_never_sleep.txt CONTENT "${QXP_NEVER_SLEEP_TEXT}\n")

set(QXP_WEB ${CMAKE_CURRENT_SOURCE_DIR}/backend/web)
target_link_options(qxplatform INTERFACE
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_REMOVE=@${CMAKE_CURRENT_BINARY_DIR}/asyncify_never_sleep.txt
  -sALLOW_MEMORY_GROWTH -sENVIRONMENT=web
  "SHELL:--shell-file ${QXP_WEB}/page.html" -sMINIFY_HTML=0
  "SHELL:--pre-js ${QXP_WEB}/page.js"
  "SHELL:--preload-file ${QXP_FONT_DIR}@/qx/fonts")
set_property(TARGET qxplatform APPEND PROPERTY INTERFACE_LINK_DEPENDS
  ${QXP_WEB}/page.html ${QXP_WEB}/page.js ${QXP_FONTS} ${CMAKE_CURRENT_BINARY_DIR}/asyncify_never_sleep.txt)
