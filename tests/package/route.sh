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
# The README's shell lines run with HOME set to WORK_DIR, so that its
# "$HOME/qx" and "$HOME/qx-windows" are the trees made here.
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

# Runs the README's shell snippet NAME in GAME_DIR, HOME being WORK.
run_snippet() {
    local script
    script=$(snippet "$1") || exit 1
    (cd "$GAME_DIR" && HOME=$WORK CMAKE_GENERATOR=Ninja bash -euo pipefail -c "$script") ||
        fail "the README's '$1' lines failed in $GAME_DIR"
    ok "the README's '$1' lines built the game"
}

# cmake on GAME_DIR into GAME_DIR/build with the arguments given, then builds.
cmake_game() {
    cmake -S "$GAME_DIR" -B "$GAME_DIR/build" -G Ninja "$@" >"$GAME_DIR/configure.log" 2>&1 ||
        { cat "$GAME_DIR/configure.log"; fail "configuring $GAME_DIR failed"; }
    cmake --build "$GAME_DIR/build" || fail "building $GAME_DIR failed"
    ok "configured and built $GAME_DIR $*"
}

# Checks that tree PREFIX holds exactly what an install of qx should, with
# its libraries and CMake files in PREFIX/LIBDIR; "windows" as the third
# argument for the cross build's tree (no layer, the toolchain file).
check_tree() {
    local prefix=$1 libdir=$2 windows=${3:-} expected actual
    expected=$(
        echo include/qx/qx.h
        echo bin/qx-cp932
        echo "$libdir/libqx.a"
        echo "$libdir/pkgconfig/qx.pc"
        for f in cp932_literals.cpp qxConfig.cmake qxConfigVersion.cmake qxGame.cmake qxTargets.cmake qxTargets-release.cmake; do
            echo "$libdir/cmake/qx/$f"
        done
        if [ -n "$windows" ]; then
            echo "$libdir/cmake/qx/mingw-w64-x86_64.cmake"
        else
            echo "$libdir/libqxplatform.a"
            (cd "$SRC/platform/include" && find . -type f | sed 's|^\./|include/qx/|')
        fi
    )
    expected=$(sort <<<"$expected")
    actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
    [ "$actual" = "$expected" ] ||
        fail "$prefix holds other files than an install should (< expected, > found):
$(diff <(echo "$expected") <(echo "$actual"))"
    "$prefix/bin/qx-cp932" --version >/dev/null || fail "$prefix/bin/qx-cp932 does not run on this machine"
    ok "$prefix holds the libraries, qx.h$([ -z "$windows" ] && echo ", the layer's windows.h"), the CMake package, qx.pc and the build machine's qx-cp932, and nothing else"
}

# Runs the game GAME (game.exe under Wine when the second argument is
# "wine") on the desktop and checks what it drew: the title, in code page
# 932 as the layer (or Wine) reads it; a filled box in palette colour 9 at
# logical (10,40), 100 x 30; the yellow text of palette colour 14 at
# logical (10,10); black below. A held key ends it with status 1. Runs in a
# subshell of its own, whose exit ends the game and clears its scratch files.
check_game() (
    local game=$1 ms=10000 try box ink yellow below
    export E2E_CLASS=game
    if [ "${2:-}" = wine ]; then
        export E2E_WINE=1 E2E_CLASS=game.exe E2E_WINE_EXE=$game
        game=$SRC/tests/e2e/wine-sample.sh
        ms=30000
    fi
    e2e_init "package_$ROUTE" "$game" "$SCREENTEXT"
    start_sample
    window_titled "はじめてのソフト" "$ms" || {
        running || fail "the game ended with status $(exit_status) before its window appeared"
        fail "no window of the game titled はじめてのソフト within $((ms / 1000)) s"
    }
    ok "window titled はじめてのソフト: its title literal is code page 932"
    sleep 1.2  # Wine moves its window once more after showing it
    client_rect "$WIN"
    for try in 1 2 3 4; do
        shot "game$try"
        box=$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 80)) 200 60)
        [ "$box" = "5454FC 12000" ] && break
        sleep 0.3
    done
    [ "$box" = "5454FC 12000" ] ||
        fail "client (20,80)-(220,140) holds '$box', expected 12000 pixels of 5454FC (palette 9); screenshot $SHOT"
    ok "the box fills client (20,80)-(220,140) in 5454FC"
    # The text is antialiased: its ink is FCFC54 and shades of it over black
    # (red equal to green).
    ink=$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 20)) 300 32 | grep -v '^000000 ')
    yellow=$(awk '$1 == "FCFC54" { print $2 }' <<<"$ink")
    inked=$(awk '{ n += $2 } END { print n + 0 }' <<<"$ink")
    others=$(awk 'substr($1, 1, 2) != substr($1, 3, 2) { print $1 }' <<<"$ink" | tr '\n' ' ')
    [ -n "$yellow" ] && [ "$inked" -ge 200 ] && [ -z "$others" ] ||
        fail "client (20,20)-(320,52) has $inked inked pixels, ${yellow:-0} of them FCFC54 (palette 14), and colours not shades of it: '$others'; expected the text in FCFC54 on black"
    ok "the text: $inked pixels of FCFC54 ink ($yellow of them full) on black in client (20,20)-(320,52)"
    below=$("$SCREENTEXT" colors "$SHOT" $((WX + 20)) $((WY + 160)) 600 220)
    [ "$below" = "000000 132000" ] || fail "client (20,160)-(620,380) holds '$below', expected black only"
    ok "black below"
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
    ROUTE=by-hand check_game "$by_hand"
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
    check_game "$GAME_DIR/build-windows/game.exe" wine
    ;;
windows-pkg-config)
    [ -d "$WORK/qx-windows" ] || fail "no install tree in $WORK/qx-windows (the windows-install route makes it)"
    new_game windows-pkg-config
    run_snippet windows-pkg-config
    check_game "$GAME_DIR/game.exe" wine
    ;;
*)
    fail "unknown route '$ROUTE'"
    ;;
esac
