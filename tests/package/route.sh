#!/usr/bin/env bash
# The ways a game builds against qx, tried as its author would: a fresh
# project made of the README's own snippets (its main.cpp and the CMake or
# shell lines of the route), configured and built, then run on a virtual
# desktop of its own (a Windows route's under Wine, on the desktop named by
# DISPLAY), where what it drew is checked.
#
# Usage: route.sh ROUTE SOURCE_DIR WORK_DIR SCREENTEXT [TREE]
#   install              cmake --install TREE (the package preset's build)
#                        into WORK_DIR/qx; checks what is there
#   deb                  cpack in TREE; checks the .deb's fields, contents and
#                        Depends; unpacks it into WORK_DIR/root (dpkg -x)
#   subdirectory-small   add_subdirectory(qx) with GoogleTest and Google
#                        Benchmark made unfindable: configures, and has only
#                        the game and the runtime's targets, and no tests
#   subdirectory         add_subdirectory(qx), built and run
#   find_package         find_package from WORK_DIR/qx, built and run, with
#                        qx_add_game and with the calls spelled out
#   pkg-config           pkg-config from WORK_DIR/qx, built and run
#   deb-find_package     find_package from the unpacked .deb, built and run
#   deb-pkg-config       pkg-config from the unpacked .deb, built and run
#   windows-install      cmake --install TREE (the windows-package preset's
#                        build) into WORK_DIR/qx-windows; checks it
#   windows-find_package find_package from WORK_DIR/qx-windows with mingw-w64,
#                        run under Wine
#   windows-pkg-config   pkg-config from WORK_DIR/qx-windows with mingw-w64,
#                        run under Wine
#   web-install          cmake --install TREE (the web-package preset's build)
#                        into WORK_DIR/qx-web; checks it
#   subdirectory-web     add_subdirectory(qx) with the Emscripten toolchain,
#                        the page checked in headless Chromium, and the
#                        README's screenshot of it by Chromium's own flags
#   web-find_package     find_package from WORK_DIR/qx-web, checked in Chromium
#   web-cache            two browser builds configured at once into a new
#                        FreeType cache: one builds the entry, the other waits
#                        for it, and the cache holds it whole and nothing else
#   ship                 the README's star.cpp shipped from the three install
#                        trees, each archive unpacked into a fresh folder and
#                        run there: headless from another working directory,
#                        under Wine, in Chromium from a folder of the server;
#                        and every library the Linux game loads in a package
#                        of the README's runtime line
# The README's shell lines run with HOME set to WORK_DIR, so that its
# "$HOME/qx", "$HOME/qx-windows" and "$HOME/qx-web" are the trees made here.
set -uo pipefail

ROUTE=$1 SRC=$2 WORK=$3 SCREENTEXT=$4 TREE=${5:-}
. "$SRC/tests/e2e/lib.sh"
mkdir -p "$WORK"

# The fenced block after "<!-- test: NAME -->" in the README.
snippet() {
    local text
    text=$(awk -v name="$1" '
        $0 == "<!-- test: " name " -->" { want = 1; next }
        want && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }' "$SRC/README.md")
    [ -n "$text" ] || fail "README.md has no snippet marked <!-- test: $1 -->"
    printf '%s\n' "$text"
}

# A fresh game folder $WORK/NAME with the README's main.cpp and, when given,
# the README's CMakeLists.txt snippet CMAKE; sets GAME_DIR.
new_game() {
    GAME_DIR=$WORK/$1
    rm -rf "$GAME_DIR"
    mkdir -p "$GAME_DIR"
    snippet main.cpp >"$GAME_DIR/main.cpp" || exit 1
    if [ -n "${2:-}" ]; then snippet "$2" >"$GAME_DIR/CMakeLists.txt" || exit 1; fi
}

# Runs the README's shell snippet NAME in GAME_DIR, HOME being WORK; the
# machine's cache stays where it was (FreeType for WebAssembly is built
# once per machine, not once per test folder). What it prints is also kept
# in GAME_DIR/NAME.log.
run_snippet() {
    local script
    script=$(snippet "$1") || exit 1
    (cd "$GAME_DIR" && XDG_CACHE_HOME=${XDG_CACHE_HOME:-$HOME/.cache} HOME=$WORK CMAKE_GENERATOR=Ninja \
        bash -euo pipefail -c "$script") 2>&1 | tee "$GAME_DIR/$1.log"
    [ "${PIPESTATUS[0]}" = 0 ] ||
        fail "the README's '$1' lines failed in $GAME_DIR"
    ok "the README's '$1' lines ran in $GAME_DIR"
}

