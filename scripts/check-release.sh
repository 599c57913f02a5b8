#!/usr/bin/env bash
# Proves the release programs on bare Debian 12 and 13 systems that hold only SDL2's and Mesa's
# runtime packages: packed shows play to their end, the player maps nothing else, its frames match
# the reference build's, and recording without FFmpeg fails with its one-line message.
# Usage (as root): scripts/check-release.sh [release-dir] [reference-build-dir]
#   defaults: release/ and build/ of this repository.
# Environment: DEBIAN_MIRROR (default: the first non-security URI in apt's sources),
#   DEMO_ROOTS (default ~/.cache/demoplayer/roots; one minimal root per suite, reused when present),
#   DEMO_SUITES (default "bookworm trixie"), DEMO_FRAME_TOLERANCE (see below).
set -euo pipefail
started=$SECONDS
repo=$(cd "$(dirname "$0")/.." && pwd)
helpers=$repo/scripts/check-release
release=$(realpath "${1:-$repo/release}")
reference=$(realpath "${2:-$repo/build}")
roots=${DEMO_ROOTS:-${XDG_CACHE_HOME:-$HOME/.cache}/demoplayer/roots}
suites=${DEMO_SUITES:-bookworm trixie}
python=/usr/bin/python3  # Debian's, which has python3-pil

# The player may map a shared library only when a package in the dependency closure of these
# (Depends and Pre-Depends, every alternative, virtual packages through their providers) lists it,
# as the root's dpkg database tells: SDL2's, GL's and Mesa's libraries, and the C library they need.
runtime_packages=(libsdl2-2.0-0 libgl1 libglx-mesa0 libgl1-mesa-dri libegl1 libegl-mesa0)
root_packages=("${runtime_packages[@]}" xvfb xauth)
host_packages=(debootstrap xvfb xauth sox libsox-fmt-base libsox-fmt-mp3 python3-pil)
# Packages whose presence would let a show run that should not: development files, FFmpeg, and
# the libraries the release player is meant to carry inside itself.
forbidden='(-dev$|^libav(codec|format|util|filter|device)|^libsw(scale|resample)|^libsdl2-(mixer|ttf|image)|tinygltf|kissfft|modplug|^libstb)'
frame_options=(--size 320x180 --fps 10 --end 2)
# Frames must equal the reference build's exactly: Debian 12's llvmpipe (Mesa 22.3) and Debian
# 13's (Mesa 25.0) both draw these shows byte for byte as the host does. A later Mesa may round
# differently; DEMO_FRAME_TOLERANCE then allows each channel that much difference.
tolerance=${DEMO_FRAME_TOLERANCE:-0}

failures=0
checks=0
mounts=()
root_work=()

say() { printf '%s\n' "$*"; }

# check NAME COMMAND...: runs one check, prints its PASS or FAIL line and, on failure, its output.
check() {
  local name=$1 output
  shift
  checks=$((checks + 1))
  if output=$("$@" 2>&1); then
    say "PASS  $name${output:+  ($(tail -n1 <<<"$output"))}"
  else
    failures=$((failures + 1))
    say "FAIL  $name"
    [ -z "$output" ] || sed 's/^/      /' <<<"$output" | tail -n 20
  fi
}

leave_root() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  mounts=()
  for i in "${root_work[@]}"; do rm -rf "$i"; done
  root_work=()
}

