#!/usr/bin/env bash
# Builds the static 32-bit Windows libjpeg (libjpeg-turbo 2.1.5, libjpeg 6b API) and libtiff
# 4.5.0 that the Windows programs link, from Debian's source packages with Debian's patches
# applied, and installs both into PREFIX_DIR.
#
#   tools/build-win-deps.sh build/win-deps
#
# Sources are fetched with `apt-get source` (a deb-src entry is needed; tools/install-deps.sh
# writes one) into PREFIX_DIR-src, which also holds the unpacked trees, build folders and logs.
# A stamp in PREFIX_DIR names the two source versions and a hash of this script and of the
# toolchain file; when it matches what would be built, the script exits at once. zlib is not
# built here: it comes from the MinGW sysroot (libz-mingw-w64-dev).
set -euo pipefail
umask 022

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 PREFIX_DIR" >&2
  exit 2
fi

say() { echo "win-deps: $*"; }
die() { echo "win-deps: error: $*" >&2; exit 1; }

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
toolchain=$repo/cmake/i686-w64-mingw32.cmake
prefix=$(realpath -m "$1")
work=$prefix-src
downloads=$work/downloads
unavailable=$work/unavailable   # pkg=version lines whose files the archive did not serve
stamp_file=$prefix/.qid-win-deps.stamp

# Source package and the upstream version it must carry.
tiff_pkg=tiff
tiff_upstream=4.5.0
jpeg_pkg=libjpeg-turbo
jpeg_upstream=2.1.5

[ -f "$toolchain" ] || die "toolchain file $toolchain not found"
for tool in apt-get apt-cache dpkg-source cmake ninja nasm i686-w64-mingw32-gcc-posix flock; do
  command -v "$tool" >/dev/null || die "$tool not found (run tools/install-deps.sh as root)"
done

mkdir -p "$downloads"
touch "$unavailable"
# Two builds sharing one prefix (./run and a developer's shell) take turns.
exec 9>"$work/lock"
flock 9

recipe_hash=$(cat "${BASH_SOURCE[0]}" "$toolchain" | sha256sum | cut -d' ' -f1)