# cmake on GAME_DIR into GAME_DIR/build with the arguments given, then builds.
cmake_game() {
    cmake -S "$GAME_DIR" -B "$GAME_DIR/build" -G Ninja "$@" >"$GAME_DIR/configure.log" 2>&1 ||
        { cat "$GAME_DIR/configure.log"; fail "configuring $GAME_DIR failed"; }
    cmake --build "$GAME_DIR/build" || fail "building $GAME_DIR failed"
    ok "configured and built $GAME_DIR $*"
}

# Checks that tree PREFIX holds exactly what an install of qx should, with
# its libraries and CMake files in PREFIX/LIBDIR; the third argument says
# which: native (default), windows (the cross build's: no layer, the
# toolchain file) or web (no qx.pc; the toolchain file, FreeType for
# WebAssembly, the page's files and the packed fonts).
check_tree() {
    local prefix=$1 libdir=$2 kind=${3:-native} expected actual
    expected=$(
        echo include/qx/qx.h
        echo bin/qx-shot
        echo bin/qx-cp932
        echo "$libdir/libqx.a"
        [ "$kind" = web ] || echo "$libdir/pkgconfig/qx.pc"
        for f in cp932_literals.cpp qxConfig.cmake qxConfigVersion.cmake qxGame.cmake qxShip.cmake qxTargets.cmake qxTargets-release.cmake; do
            echo "$libdir/cmake/qx/$f"
        done
        case $kind in
        windows) echo "$libdir/cmake/qx/mingw-w64-x86_64.cmake" ;;
        web)
            echo "$libdir/cmake/qx/emscripten.cmake"
            echo "$libdir/libfreetype.a"
            for f in page.html page.js asyncify_never_sleep.txt fonts/ipag.ttf fonts/ipagp.ttf fonts/ipam.ttf fonts/ipamp.ttf; do
                echo "share/qx/web/$f"
            done ;;
        esac
        if [ "$kind" != windows ]; then
            echo "$libdir/libqxplatform.a"
            (cd "$SRC/platform/include" && find . -type f | sed 's|^\./|include/qx/|')
        fi
    )
    expected=$(sort <<<"$expected")
    actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
    [ "$actual" = "$expected" ] ||
        fail "$prefix holds other files than an install should (< expected, > found):
$(diff <(echo "$expected") <(echo "$actual"))"
    [ -x "$prefix/bin/qx-shot" ] || fail "$prefix/bin/qx-shot is not executable"
    "$prefix/bin/qx-cp932" --version >/dev/null || fail "$prefix/bin/qx-cp932 does not run on this machine"
    ok "$prefix holds what a $kind install should (the libraries, qx.h, the CMake package, the build machine's qx-cp932, qx-shot, ...), and nothing else"
}

# What the README's star.cpp draws, checked in the image FILE whose client
# area starts at (X, Y): its picture's yellow at logical (100,60), 32 x 32,
# magenta left out over black; nothing yellow or magenta elsewhere.
check_star() {
    local file=$1 x=$2 y=$3 inside all yellow
    inside=$("$SCREENTEXT" colors "$file" $((x + 200)) $((y + 120)) 64 64)
    all=$("$SCREENTEXT" colors "$file" "$x" "$y" 640 400)
    yellow=$(awk '$1 == "FFFF00" { print $2 }' <<<"$inside")
    [ "${yellow:-0}" -ge 1000 ] && ! grep -qv '^\(FFFF00\|000000\) ' <<<"$inside" ||
        fail "client (200,120)-(264,184) of $file holds '$(echo $inside)', expected the picture's yellow on black"
    [ "$(awk '$1 == "FFFF00" { print $2 }' <<<"$all")" = "$yellow" ] && ! grep -q '^FF00FF ' <<<"$all" ||
        fail "$file has yellow outside the picture's place, or magenta: '$(echo $all)'"
    ok "pics/star.bmp drawn: $yellow yellow pixels at client (200,120), magenta left out"
}

