# What `cmake --install` puts in place, and the Debian package made from it:
#   <libdir>/libqx.a (and libqxplatform.a, the Win32 layer, where Windows is
#   absent), <includedir>/qx/qx.h (and the layer's windows.h), the CMake
#   package qx (qxConfig.cmake: targets qx::qx, qx_add_game, qx_game_files,
#   qx_ship_game, qx_cp932_literals, which builds the literal step from its
#   source there at the game's configure time), <libdir>/pkgconfig/qx.pc,
#   <bindir>/qx-cp932, the literal step for pkg-config builds, and
#   <bindir>/qx-shot (runs a program on a virtual desktop and takes a
#   screenshot). qx-cp932 is a program of the build machine, in the Windows
#   tree too, which serves cross builds on it. The cross builds' trees add
#   their toolchain file; the browser's (Emscripten) has no qx.pc, and adds
#   FreeType built for WebAssembly and what a page is made of
#   (platform/web.cmake).
# Both the CMake package and qx.pc locate everything relative to themselves,
# so an install tree works wherever it is copied or unpacked.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(qx_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/qx)
set(qx_libraries qx)
if(NOT WIN32)
  list(APPEND qx_libraries qxplatform)
endif()
install(TARGETS ${qx_libraries} EXPORT qxTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qx)
install(FILES include/qx.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qx)
if(NOT WIN32)
  install(DIRECTORY platform/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qx)
endif()

install(EXPORT qxTargets NAMESPACE qx:: DESTINATION ${qx_cmake_dir})
# The packages the layer links, found again where qx is used.
set(QX_DEPENDENCIES "")
if(EMSCRIPTEN)
  # FreeType for WebAssembly comes with this tree.
  set(QX_DEPENDENCIES [[
if(NOT TARGET Freetype::Freetype)
  add_library(Freetype::Freetype STATIC IMPORTED)
  set_target_properties(Freetype::Freetype PROPERTIES
                        IMPORTED_LOCATION "${PACKAGE_PREFIX_DIR}/@CMAKE_INSTALL_LIBDIR@/libfreetype.a")
endif()]])
  string(CONFIGURE "${QX_DEPENDENCIES}" QX_DEPENDENCIES @ONLY)
elseif(NOT WIN32)
  set(QX_DEPENDENCIES [[
find_dependency(SDL2 CONFIG)
find_dependency(X11)
find_dependency(Freetype)
find_dependency(Fontconfig)
find_dependency(PNG)
find_dependency(Threads)]])
endif()
configure_package_config_file(cmake/qxConfig.cmake.in ${PROJECT_BINARY_DIR}/qxConfig.cmake
                              INSTALL_DESTINATION ${qx_cmake_dir})
# Before 1.0, a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qxConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qxConfig.cmake ${PROJECT_BINARY_DIR}/qxConfigVersion.cmake
              cmake/qxGame.cmake cmake/qxShip.cmake cmake/cp932_literals.cpp
        DESTINATION ${qx_cmake_dir})
_qx_cp932_tool()
get_property(qx_cp932_tool GLOBAL PROPERTY QX_CP932_TOOL)
install(PROGRAMS ${qx_cp932_tool} DESTINATION ${CMAKE_INSTALL_BINDIR})
if((WIN32 OR EMSCRIPTEN) AND CMAKE_TOOLCHAIN_FILE)
  # The cross build's toolchain file, for games built against this tree.
  install(FILES ${CMAKE_TOOLCHAIN_FILE} DESTINATION ${qx_cmake_dir})
endif()
install(PROGRAMS tools/qx-shot.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME qx-shot)

# qx.pc. The libraries are static, so the packages they link are Requires,
# not Requires.private: `pkg-config --libs qx` without --static must name
# them for a game to link.
if(WIN32)
  set(QX_PC_REQUIRES "")
  set(QX_PC_LIBS "-lqx -luser32 -lgdi32 -lmsimg32 -lwinmm -Wl,--undefined=WinMain -mwindows")
else()
  set(QX_PC_REQUIRES "Requires: sdl2 x11 freetype2 fontconfig libpng")
  set(QX_PC_LIBS "-lqx -lqxplatform -pthread")
endif()
file(RELATIVE_PATH QX_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" QX_PC_PREFIX "${QX_PC_PREFIX}")
if(NOT EMSCRIPTEN)
  configure_file(cmake/qx.pc.in ${PROJECT_BINARY_DIR}/qx.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/qx.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

# cpack: libqx-dev_<version>_<arch>.deb, installing under /usr.
if(PROJECT_IS_TOP_LEVEL AND NOT WIN32 AND NOT EMSCRIPTEN)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME libqx-dev)
  set(CPACK_PACKAGE_CONTACT "qx developers <qx@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "runtime for DOS-style games on the Win32 API (static libraries and headers)")
  set(CPACK_PACKAGE_DESCRIPTION [[
qx gives a game written the way DOS-era graphics programs were (a 320 x 200
screen, the VGA palette, pixels, lines, circles, BMP sprites, getch/kbhit)
a window on the desktop. It is written against the Win32 API and comes with
its own implementation of the Win32 subset it calls, on SDL2, Xlib,
FreeType and fontconfig. A game links qx::qx (CMake) or qx (pkg-config).]])
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # What the layer links, and the fonts it draws Japanese text and the
  # Windows font names games ask for with.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libsdl2-dev, libx11-dev, libfreetype-dev, libfontconfig-dev, libpng-dev, fonts-ipafont-gothic, fonts-ipafont-mincho")
  # And what qx-cp932 links (the C and C++ libraries), by dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # What building a game with it takes.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "g++, cmake, pkg-config")
  # What qx-shot runs a program on and takes its screenshot with.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb, openbox, x11-utils, imagemagick")
  include(CPack)
endif()
