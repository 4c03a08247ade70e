#!/usr/bin/env bash
# The literal step's speed (qx-cp932) on generated sources: 500, 16,000 and
# 32,000 Japanese literals, 452 KB of code with a single Japanese comment,
# and 1.5 MB of literals. For each, the best of three runs of
#   g++ -E SRC                         (the preprocessor alone)
#   qx-cp932 g++ -E SRC                (the step: the preprocessor, then the rewrite)
#   g++ -fexec-charset=CP932 -c SRC    (the compiler converting by itself)
#   qx-cp932 g++ -c SRC                (the step in front of the compilation)
# and the ratios step / preprocessor and step / compiler's own conversion.
#
#     bash bench/literals.sh [QX_CP932] [--before OLD_STEP.cmake [--before-max BYTES]]
#
# QX_CP932 defaults to build/default/qx_cp932/qx-cp932. --before times a
# CMake-language step run as `cmake -P OLD_STEP.cmake IN OUT` (once, on
# sources up to --before-max bytes, 500,000 unless given: it is quadratic).
set -euo pipefail
cd "$(dirname "$0")/.."

tool=build/default/qx_cp932/qx-cp932
before="" before_max=500000
while [ $# -gt 0 ]; do
    case $1 in
    --before) before=$2; shift 2 ;;
    --before-max) before_max=$2; shift 2 ;;
    *) tool=$1; shift ;;
    esac
done
[ -x "$tool" ] || { echo "no qx-cp932 at $tool (build the default preset, or name one)" >&2; exit 1; }
cxx=${CXX:-g++}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# N lines, each a global initialised with a Japanese literal.
literals() {
    awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) printf "extern const char s%d[] = \"表示テスト%d 漢字かなソ\";\n", i, i }'
}
literals 500 >"$work/literals_500.cpp"
literals 16000 >"$work/literals_16000.cpp"
literals 32000 >"$work/literals_32000.cpp"
# Code with ASCII literals and comments, none to convert, and one Japanese
# comment.
awk 'BEGIN { print "// 漢字のコメント"
             for (i = 0; size < 452 * 1024; i++) {
                 line = sprintf("extern const char a%d[] = \"x%d\"; extern const int c%d = '"'"'#'"'"' / 2; // n%d", i, i, i, i)
                 print line; size += length(line) + 1 } }' >"$work/comment_452k.cpp"
# 1.5 MB of literals.
awk 'BEGIN { for (i = 0; size < 1536 * 1024; i++) { line = sprintf("extern const char t%d[] = \"表示テスト%d 漢字かなソ\";", i, i); print line; size += length(line) + 1 } }' \
    >"$work/literals_1.5M.cpp"

now() { date +%s.%N; }
# The best of three runs of a command, in seconds.
best() {
    local best="" t0 t1 d
    for _ in 1 2 3; do
        t0=$(now)
        "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        t1=$(now)
        d=$(echo "$t1 - $t0" | bc)
        if [ -z "$best" ] || [ "$(echo "$d < $best" | bc)" = 1 ]; then best=$d; fi
    done
    printf '%.3f' "$best"
}

printf '%-20s %9s %8s %9s %8s %8s %8s %9s %8s\n' source bytes before "cpp -E" step ratio "cc -c" "step -c" ratio
for name in literals_500 literals_16000 literals_32000 comment_452k literals_1.5M; do
    src=$work/$name.cpp
    bytes=$(stat -c %s "$src")
    old=-
    if [ -n "$before" ] && [ "$bytes" -le "$before_max" ]; then
        t0=$(now)
        cmake -P "$before" "$src" "$work/old.cpp" >/dev/null
        t1=$(now)
        old=$(printf '%.1f' "$(echo "$t1 - $t0" | bc)")
    fi
    e=$(best "$cxx" -std=c++20 -E "$src" -o "$work/out.ii")
    step=$(best "$tool" "$cxx" -std=c++20 -E "$src" -o "$work/out.ii")
    cc=$(best "$cxx" -std=c++20 -O2 -fexec-charset=CP932 -c "$src" -o "$work/ref.o")
    stepc=$(best "$tool" "$cxx" -std=c++20 -O2 -c "$src" -o "$work/step.o")
    cmp -s "$work/ref.o" "$work/step.o" || { echo "$name: the step's object differs from -fexec-charset=CP932's" >&2; exit 1; }
    printf '%-20s %9d %8s %9s %8s %8.2f %8s %9s %8.2f\n' "$name" "$bytes" "$old" "$e" "$step" \
        "$(echo "$step / $e" | bc -l)" "$cc" "$stepc" "$(echo "$stepc / $cc" | bc -l)"
done
echo "(seconds; before: the CMake-language step, one run; the rest: best of three; ratio: step / the same without it)"