# The README's main.cpp's drawing in the image FILE whose client area
# starts at (X, Y): a filled box in palette colour 9 at logical (10,40),
# 100 x 30; the yellow text of palette colour 14 at logical (10,10); black
# below. Returns 1 (saying nothing) while the box is not there yet.
check_main() {
    local file=$1 x=$2 y=$3 box ink yellow inked others below
    box=$("$SCREENTEXT" colors "$file" $((x + 20)) $((y + 80)) 200 60)
    [ "$box" = "5454FC 12000" ] || return 1
    ok "the box fills client (20,80)-(220,140) in 5454FC"
    # The text is antialiased: its ink is FCFC54 and shades of it over black
    # (red equal to green).
    ink=$("$SCREENTEXT" colors "$file" $((x + 20)) $((y + 20)) 300 32 | grep -v '^000000 ')
    yellow=$(awk '$1 == "FCFC54" { print $2 }' <<<"$ink")
    inked=$(awk '{ n += $2 } END { print n + 0 }' <<<"$ink")
    others=$(awk 'substr($1, 1, 2) != substr($1, 3, 2) { print $1 }' <<<"$ink" | tr '\n' ' ')
    [ -n "$yellow" ] && [ "$inked" -ge 200 ] && [ -z "$others" ] ||
        fail "client (20,20)-(320,52) has $inked inked pixels, ${yellow:-0} of them FCFC54 (palette 14), and colours not shades of it: '$others'; expected the text in FCFC54 on black"
    ok "the text: $inked pixels of FCFC54 ink ($yellow of them full) on black in client (20,20)-(320,52)"
    below=$("$SCREENTEXT" colors "$file" $((x + 20)) $((y + 160)) 600 220)
    [ "$below" = "000000 132000" ] || fail "client (20,160)-(620,380) holds '$below', expected black only"
    ok "black below"
}

# Runs the game GAME on the desktop and checks what it drew: its title, in
# code page 932 as the layer (or Wine) reads it, and main.cpp's drawing (or,
# with EXPECT=star, star.cpp's). A held key ends it with status 1. The
# second argument: "wine" runs game.exe GAME under Wine (wine-sample.sh);
# "wine-as-written" says that GAME runs a Windows build under Wine itself
# (a script of the README's line), its class being CLASS. Runs in a subshell
# of its own, whose exit ends the game and clears its scratch files.
check_game() (
    local game=$1 ms=10000 try title=はじめてのソフト
    [ "${EXPECT:-main}" = star ] && title=星のテスト
    export E2E_CLASS=${CLASS:-game}
    case ${2:-} in
    wine)
        export E2E_WINE=1 E2E_CLASS=game.exe E2E_WINE_EXE=$game
        game=$SRC/tests/e2e/wine-sample.sh
        ms=30000 ;;
    wine-as-written)
        export E2E_WINE=1
        ms=30000 ;;
    esac
    e2e_init "package_$ROUTE" "$game" "$SCREENTEXT"
    start_sample
    window_titled "$title" "$ms" || {
        running || fail "the game ended with status $(exit_status) before its window appeared"
        fail "no window of the game titled $title within $((ms / 1000)) s"
    }
    ok "window titled $title: its title literal is code page 932"
    sleep 1.2  # Wine moves its window once more after showing it
    client_rect "$WIN"
    if [ "${EXPECT:-main}" = star ]; then
        shot star
        check_star "$SHOT" "$WX" "$WY"
    else
        for try in 1 2 3 4; do
            shot "game$try"
            check_main "$SHOT" "$WX" "$WY" && break
            [ "$try" = 4 ] && fail "client (20,80)-(220,140) holds '$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 80)) 200 60)', expected 12000 pixels of 5454FC (palette 9); screenshot $SHOT"
            sleep 0.3
        done
    fi
    hold a
    wait_exit 5000 || fail "the game still runs 5 s after A was held down"
    release a
    expect_status_1 "after A was held down"
    ok "ended with status 1 once A was held down"
    if under_wine; then
        # A key released after Wine's last program ended reads as held for
        # the next one while this wineserver lives (see wine_settle): let it
        # end, or end it, before anything else runs under Wine.
        timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null
    fi
)