# All versions of source package $1 that apt knows, newest first, whose upstream part is $2.
candidates() {
  local pkg=$1 upstream=$2 v up sorted=() i j t
  while read -r v; do
    up=${v#*:}
    up=${up%-*}
    [ "$up" = "$upstream" ] && sorted+=("$v")
  done < <(apt-cache showsrc "$pkg" 2>/dev/null |
           awk -v want="$pkg" '/^Package: /{p=$2} /^Version: /{if (p == want) print $2}' | sort -u)
  for ((i = 0; i < ${#sorted[@]}; i++)); do
    for ((j = i + 1; j < ${#sorted[@]}; j++)); do
      if dpkg --compare-versions "${sorted[j]}" gt "${sorted[i]}"; then
        t=${sorted[i]}; sorted[i]=${sorted[j]}; sorted[j]=$t
      fi
    done
  done
  for v in "${sorted[@]}"; do
    grep -qxF "$pkg=$v" "$unavailable" || echo "$v"
  done
  return 0
}

# The .dsc file name of version $2 of package $1 (without epoch).
dsc_name() { echo "$1_${2#*:}.dsc"; }

# True when the .dsc and every file it lists are in the download folder.
have_sources() {
  local dsc f
  dsc=$downloads/$(dsc_name "$1" "$2")
  [ -f "$dsc" ] || return 1
  while read -r f; do
    [ -f "$downloads/$f" ] || return 1
  done < <(awk '/^Files:/{on=1; next} /^[^ ]/{on=0} on && NF == 3 {print $3}' "$dsc")
  return 0
}

apt_updated=0
refresh_lists() {
  [ $apt_updated -eq 0 ] || return 1
  if [ "$(id -u)" -ne 0 ]; then
    say "apt knows no usable $1 source; not root, so cannot run apt-get update"
    return 1
  fi
  say "refreshing the package lists (apt-get update) to find $1 sources"
  apt-get update -q >"$work/apt-update.log" 2>&1 || { tail -20 "$work/apt-update.log" >&2; return 1; }
  apt_updated=1
}

# Picks and fetches the newest available version of package $1 (upstream $2); prints it.
fetch() {
  local pkg=$1 upstream=$2 v
  while true; do
    for v in $(candidates "$pkg" "$upstream"); do
      if have_sources "$pkg" "$v"; then
        say "using cached $pkg $v" >&2
        echo "$v"; return 0
      fi
      say "fetching $pkg $v (apt-get source --download-only)" >&2
      if (cd "$downloads" && apt-get source -q --download-only "$pkg=$v") >"$work/fetch-$pkg.log" 2>&1 &&
         have_sources "$pkg" "$v"; then
        echo "$v"; return 0
      fi
      say "the archive did not serve $pkg $v; trying an older one" >&2
      grep -E '^(E|W):' "$work/fetch-$pkg.log" | sed 's/^/    /' >&2 || true
      echo "$pkg=$v" >>"$unavailable"
    done
    refresh_lists "$pkg" >&2 || die "no source of $pkg $upstream can be fetched; a deb-src entry is needed (tools/install-deps.sh writes one)"
    : >"$unavailable"
  done
}

# What would be built without touching the network: the newest version not known to be missing.
first_candidate() {
  local all
  all=$(candidates "$1" "$2")
  echo "${all%%$'\n'*}"
}

want_tiff=$(first_candidate $tiff_pkg $tiff_upstream)
want_jpeg=$(first_candidate $jpeg_pkg $jpeg_upstream)
wanted_stamp="tiff=$want_tiff libjpeg-turbo=$want_jpeg recipe=$recipe_hash"
if [ -n "$want_tiff" ] && [ -n "$want_jpeg" ] && [ -f "$stamp_file" ] &&
   [ "$(cat "$stamp_file")" = "$wanted_stamp" ]; then
  say "up to date in $prefix (tiff $want_tiff, libjpeg-turbo $want_jpeg)"
  exit 0
fi

# The prefix is emptied before a build; refuse to empty a folder that this script did not fill.
if [ -d "$prefix" ] && [ -n "$(ls -A "$prefix")" ] && [ ! -f "$stamp_file" ]; then
  die "$prefix is not empty and holds no stamp of this script; give an empty or new folder"
fi

start=$SECONDS
tiff_ver=$(fetch $tiff_pkg $tiff_upstream)
jpeg_ver=$(fetch $jpeg_pkg $jpeg_upstream)

say "building into $prefix: libjpeg-turbo $jpeg_ver, tiff $tiff_ver"
rm -rf "$prefix"
mkdir -p "$prefix"
echo "incomplete" >"$stamp_file"   # marks the folder as this script's until the build ends

# Runs a command with its output in log $1; on failure shows the log's end and stops.
logged() {
  local log=$1; shift
  if ! "$@" >"$log" 2>&1; then
    tail -40 "$log" >&2
    die "failed: $* (full log: $log)"
  fi
}

# Unpacks version $2 of package $1 with Debian's patches into $work/<pkg>; prints the tree.
unpack() {
  local pkg=$1 ver=$2 tree=$work/$1
  rm -rf "$tree"
  say "unpacking $pkg $ver with Debian's patches (dpkg-source -x)" >&2
  # apt checked the files against the signed release; dpkg-source's own signature check of the
  # .dsc needs a Debian keyring and only warns without one.
  logged "$work/unpack-$pkg.log" dpkg-source -x "$downloads/$(dsc_name "$pkg" "$ver")" "$tree"
  grep 'applying' "$work/unpack-$pkg.log" | sed 's/^dpkg-source: info: /    /' >&2 || true
  echo "$tree"
}

cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
       -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DQID_WIN_DEPS="$prefix")

# --- libjpeg-turbo: the static libjpeg only (6b API, SIMD required), no programs -------------
jpeg_src=$(unpack $jpeg_pkg "$jpeg_ver")
jpeg_build=$work/build-$jpeg_pkg
rm -rf "$jpeg_build"
say "configuring libjpeg-turbo (static, SIMD on, JPEG_LIB_VERSION 62)"
logged "$work/configure-$jpeg_pkg.log" cmake -S "$jpeg_src" -B "$jpeg_build" "${cross[@]}" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
  -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_12BIT=OFF
say "compiling libjpeg-turbo (ninja -j2 jpeg-static)"
logged "$work/build-$jpeg_pkg.log" cmake --build "$jpeg_build" -j2 --target jpeg-static
# Installing by hand: libjpeg-turbo's install step would first build its command-line programs.
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
install -m 644 "$jpeg_build/libjpeg.a" "$prefix/lib/"
install -m 644 "$jpeg_build/jconfig.h" "$jpeg_src/jerror.h" "$jpeg_src/jmorecfg.h" \
  "$jpeg_src/jpeglib.h" "$prefix/include/"
install -m 644 "$jpeg_build/pkgscripts/libjpeg.pc" "$prefix/lib/pkgconfig/"
grep -q '^#define JPEG_LIB_VERSION  *62$' "$prefix/include/jconfig.h" ||
  die "libjpeg-turbo was configured with another API than libjpeg 6b (see $prefix/include/jconfig.h)"
i686-w64-mingw32-nm "$prefix/lib/libjpeg.a" 2>/dev/null | grep ' T _jsimd_idct_islow_sse2$' >/dev/null ||
  die "libjpeg.a holds no SIMD code"

# --- libtiff: static, zlib and the libjpeg above, no optional codecs, programs or docs --------
tiff_src=$(unpack $tiff_pkg "$tiff_ver")
tiff_build=$work/build-$tiff_pkg
rm -rf "$tiff_build"
say "configuring libtiff (static, zlib + jpeg; no lzma, zstd, webp, jbig, lerc, libdeflate, OpenGL)"
no_find=()
for p in OpenGL GLUT JBIG LERC LibLZMA ZSTD WebP Deflate; do
  no_find+=("-DCMAKE_DISABLE_FIND_PACKAGE_$p=ON")
done
logged "$work/configure-$tiff_pkg.log" cmake -S "$tiff_src" -B "$tiff_build" "${cross[@]}" \
  "${no_find[@]}" -DBUILD_SHARED_LIBS=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dcxx=OFF \
  -Dzlib=ON -Djpeg=ON -Djpeg12=OFF -Dpixarlog=ON -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF \
  -Dlerc=OFF -Dlibdeflate=OFF -Dtiff-opengl=OFF
cache=$tiff_build/CMakeCache.txt
grep -q "^JPEG_LIBRARY_RELEASE:FILEPATH=$prefix/lib/libjpeg.a$" "$cache" ||
  grep -q "^JPEG_LIBRARY:FILEPATH=$prefix/lib/libjpeg.a$" "$cache" ||
  die "libtiff did not pick up $prefix/lib/libjpeg.a (see $cache)"
grep -qE '^ZLIB_LIBRARY(_RELEASE)?:FILEPATH=.*/libz\.a$' "$cache" ||
  die "libtiff did not pick up the static zlib (see $cache)"
say "compiling libtiff (ninja -j2)"
logged "$work/build-$tiff_pkg.log" cmake --build "$tiff_build" -j2
logged "$work/install-$tiff_pkg.log" cmake --install "$tiff_build"
[ -f "$prefix/lib/libtiff.a" ] || die "libtiff.a was not installed"
if ls "$prefix"/lib/*.dll.a "$prefix"/bin/*.dll >/dev/null 2>&1; then
  die "a shared library landed in $prefix"
fi

echo "tiff=$tiff_ver libjpeg-turbo=$jpeg_ver recipe=$recipe_hash" >"$stamp_file"
say "done in $((SECONDS - start)) s: $prefix (lib/libjpeg.a, lib/libtiff.a, include/)"