cleanup() {
  leave_root
  rm -rf "${work:-}"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

apt_mirror() {
  {
    awk '/^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) print $i }' /etc/apt/sources.list.d/*.sources
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
      awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { if ($i !~ /security/) print $i; break } }'
  } 2>/dev/null | head -n1 || true  # files that are absent are no fault
}

install_host_packages() {
  local missing=() p
  for p in "${host_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# A display number no X server uses, on the host or in a root (they share abstract sockets).
free_display() {
  local n
  for ((n = 200 + RANDOM % 200; n < 1000; n++)); do
    [ -e "/tmp/.X$n-lock" ] || grep -q "/tmp/.X11-unix/X$n\$" /proc/net/unix || { echo "$n"; return; }
  done
  return 1
}

make_root() {
  local suite=$1 dir=$roots/$1 began=$SECONDS
  [ -e "$dir/.complete" ] && { say "reused $dir"; return; }
  # An unfinished root is made again, but never removed while something is mounted in it.
  ! grep -q " $dir/" /proc/mounts || { say "something is mounted in $dir"; return 1; }
  rm -rf "$dir"
  mkdir -p "$dir"
  if ! debootstrap --variant=minbase --include="$(IFS=,; echo "${root_packages[*]}")" \
    "$suite" "$dir" "$mirror" >"$work/debootstrap-$suite.log" 2>&1; then
    tail -n 20 "$work/debootstrap-$suite.log"
    return 1
  fi
  touch "$dir/.complete"
  say "made $dir in $((SECONDS - began)) s"
}

mount_into() {
  local root=$1
  mount -t proc proc "$root/proc" && mounts+=("$root/proc")
  mount --bind /dev "$root/dev" && mounts+=("$root/dev")
  mount --bind /sys "$root/sys" && mounts+=("$root/sys")
}

# in_root ROOT COMMAND...: runs COMMAND in the root's check folder under Xvfb, with silent audio.
in_root() {
  local root=$1 display
  shift
  display=$(free_display)
  timeout -k 10 300 chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp \
    SDL_AUDIODRIVER=dummy xvfb-run -n "$display" -s "-screen 0 1280x720x24 -nolisten tcp" \
    sh -c 'cd "$0" && exec "$@"' "$inside" "$@"
}

root_is_bare() {
  local extra
  extra=$(chroot "$1" dpkg-query -W -f='${Package}\n' | grep -E "$forbidden" || true)
  [ -z "$extra" ] || { say "installed: $extra"; return 1; }
  say "$(chroot "$1" dpkg-query -W -f='.\n' | wc -l) packages, none of them forbidden"
}

# play ROOT SHOW SECONDS OPTIONS...: plays a packed show in a window to its end, recording what
# the player maps while it runs; fails on an exit status other than 0, a crash or error file, or an
# end sooner than SECONDS of play.
play() {
  local root=$1 show=$2 seconds=$3 began took
  shift 3
  # Sample the maps until the process ends: libraries loaded late are caught too.
  local sampler='maps=$1; shift; "$@" & p=$!
    while m=$(cat /proc/$p/maps 2>/dev/null) && [ -n "$m" ]; do printf "%s\n" "$m"; sleep 0.2; done >"$maps"
    wait $p'
  began=$SECONDS
  in_root "$root" sh -c "$sampler" sh "$show.maps" "./$show" --window 320x180 "$@" >"$root$inside/$show.log" 2>&1 || {
    local status=$?
    tail -n 5 "$root$inside/$show.log"
    say "exit status $status"
    return 1
  }
  took=$((SECONDS - began))
  ! ls "$root$inside"/{crash.txt,error.log} 2>/dev/null || { say "it wrote the file above"; return 1; }
  [ "$took" -ge "$seconds" ] || { say "ended after $took s, before its end"; return 1; }
  touch "$root$inside/$show.played"
  say "exit status 0 after $took s"
}

# Maps count only from a player that played: one that failed to start maps the loader's few.
check_maps() {
  [ -e "$1$inside/$2.played" ] || { say "the show did not play"; return 1; }
  "$python" "$helpers/check_maps.py" "$1" "$1$inside/$2.maps" "${runtime_packages[@]}"
}

# render ROOT SHOW FOLDER OPTIONS...: renders a show's frames and sound into FOLDER in the root.
render() {
  local root=$1 show=$2 folder=$3
  shift 3
  in_root "$root" "./$show" --frames "$folder" "$@" >"$root$inside/$folder.log" 2>&1 ||
    { tail -n 5 "$root$inside/$folder.log"; return 1; }
}

frames_match() {
  local root=$1 show=$2
  render "$root" "$show" "$show.frames" "${frame_options[@]}" &&
    "$python" "$helpers/compare_frames.py" "$work/reference/$show" "$root$inside/$show.frames" "$tolerance"
}

media_decoded() {
  local root=$1 show=$2
  render "$root" "$show" "$show.media" --size 320x180 --fps 10 --end 6 &&
    "$python" "$helpers/check_media.py" "$root$inside/$show.media"
}

# Without FFmpeg, --record fails with exit status 1 and one line naming its libraries and packages,
# and leaves no file behind.
record_refused() {
  local root=$1 show=$2 status=0 errors
  in_root "$root" "./$show" --record out.mp4 "${frame_options[@]}" >/dev/null 2>"$root$inside/record.err" || status=$?
  errors=$(cat "$root$inside/record.err")
  say "$errors"
  [ "$status" -eq 1 ] || { say "exit status $status, not 1"; return 1; }
  [ "$(grep -c . <<<"$errors")" -eq 1 ] || { say "not one line on stderr"; return 1; }
  grep -q 'libavcodec\.so\.59' <<<"$errors" && grep -q 'libavcodec59' <<<"$errors" ||
    { say "the line does not name libavcodec.so.59 and the package libavcodec59"; return 1; }
  ! ls "$root$inside"/out.mp4* 2>/dev/null || { say "a file was left"; return 1; }
}

pack() {
  local project=$1 out=$2
  "$release/demopack" pack "$project" --exe "$release/demoplayer" -o "$work/shows/$out" >/dev/null &&
    say "$(stat -c %s "$work/shows/$out") bytes"
}

reference_frames() {
  local show=$1
  SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x720x24" "$reference/demoplayer" \
    --frames "$work/reference/$show" "${frame_options[@]}" "$work/shows/$show" >"$work/reference/$show.log" 2>&1 ||
    { tail -n 5 "$work/reference/$show.log"; return 1; }
  local frames=("$work/reference/$show"/*.png)
  say "${#frames[@]} frames"
}

check_suite() {
  local suite=$1 root=$roots/$1 show
  check "$suite: minimal root" make_root "$suite"
  [ -e "$root/.complete" ] || return 0
  check "$suite: only SDL2's, GL's, Mesa's and Xvfb's packages" root_is_bare "$root"
  mount_into "$root"
  root_work+=("$root$inside")
  mkdir -p "$root$inside"
  cp "$work/shows"/* "$root$inside/"
  check "$suite: example show plays to its end" play "$root" example 2 --start 66
  check "$suite: example show maps only SDL2's, GL's and Mesa's libraries" check_maps "$root" example
  check "$suite: minimal show plays to its end" play "$root" minimal 2 --start 28
  check "$suite: minimal show maps only SDL2's, GL's and Mesa's libraries" check_maps "$root" minimal
  for show in media-mod media-ogg media-mp3; do
    check "$suite: $show (every media format) plays to its end" play "$root" "$show" 3
    check "$suite: $show maps only SDL2's, GL's and Mesa's libraries" check_maps "$root" "$show"
    check "$suite: $show decodes every medium" media_decoded "$root" "$show"
  done
  for show in example media-mod; do
    check "$suite: $show frames match the reference build's" frames_match "$root" "$show"
  done
  check "$suite: --record without FFmpeg is refused in one line" record_refused "$root" minimal
  leave_root
}

main() {
  [ "$(id -u)" -eq 0 ] || { say "run as root: debootstrap and chroot need it"; exit 2; }
  local program
  for program in "$release/demoplayer" "$release/demopack" "$reference/demoplayer"; do
    [ -x "$program" ] || { say "missing $program"; exit 2; }
  done
  work=$(mktemp -d /tmp/check-release.XXXXXX)
  inside=/tmp/check-release.$$  # the check folder, as the root sees it
  mirror=${DEBIAN_MIRROR:-$(apt_mirror)}
  [ -n "$mirror" ] || { say "no Debian mirror in apt's sources; set DEBIAN_MIRROR"; exit 2; }
  install_host_packages
  say "release: $release   reference: $reference   mirror: $mirror   roots: $roots"

  mkdir -p "$work/shows" "$work/reference"
  "$python" "$helpers/make_media.py" "$repo" "$work/media"
  check "pack the example show" pack "$repo/examples/show/project.json" example
  check "pack the minimal show" pack "$repo/examples/minimal/project.json" minimal
  for music in mod ogg mp3; do
    check "pack the media show with $music music" pack "$work/media/show-$music.json" "media-$music"
  done
  for show in example media-mod; do
    check "reference frames of $show from $reference" reference_frames "$show"
  done

  local suite
  for suite in $suites; do check_suite "$suite"; done

  local took=$((SECONDS - started))
  say "$((checks - failures)) of $checks checks passed, $failures failed; took $((took / 60)) min $((took % 60)) s"
  [ "$failures" -eq 0 ]
}

main