# A native route's game runs on a virtual desktop of its own, started once
# the game is built: the route's build, most of its time, keeps no desktop
# from the other tests. (A Windows route's game runs under the runner's Wine
# prefix, on the runner's desktop.)
own_desktop() {
    . "$SRC/.ci/desktop.sh"
    start_desktop || fail "no virtual desktop could be started"
    trap stop_desktop EXIT
}

# A script that runs the README's one-line shell snippet NAME in DIR, so
# that it can stand as the game check_game starts (the line's own program
# keeps the script's PID).
as_written() {
    local line script=$WORK/$1.run
    line=$(snippet "$1") || exit 1
    [ "$(wc -l <<<"$line")" = 1 ] || fail "the README's '$1' snippet is more than one line"
    printf '#!/bin/bash\ncd %q && exec bash -c %q\n' "$2" "$line" >"$script"
    chmod +x "$script"
    echo "$script"
}

# Checks a page in headless Chromium (tests/web/route.mjs): ROOT served,
# PAGE under it, EXPECT main or star.
check_page() {
    QX_WEB_BUILD=$1 QX_WEB_PAGE=$2 QX_WEB_EXPECT=${3:-main} QX_SCREENTEXT=$SCREENTEXT \
        node "$SRC/tests/web/route.mjs" || fail "the page $2 under $1 failed its checks"
}

# A PNG the README's screenshot lines wrote: there, whole, and showing the
# game's drawing with its client area at (X, Y).
check_png() {
    local png=$1 x=$2 y=$3
    [ -f "$png" ] || fail "no screenshot $png"
    check_main "$png" "$x" "$y" ||
        fail "the screenshot $png holds '$("$SCREENTEXT" colors "$png" $((x + 20)) $((y + 80)) 200 60)' where the box should be at ($((x + 20)),$((y + 80)))"
    ok "the screenshot $png shows the game's drawing"
}

# The client area's top-left corner in a shot of the whole virtual desktop:
# where the box's colour first appears, less the box's own place.
client_in() {
    local b
    b=$("$SCREENTEXT" bounds "$1" 5454FC) || fail "no 5454FC (the box) anywhere in $1"
    read -r BX BY _ <<<"$b"
    CX=$((BX - 20)) CY=$((BY - 80))
}

# Packages that hold FILE (a library as ldd names it): dpkg knows some by
# their /lib path, some by /usr/lib (Debian 12's merged /usr).
package_of() {
    local f=$1 p
    for p in "$f" "${f#/usr}" "/usr$f"; do
        dpkg -S "$p" 2>/dev/null | head -1 | cut -d: -f1 && return 0
    done
    return 1
}

multiarch=$(gcc -print-multiarch)
case $ROUTE in
install)
    rm -rf "$WORK/qx"
    cmake --install "$TREE" --prefix "$WORK/qx" >/dev/null || fail "cmake --install $TREE failed"
    check_tree "$WORK/qx" "lib/$multiarch"
    ;;
windows-install)
    rm -rf "$WORK/qx-windows"
    cmake --install "$TREE" --prefix "$WORK/qx-windows" >/dev/null || fail "cmake --install $TREE failed"
    check_tree "$WORK/qx-windows" lib windows
    ;;
