#!/usr/bin/env bash
# qx in a game's own project with no build type (`cmake -B build`, what most
# people type) against the Release presets: the plasma (bench/plasma.cpp),
# natively (headless) and as a page in headless Chromium, the builds run in
# turns, ROUNDS times each; prints the medians.
#
#   bash bench/no_build_type.sh [ROUNDS]          (default 15; about 8 minutes)
#   QX_SOURCE=DIR bash bench/no_build_type.sh     (the game's qx/ from DIR, another tree of qx)
#
# The game is a subdirectory build of qx (add_subdirectory), in
# build/no_build_type/<the qx folder's name>/. Its own code is built twice: as it comes (no build
# type: unoptimised, the game's business) and with -O2 on plasma.cpp alone,
# which leaves only qx's own code to tell the builds apart.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-15}
src=$(realpath "${QX_SOURCE:-.}")
bash .ci/deps.sh sample web
[ -d tests/web/node_modules ] || bash .ci/deps.sh tests

cmake --preset default >/dev/null
cmake --build --preset default --target bench_plasma
cmake --preset web >/dev/null
cmake --build --preset web --target bench_plasma

work=build/no_build_type/$(basename "$src")
mkdir -p "$work/game"
ln -sfn "$src" "$work/game/qx"
cp bench/plasma.cpp "$work/game/plasma.cpp"
cat >"$work/game/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(game CXX)
add_subdirectory(qx)
qx_add_game(plasma plasma.cpp)
option(GAME_O2 "plasma.cpp itself with -O2" OFF)
if(GAME_O2)
  set_source_files_properties(plasma.cpp PROPERTIES COMPILE_OPTIONS -O2)
endif()
EOF
configure() {  # build folder, then arguments
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S "$work/game" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" --target plasma
}
configure "$work/native"
configure "$work/native-O2" -DGAME_O2=ON
configure "$work/web" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/emscripten.cmake"

# Natively, headless: in turns.
names=("Release preset (-O2, LTO)" "no build type, game -O2" "no build type, game as is")
bins=(build/default/bench/bench_plasma "$work/native-O2/plasma" "$work/native/plasma")
declare -A psets fps
for ((r = 0; r < rounds; r++)); do
  for i in "${!bins[@]}"; do
    out=$(QX_HEADLESS=1 "${bins[i]}" 2>/dev/null) || true
    psets[$i]+="$(awk '/^qx_pset ns/ { print $3 }' <<<"$out") "
    fps[$i]+="$(awk '/^plasma fps/ { print $3 }' <<<"$out") "
  done
done
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "natively, headless, $rounds runs each in turns (median):"
base=$(median <<<"${psets[0]}")
for i in "${!bins[@]}"; do
  m=$(median <<<"${psets[$i]}")
  printf "  %-28s qx_pset %6.1f ns (%.2fx the preset's)  %7.1f FPS  (runs: %s ns)\n" "${names[i]}" "$m" \
    "$(awk -v a="$m" -v b="$base" 'BEGIN { print a / b }')" "$(median <<<"${fps[$i]}")" "${psets[$i]% }"
done

echo "in headless Chromium, $rounds runs each in turns (median):"
node bench/plasma.mjs "$rounds" "web preset (-O2, LTO)=build/web/bench/bench_plasma.html" \
  "no build type=$work/web/plasma.html"
