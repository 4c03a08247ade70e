#!/usr/bin/env bash
# Tries the README's two commands as a new user would: each on a fresh,
# minimal Debian 12 of its own, and says what each downloaded and how long
# it took.
#
#   bash .ci/fresh.sh [--keep] [sample] [tests]      (default: both)
#   bash .ci/fresh.sh [--keep] player GAME-linux.tar.gz
#
# player: a game shipped by qx_ship_game, on a Debian 12 with nothing but
# the README's runtime packages installed (its `apt-get install` line, as a
# player types it): unpacked, started headless from another folder, a shot
# of it taken after 1 s (build/fresh/player.png), then its close button,
# whose quit box nobody answers (status 3), whatever the game.
#
# The Debian is made once with debootstrap --variant=minbase (kept in
# build/fresh/base) and copied for each try. A try gets this machine's apt
# sources and certificate bundle, the repository's files as a clone would
# have them (those git tracks, and new ones it does not ignore, as they are
# in the work tree), and runs the README's command as root in a chroot, with
# /proc, /sys, /dev and /dev/shm mounted and no display. Afterwards every
# process left in the chroot is ended, and everything mounted is unmounted;
# the try's folder is removed unless --keep is given. Logs and the sample's
# screenshot go to build/fresh/. Needs root and debootstrap.
set -uo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
top=$src/build/fresh
keep=0
tries=()
archive=
while [ $# -gt 0 ]; do
  case $1 in
  --keep) keep=1 ;;
  sample | tests) tries+=("$1") ;;
  player)
    archive=$(realpath "${2:-}" 2>/dev/null) && [ -f "$archive" ] && [[ $archive == *-linux.tar.gz ]] ||
      { echo "fresh.sh player: name a game's -linux.tar.gz" >&2; exit 2; }
    tries+=(player)
    shift ;;
  *) echo "usage: bash .ci/fresh.sh [--keep] [sample] [tests] [player GAME-linux.tar.gz]" >&2; exit 2 ;;
  esac
  shift