deb)
    rm -rf "$WORK/deb" "$WORK/root"
    (cd "$TREE" && cpack -B "$WORK/deb" >"$WORK/cpack.log" 2>&1) || { cat "$WORK/cpack.log"; fail "cpack failed"; }
    debs=("$WORK"/deb/libqx-dev_*.deb)
    [ -f "${debs[0]}" ] || fail "cpack made no libqx-dev_*.deb: $(ls "$WORK/deb")"
    deb=${debs[0]}
    arch=$(dpkg --print-architecture)
    [ "$(basename "$deb")" = "libqx-dev_$(dpkg-deb -f "$deb" Version)_$arch.deb" ] &&
        [ "$(dpkg-deb -f "$deb" Package)" = libqx-dev ] && [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] ||
        fail "$(basename "$deb"): package $(dpkg-deb -f "$deb" Package), version $(dpkg-deb -f "$deb" Version), architecture $(dpkg-deb -f "$deb" Architecture)"
    ok "$(basename "$deb")"
    depends=$(dpkg-deb -f "$deb" Depends | tr -d ' ' | tr ',' '\n' | sed 's/(.*//' | sort)
    echo "Depends: $(echo $depends)"
    for p in $depends; do
        apt-cache show "$p" >/dev/null 2>&1 || fail "Depends names $p, which is no package here"
    done
    # qx-shot's tools, suggested.
    suggests=$(dpkg-deb -f "$deb" Suggests | tr -d ' ' | tr ',' '\n' | sort | tr '\n' ' ')
    [ "$suggests" = "imagemagick openbox x11-utils xvfb " ] || fail "Suggests: '$suggests', expected qx-shot's tools"
    # What the layer's libraries need from the system, by the package that
    # holds it: the pkg-config files qx.pc requires, and the fonts the layer
    # draws with. Each must come with a package the .deb depends on.
    for pc in sdl2 x11 freetype2 fontconfig; do
        owner=$(dpkg -S "$(readlink -f "$(pkg-config --path "$pc")")" | cut -d: -f1)
        grep -qx "$owner" <<<"$depends" || fail "$pc.pc comes with $owner, which the .deb does not depend on"
    done
    for face in IPAMincho IPAGothic; do
        owner=$(dpkg -S "$(readlink -f "$(fc-match -f '%{file}' "$face")")" | cut -d: -f1)
        grep -qx "$owner" <<<"$depends" || fail "$face comes with $owner, which the .deb does not depend on"
    done
    ok "the .deb depends on the packages with sdl2.pc, x11.pc, freetype2.pc, fontconfig.pc, IPAMincho and IPAGothic"
    dpkg -x "$deb" "$WORK/root" || fail "dpkg -x $deb failed"
    check_tree "$WORK/root/usr" "lib/$multiarch"
    [ "$(cd "$WORK/root" && find . -mindepth 1 -maxdepth 1)" = ./usr ] || fail "the .deb installs outside /usr"
    ;;
subdirectory-small)
    new_game subdirectory-small subdirectory
    ln -s "$SRC" "$GAME_DIR/qx"
    # Looking for either package, or reading the tests' CMake files, stops the
    # configuration: these modules come first on the module path.
    traps=$WORK/traps
    mkdir -p "$traps"
    for m in FindGTest Findbenchmark GoogleTest; do
        echo "message(FATAL_ERROR \"the game's build looked for ${m#Find}\")" >"$traps/$m.cmake"
    done
    mkdir -p "$GAME_DIR/build/.cmake/api/v1/query"
    touch "$GAME_DIR/build/.cmake/api/v1/query/codemodel-v2"
    cmake -S "$GAME_DIR" -B "$GAME_DIR/build" -G Ninja -DCMAKE_MODULE_PATH="$traps" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
          -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$GAME_DIR/configure.log" 2>&1 ||
        { cat "$GAME_DIR/configure.log"; fail "configuring the game with GoogleTest and Google Benchmark unfindable failed"; }
    ok "configures with GoogleTest and Google Benchmark unfindable, never looking for them"
    targets=$(cmake -DBUILD="$GAME_DIR/build" -P "$SRC/tests/package/targets.cmake" | sort | tr '\n' ' ')
    [ "$targets" = "game qx qxentry qxplatform " ] ||
        fail "the game's build has the targets '$targets', expected 'game qx qxentry qxplatform'"
    ok "targets: $targets"
    tests=$(ctest --test-dir "$GAME_DIR/build" -N | grep -o 'Total Tests: [0-9]*')
    [ "$tests" = "Total Tests: 0" ] || fail "the game's build has tests: $tests"
    ok "no tests"
    # The game sees qx.h and the layer's windows.h, nothing else of qx's.
    includes=$(grep '"command"' "$GAME_DIR/build/compile_commands.json" | grep 'CMakeFiles/game\.dir/' |
               grep -o -- ' -\(I\|isystem\) *[^ ]*' | sed 's/^ *-\(I\|isystem\) *//' | sort | tr '\n' ' ')
    expected="$GAME_DIR/qx/include $GAME_DIR/qx/platform/include "
    [ "$includes" = "$expected" ] || fail "the game compiles with include folders '$includes', expected '$expected'"
    ok "the game's include folders: $includes"
    ;;
