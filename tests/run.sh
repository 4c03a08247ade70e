#!/usr/bin/env bash
# The test command. Installs what is missing, then builds and runs:
#   - the native build: unit tests and end-to-end tests of the sample and
#     of the example game, and the drawing differential (the same random
#     drawing script natively and under Wine, surfaces compared);
#   - the same unit tests, and the sample (keys, the quit box, the close
#     button, its window, no display) and the game driven end to end, under
#     AddressSanitizer and UndefinedBehaviorSanitizer;
#   - the Windows build (mingw-w64): its unit tests, and the end-to-end tests
#     of sample.exe and of the game where Wine can support them, under Wine;
#   - the package presets' builds (native, Windows, browser), from which the
#     native run installs, packs, builds and ships games by each route a game
#     author would take;
#   - the browser build (Emscripten): its pages served on 127.0.0.1 and
#     driven in headless Chromium;
#   - the BMP loader's fuzzer for about a minute (libFuzzer, ASan + UBSan;
#     tests/fuzz/campaign.sh, which also runs long campaigns).
# Everything that needs a desktop runs on a virtual one started here.
set -uo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

bash .ci/deps.sh || exit 1

build() {  # preset [extra configure arguments]
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null && cmake --build --preset "$preset"
}
build windows || exit 1
build package || exit 1
build windows-package || exit 1
build web-package || exit 1
build web || exit 1
build default -DQX_WINE_SAMPLE="$(pwd)/build/windows/sample.exe" \
  -DQX_WINE_GAME="$(pwd)/build/windows/examples/hoshizora.exe" \
  -DQX_WINE_DRAW_DIFF="$(pwd)/build/windows/tests/diff/draw_diff.exe" \
  -DQX_PACKAGE_BUILD="$(pwd)/build/package" -DQX_WINDOWS_PACKAGE_BUILD="$(pwd)/build/windows-package" \
  -DQX_WEB_PACKAGE_BUILD="$(pwd)/build/web-package" \
  -DQX_WEB_BUILD="$(pwd)/build/web" || exit 1
build sanitize || exit 1
build fuzz || exit 1

. .ci/desktop.sh
start_desktop || exit 1
prefix_dir=$(mktemp -d)
cleanup() {
  WINEPREFIX="$prefix_dir/prefix" wineserver -k 2>/dev/null
  stop_desktop
  rm -rf "$prefix_dir"
}
trap cleanup EXIT
echo "Virtual desktop on DISPLAY=$DISPLAY"

# A fresh Wine prefix, made quietly. The Japanese locale makes Wine's ANSI
# code page 932, as the runtime's texts are.
export WINEPREFIX="$prefix_dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1
wineserver -w

passed=0
failed=0
run_suite() {  # title, then the ctest command
  local title=$1 log
  shift
  log=$(mktemp)
  echo
  echo "== $title"
  "$@" 2>&1 | tee "$log"
  local counts
  counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$counts" ]; then
    failed=$((failed + 1))
  else
    local f t
    f=$(echo "$counts" | awk '{print $1}')
    t=$(echo "$counts" | awk '{print $NF}')
    passed=$((passed + t - f))
    failed=$((failed + f))
  fi
  rm -f "$log"
}
run_suite "Native: unit, end-to-end, package and page tests (and end-to-end tests of sample.exe under Wine)" \
  ctest --preset default
run_suite "Under AddressSanitizer and UndefinedBehaviorSanitizer: native unit tests, and end-to-end tests of the sample" \
  ctest --preset sanitize
run_suite "Windows build: unit tests under Wine" \
  env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ctest --preset windows

echo
echo "== Fuzzing the BMP loader for 60 s from its seed corpus"
fuzz_dir=build/fuzz/run
rm -rf "$fuzz_dir"
if bash tests/fuzz/campaign.sh -t 60 "$fuzz_dir"; then
  passed=$((passed + 1))
else
  echo "the inputs are in $fuzz_dir"
  failed=$((failed + 1))
fi

echo
echo "Test command took $(( $(date +%s) - start )) s."
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
