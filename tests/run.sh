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
#     tests/fuzz/campaign.sh, which also runs long campaigns), and the WAV
#     decoder's for 30 s.
# Everything that needs a desktop runs on a virtual one started here. The
# suites run side by side: the native one on the first desktop, two tests at
# a time (those that share the desktop or the Wine prefix one after the
# other), the sanitizer and Windows suites on a second desktop with a Wine
# prefix of their own; the native package routes start desktops of their
# own. The fuzzer runs alone after them.
#
# bash tests/run.sh --quick is the inner loop: it installs only what the dev
# preset needs, builds it (native, without link-time optimisation), and runs
# its test preset, the tests that need no desktop: the unit tests on the
# headless backend, the headless end-to-end tests, the example game's
# replay, the README's CI lines and the literal step's tests.
set -uo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
quick=0
case ${1:-} in
  "") ;;
  --quick) quick=1 ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac

build() {  # preset [extra configure arguments]
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null && cmake --build --preset "$preset"
}

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

finish() {
  echo
  echo "Test command took $(( $(date +%s) - start )) s."
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

if [ "$quick" = 1 ]; then
  bash .ci/deps.sh dev || exit 1
  build dev || exit 1
  run_suite "Native, without a desktop: unit tests on the headless backend, headless end-to-end tests, the replay" \
    ctest --preset dev
  finish
  exit
fi

bash .ci/deps.sh || exit 1

# The virtual desktop, and two fresh Wine prefixes, made quietly while the
# builds run: one for the native suite's tests under Wine, one for the
# Windows suite, which runs beside it on a desktop of its own. The Japanese
# locale makes Wine's ANSI code page 932, as the runtime's texts are.
. .ci/desktop.sh
start_desktop || exit 1
prefix_dir=$(mktemp -d)
lanes=$(mktemp -d)
cleanup() {
  local prefix
  for prefix in native windows; do WINEPREFIX="$prefix_dir/$prefix" wineserver -k 2>/dev/null; done
  stop_desktop
  rm -rf "$prefix_dir" "$lanes"
}
trap cleanup EXIT
echo "Virtual desktop on DISPLAY=$DISPLAY"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
new_prefix() {  # directory
  env WINEPREFIX="$1" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wineboot -i >/dev/null 2>&1
  WINEPREFIX="$1" wineserver -w
}
new_prefix "$prefix_dir/native" &
native_prefix=$!
new_prefix "$prefix_dir/windows" &
windows_prefix=$!

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
wait "$native_prefix" "$windows_prefix"
export WINEPREFIX="$prefix_dir/native"

# Two lanes side by side, as they share no desktop, no Wine prefix and no
# files: the native suite here; the sanitizer suite, then the Windows suite,
# on a second desktop with the other prefix. The second writes its output to
# a log, shown once the native suite is done, and its counts to a file (none
# written: the lane failed).
(
  passed=0 failed=0
  trap stop_desktop EXIT
  if start_desktop; then
    echo
    echo "(A second virtual desktop, DISPLAY=$DISPLAY)"
    export WINEPREFIX="$prefix_dir/windows"
    run_suite "Under AddressSanitizer and UndefinedBehaviorSanitizer: native unit tests, and end-to-end tests of the sample" \
      ctest --preset sanitize
    run_suite "Windows build: unit tests under Wine" \
      env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 ctest --preset windows
    echo "$passed $failed" >"$lanes/desktop2.counts"
  fi
) >"$lanes/desktop2.log" 2>&1 &
desktop2=$!
run_suite "Native: unit, end-to-end, package and page tests (and end-to-end tests of sample.exe under Wine)" \
  ctest --preset default
wait "$desktop2"
cat "$lanes/desktop2.log"
if [ -s "$lanes/desktop2.counts" ]; then
  read -r p f <"$lanes/desktop2.counts"
  passed=$((passed + p))
  failed=$((failed + f))
else
  echo "(the second desktop's lane ended before it counted its tests)"
  failed=$((failed + 1))
fi

# The fuzzer after both, alone: it is held to a minute of the machine's
# time, and beside the suites it would get a tenth of the executions.
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

# The WAV decoder's fuzzer after it, for 30 s from no corpus but its
# dictionary: its whole input is the file. -timeout=0: no verdict reads the
# wall clock.
echo
echo "== Fuzzing the WAV decoder for 30 s"
wav_fuzz_dir=build/fuzz/wav-run
rm -rf "$wav_fuzz_dir"
mkdir -p "$wav_fuzz_dir/corpus"
if (cd "$wav_fuzz_dir" && nice -n 19 ../tests/fuzz/wav_fuzz -max_total_time=30 -timeout=0 -rss_limit_mb=4096 \
      -dict=../../../tests/fuzz/wav.dict corpus >log 2>&1); then
  passed=$((passed + 1))
  tail -1 "$wav_fuzz_dir/log"
else
  tail -20 "$wav_fuzz_dir/log"
  echo "the inputs are in $wav_fuzz_dir"
  failed=$((failed + 1))
fi

finish