subdirectory)
    new_game subdirectory subdirectory
    ln -s "$SRC" "$GAME_DIR/qx"
    cmake_game
    own_desktop
    check_game "$GAME_DIR/build/game"
    ;;
find_package)
    [ -d "$WORK/qx" ] || fail "no install tree in $WORK/qx (the install route makes it)"
    new_game by-hand by-hand
    cmake_game -DCMAKE_PREFIX_PATH="$WORK/qx"
    by_hand=$GAME_DIR/build/game
    new_game find_package find_package
    run_snippet find_package-build
    own_desktop
    check_game "$GAME_DIR/build/game" || exit 1
    ROUTE=by-hand check_game "$by_hand" || exit 1
    # The README's screenshot of the game on a virtual desktop of its own.
    rm -f "$GAME_DIR/shot.png"
    run_snippet desktop-shot
    client_in "$GAME_DIR/shot.png"
    check_png "$GAME_DIR/shot.png" "$CX" "$CY"
    ;;
pkg-config)
    [ -d "$WORK/qx" ] || fail "no install tree in $WORK/qx (the install route makes it)"
    new_game pkg-config
    export PKG_CONFIG_PATH=$WORK/qx/lib/$multiarch/pkgconfig
    run_snippet pkg-config
    own_desktop
    check_game "$GAME_DIR/game"
    ;;
deb-find_package)
    [ -d "$WORK/root/usr" ] || fail "no unpacked .deb in $WORK/root (the deb route makes it)"
    new_game deb-find_package find_package
    cmake_game -DCMAKE_PREFIX_PATH="$WORK/root/usr"
    own_desktop
    check_game "$GAME_DIR/build/game"
    ;;
deb-pkg-config)
    [ -d "$WORK/root/usr" ] || fail "no unpacked .deb in $WORK/root (the deb route makes it)"
    new_game deb-pkg-config
    export PKG_CONFIG_PATH=$WORK/root/usr/lib/$multiarch/pkgconfig
    run_snippet pkg-config
    own_desktop
    check_game "$GAME_DIR/game"
    ;;
windows-find_package)
    [ -d "$WORK/qx-windows" ] || fail "no install tree in $WORK/qx-windows (the windows-install route makes it)"
    new_game windows-find_package find_package
    run_snippet windows-find_package
    # Run as the README says (LANG=ja_JP.UTF-8 wine ...).
    CLASS=game.exe check_game "$(as_written windows-run "$GAME_DIR")" wine-as-written || exit 1
    timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null
    rm -f "$GAME_DIR/shot.png"
    run_snippet desktop-shot-windows
    client_in "$GAME_DIR/shot.png"
    check_png "$GAME_DIR/shot.png" "$CX" "$CY"
    timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null
    ;;
windows-pkg-config)
    [ -d "$WORK/qx-windows" ] || fail "no install tree in $WORK/qx-windows (the windows-install route makes it)"
    new_game windows-pkg-config
    run_snippet windows-pkg-config
    check_game "$GAME_DIR/game.exe" wine
    ;;
web-install)
    rm -rf "$WORK/qx-web"
    cmake --install "$TREE" --prefix "$WORK/qx-web" >/dev/null || fail "cmake --install $TREE failed"
    check_tree "$WORK/qx-web" lib web
    ;;
subdirectory-web)
    new_game subdirectory-web subdirectory
    ln -s "$SRC" "$GAME_DIR/qx"
    run_snippet subdirectory-web
    warnings=$(grep -i 'warning' "$GAME_DIR/subdirectory-web.log")
    [ -z "$warnings" ] || fail "the browser build from a clean folder printed warnings:
$warnings"
    ok "the browser build from a clean folder printed no warning"
    check_page "$GAME_DIR" build-web/game.html
    # The README's screenshot by Chromium's own flags: the 640 x 400 canvas
    # in the middle of an 800 x 480 screen area, above the status line.
    rm -f "$GAME_DIR/shot-web.png"
    run_snippet web-shot
    check_png "$GAME_DIR/shot-web.png" 80 40
    ;;