done
[ ${#tries[@]} -gt 0 ] || tries=(sample tests)
[ "$(id -u)" -eq 0 ] || { echo "fresh.sh runs as root (debootstrap, chroot, mount)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "fresh.sh needs debootstrap: apt-get install debootstrap" >&2; exit 2; }
mkdir -p "$top"

# The README's two commands: the lines of its first shell block.
mapfile -t commands < <(awk '/^```sh$/ { inside = 1; next } inside && /^```/ { exit } inside' README.md |
                         sed 's/ *#.*$//')
command_for() {
  local c
  if [ "$1" = player ]; then
    # The README's runtime line, with -y for a shell nobody answers; then the
    # game unpacked in /root/game and started from /, headless.
    c=$(awk '$0 == "<!-- test: runtime-packages -->" { want = 1; next }
             want && /^```/ { if (inside) exit; inside = 1; next } inside' README.md) || return 1
    c=${c#sudo }
    [[ $c == "apt-get install "* ]] || return 1
    local game
    game=$(basename "$archive" -linux.tar.gz)
    echo "apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive ${c/install/install -y -q} >/dev/null &&" \
         "mkdir -p /root/game && tar -xzf /root/game.tar.gz -C /root/game &&" \
         "printf '1000 shot /root/shot.png\\n1100 close\\n' >/root/keys.txt &&" \
         "{ cd / && QX_HEADLESS=1 QX_SCRIPT=/root/keys.txt /root/game/$game/$game; [ \$? = 3 ]; } && test -s /root/shot.png"
    return 0
  fi
  for c in "${commands[@]}"; do
    case $1:$c in sample:*app/run.sh* | tests:*tests/run.sh*) echo "$c"; return 0 ;; esac
  done
  return 1
}

base=$top/base
if [ ! -x "$base/usr/bin/apt-get" ]; then
  echo "== debootstrap --variant=minbase bookworm into $base"
  rm -rf "$base.new"
  debootstrap --variant=minbase bookworm "$base.new" http://deb.debian.org/debian >"$top/debootstrap.log" 2>&1 ||
    { tail -20 "$top/debootstrap.log"; echo "debootstrap failed (log: $top/debootstrap.log)" >&2; exit 1; }
  rm -rf "$base"
  mv "$base.new" "$base"
fi

root=
mounted=()
# Ends the processes whose root is the try's folder (by their id), then
# unmounts what was mounted there, innermost first.
release() {
  [ -n "$root" ] || return 0
  local p r
  for _ in 1 2 3; do
    local left=()
    for p in /proc/[0-9]*; do
      r=$(readlink "$p/root" 2>/dev/null) || continue
      [ "$r" = "$root" ] && left+=("${p#/proc/}")
    done
    [ ${#left[@]} -eq 0 ] && break
    kill -9 "${left[@]}" 2>/dev/null
    sleep 1
  done
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
  done
  mounted=()
}
trap release EXIT
mount_in() {  # mount arguments... target
  mount "$@" || return 1
  mounted+=("${@: -1}")
}

# Removes a try's folder, never while anything is mounted under it (a /dev
# bound there would be emptied with it).
remove_try() {
  if awk -v r="$1/" 'index($2 "/", r) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
    echo "something is still mounted under $1: not removing it" >&2
    return 1
  fi
  rm -rf --one-file-system "$1"
}

# Bytes of what apt, apt-get source and npm keep of what they fetched.
fetched() {
  du -sb "$root/var/cache/apt/archives" "$root/var/lib/apt/lists" "$root/root/.npm" 2>/dev/null |
    awk '{ n += $1 } END { print n + 0 }'
}

status=0
for try in "${tries[@]}"; do
  cmd=$(command_for "$try") || { echo "the README's first shell block has no command for '$try'" >&2; exit 1; }
  root=$top/$try
  log=$top/$try.log
  echo "== $try: '$cmd' on a fresh minimal Debian 12 ($root; log $log)"
  remove_try "$root" || exit 1
  cp -a "$base" "$root"
  # This machine's sources in place of debootstrap's own entry.
  rm -f "$root/etc/apt/sources.list"
  cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null
  [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/"
  rm -f "$root"/etc/apt/sources.list.d/qx-src-*  # deps.sh adds its own deb-src entries
  cp /etc/apt/apt.conf.d/99artifact-registry "$root/etc/apt/apt.conf.d/" 2>/dev/null
  # The certificate bundle, also under a name of its own: installing
  # ca-certificates rewrites ca-certificates.crt from Debian's certificates.
  mkdir -p "$root/etc/ssl/certs"
  cp /etc/ssl/certs/ca-certificates.crt "$root/etc/ssl/certs/"
  cp /etc/ssl/certs/ca-certificates.crt "$root/etc/fresh-ca-bundle.crt"
  cp /etc/resolv.conf "$root/etc/"
  mkdir -p "$root/root/qx"
  if [ "$try" = player ]; then
    cp "$archive" "$root/root/game.tar.gz"
  else
    git ls-files -z --cached --others --exclude-standard | xargs -0 stat -c '%n' 2>/dev/null |
      tar -C "$src" -cf - -T - | tar -C "$root/root/qx" -xf -
  fi
  mount_in -t proc proc "$root/proc" && mount_in -t sysfs sys "$root/sys" &&
    mount_in --bind /dev "$root/dev" && mount_in --bind /dev/pts "$root/dev/pts" &&
    mount_in -t tmpfs -o mode=1777 shm "$root/dev/shm" || { echo "mounting into $root failed" >&2; exit 1; }
  before=$(fetched)
  start=$(date +%s)
  nice -n 10 chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin CMAKE_BUILD_PARALLEL_LEVEL=2 \
    SSL_CERT_FILE=/etc/fresh-ca-bundle.crt NODE_EXTRA_CA_CERTS=/etc/fresh-ca-bundle.crt \
    bash -c "cd /root/qx && $cmd" >"$log" 2>&1
  rc=$?
  seconds=$(($(date +%s) - start))
  mb=$(awk -v a="$before" -v b="$(fetched)" 'BEGIN { printf "%.0f", (b - a) / 1e6 }')
  if [ "$try" = player ] && [ -f "$root/root/shot.png" ]; then
    cp "$root/root/shot.png" "$top/player.png"
  fi
  if [ "$try" = sample ]; then
    shot=$(find "$root/root/qx/build" -maxdepth 1 -name 'sample-*.png' | head -1)
    [ -n "$shot" ] && cp "$shot" "$top/sample.png"
    [ "$rc" = 0 ] && [ -z "$shot" ] && { echo "it printed no screenshot" >>"$log"; rc=1; }
  fi
  tail -3 "$log" | sed 's/^/   /'
  echo "$try: status $rc, downloaded $mb MB (apt's archives and lists, npm's cache), $seconds s" | tee -a "$top/summary.txt"
  [ "$rc" = 0 ] || status=1
  release
  [ "$keep" = 1 ] || remove_try "$root"
  root=
done
exit $status