web-cache)
    new_game web-cache subdirectory
    ln -s "$SRC" "$GAME_DIR/qx"
    cache=$GAME_DIR/cache
    mkdir -p "$cache"
    # What a build stopped midway would leave: taken for nothing, removed.
    ft=$(apt-get source -q --print-uris freetype 2>/dev/null | sed -n 's/.* freetype_\(.*\)\.dsc .*/\1/p')
    em=$(tr -d '"\n' </usr/share/emscripten/emscripten-version.txt)
    [ -n "$ft" ] && [ -n "$em" ] || fail "cannot tell the FreeType ($ft) or Emscripten ($em) version"
    mkdir -p "$cache/freetype-$ft-emscripten-$em.tmp-stale/prefix/lib"
    touch "$cache/freetype-$ft-emscripten-$em.tmp-stale/prefix/lib/libfreetype.a"
    for n in 1 2; do
        cmake -S "$GAME_DIR" -B "$GAME_DIR/build$n" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/emscripten.cmake" \
              -DQX_WEB_CACHE="$cache" >"$GAME_DIR/configure$n.log" 2>&1 &
        eval "pid$n=\$!"
    done
    wait "$pid1" || { cat "$GAME_DIR/configure1.log"; fail "the first of two configurations at once failed"; }
    wait "$pid2" || { cat "$GAME_DIR/configure2.log"; fail "the second of two configurations at once failed"; }
    built=$(grep -l 'FreeType for WebAssembly: building' "$GAME_DIR"/configure?.log | wc -l)
    waited=$(grep -l 'another build is making' "$GAME_DIR"/configure?.log | wc -l)
    [ "$built" = 1 ] && [ "$waited" = 1 ] ||
        fail "of two configurations at once, $built built FreeType and $waited waited for the other (expected one each)"
    entries=$(cd "$cache" && ls -A | sort | tr '\n' ' ')
    [[ $entries =~ ^freetype-[^\ ]+-emscripten-[0-9.]+\ freetype-[^\ ]+-emscripten-[0-9.]+\.lock\ $ ]] &&
        [ -f "$cache/${entries%% *}/lib/libfreetype.a" ] ||
        fail "the cache holds '$entries', expected one entry with lib/libfreetype.a and its lock"
    for n in 1 2; do
        grep -qx "FREETYPE_LIBRARY:FILEPATH=$cache/${entries%% *}/lib/libfreetype.a" "$GAME_DIR/build$n/CMakeCache.txt" ||
            fail "build$n does not take FreeType from $cache/${entries%% *}"
    done
    ok "two configurations at once: one built ${entries%% *}, the other waited and took it; the stale scratch folder is gone"
    cmake -S "$GAME_DIR" -B "$GAME_DIR/build3" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/emscripten.cmake" \
          -DQX_WEB_CACHE="$cache" >"$GAME_DIR/configure3.log" 2>&1 || fail "a third configuration failed"
    ! grep -q 'FreeType for WebAssembly: ' "$GAME_DIR/configure3.log" || fail "a third build folder did not take the cached FreeType"
    ok "a third build folder takes the cached FreeType as it is"
    ;;
web-find_package)
    [ -d "$WORK/qx-web" ] || fail "no install tree in $WORK/qx-web (the web-install route makes it)"
    new_game web-find_package find_package
    run_snippet web-find_package-build
    check_page "$GAME_DIR" build-web/game.html
    ;;
ship)
    for tree in qx qx-windows qx-web; do
        [ -d "$WORK/$tree" ] || fail "no install tree in $WORK/$tree (the install routes make them)"
    done
    GAME_DIR=$WORK/ship
    rm -rf "$GAME_DIR"
    mkdir -p "$GAME_DIR/pics"
    snippet star.cpp >"$GAME_DIR/star.cpp" || exit 1
    snippet ship >"$GAME_DIR/CMakeLists.txt" || exit 1
    # A yellow disc on the magenta that star.cpp leaves out.
    convert -size 32x32 xc:'#FF00FF' +antialias -fill '#FFFF00' -draw 'circle 16,16 16,4' \
        -type TrueColor "BMP3:$GAME_DIR/pics/star.bmp" || fail "could not make pics/star.bmp"
    run_snippet ship-build
    # Every archive is unpacked into a fresh folder, away from the build.
    fresh=$(mktemp -d "${TMPDIR:-/tmp}/package_ship.XXXXXX")
    trap 'rm -rf "$fresh"' EXIT
    listing() { tar -tf "$1" 2>/dev/null || cmake -E tar tf "$1"; }

    # Linux: the start script runs the game in its folder, wherever it is
    # started from (here, a folder without pictures).
    archive=$GAME_DIR/build/ship/star-linux.tar.gz
    [ "$(listing "$archive" | grep -v '/$' | sort | tr '\n' ' ')" = "star/bin/star star/pics/star.bmp star/star " ] ||
        fail "$archive holds $(listing "$archive" | tr '\n' ' ')"
    mkdir -p "$fresh/linux" "$fresh/elsewhere"
    tar -xzf "$archive" -C "$fresh/linux" || fail "could not unpack $archive"
    printf '500 shot %s\n600 down A\n' "$fresh/star.png" >"$fresh/keys.txt"
    (cd "$fresh/elsewhere" && QX_HEADLESS=1 QX_SCRIPT="$fresh/keys.txt" "$fresh/linux/star/star" >"$fresh/linux.log" 2>&1)
    status=$?
    [ "$status" = 1 ] || { cat "$fresh/linux.log"; fail "the shipped Linux game ended with status $status, expected 1"; }
    check_star "$fresh/star.png" 0 0
    ok "star-linux.tar.gz: star/star started from another folder finds pics/ beside it, headless; status 1"
    # What it needs of the system: every library ldd finds comes with a
    # package of the README's runtime line, or one that line pulls in.
    line=$(snippet runtime-packages) || exit 1
    wanted=$(sed 's/^sudo apt-get install //' <<<"$line")
    grep -q -- '-dev\b' <<<"$wanted" && fail "the README's runtime packages include -dev packages: $wanted"
    grep -qF "sudo apt-get install $wanted" "$fresh/linux/star/star" ||
        fail "the start script names other packages than the README's line ($wanted)"
    closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
              --no-enhances $wanted 2>/dev/null | grep -v '^ ' | sed 's/:.*//; s/[<>]//g' | sort -u)
    missing=
    while read -r lib; do
        owner=$(package_of "$(readlink -f "$lib")") || fail "no package holds $lib, which the game loads"
        grep -qx "$owner" <<<"$closure" || missing+=" $lib($owner)"
    done < <(ldd "$fresh/linux/star/bin/star" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }')
    [ -z "$missing" ] || fail "the game loads libraries from packages the README's runtime line does not bring:$missing"
    ok "every library the game loads comes with the README's runtime packages: $wanted"

    # Windows: star.exe from its folder under Wine, as a player would.
    archive=$GAME_DIR/build-windows/ship/star-windows.zip
    [ "$(listing "$archive" | grep -v '/$' | sort | tr '\n' ' ')" = "star/pics/star.bmp star/star.exe " ] ||
        fail "$archive holds $(listing "$archive" | tr '\n' ' ')"
    mkdir -p "$fresh/windows"
    (cd "$fresh/windows" && cmake -E tar xf "$archive") || fail "could not unpack $archive"
    printf '#!/bin/bash\ncd %q && exec env LANG=ja_JP.UTF-8 wine star.exe\n' "$fresh/windows/star" >"$fresh/windows.run"
    chmod +x "$fresh/windows.run"
    EXPECT=star CLASS=star.exe check_game "$fresh/windows.run" wine-as-written || exit 1
    ok "star-windows.zip: star.exe runs from its folder under Wine and finds pics/"
    timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null

    # The browser: the page from a folder of the server, not its root.
    archive=$GAME_DIR/build-web/ship/star-web.zip
    [ "$(listing "$archive" | grep -v '/$' | sort | tr '\n' ' ')" = "star/index.html star/star.data star/star.html star/star.js star/star.wasm " ] ||
        fail "$archive holds $(listing "$archive" | tr '\n' ' ')"
    mkdir -p "$fresh/web/games/2024"
    (cd "$fresh/web/games/2024" && cmake -E tar xf "$archive") || fail "could not unpack $archive"
    check_page "$fresh/web" games/2024/star/index.html star
    ok "star-web.zip: the page works served from games/2024/star/"
    ;;
*)
    fail "unknown route '$ROUTE'"
    ;;
esac
