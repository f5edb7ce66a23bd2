#!/usr/bin/env bash
# Installs what the build and the test suites need on a fresh Debian 12 machine.
#
#   tools/install-deps.sh [all|demo]
#
# all (the default): everything, the Windows toolchain and Wine included; demo: only what the
# native build and the demo need. Idempotent: a package list already satisfied costs one dpkg
# query and no apt run.
set -euo pipefail

native=(build-essential cmake ninja-build pkg-config libtiff-dev libjpeg62-turbo-dev zlib1g-dev
        libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev dpkg-dev nasm)
windows=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
         binutils-mingw-w64-i686 libz-mingw-w64-dev)
tools=(xvfb xauth imagemagick libtiff-tools qpdf poppler-utils libjpeg-turbo-progs ghostscript
       fonts-dejavu-core fp-utils fonts-wine)
wine_pkgs=(wine wine32:i386)
print_queue=(cups-daemon cups-client cups-bsd cups-filters)
# The demo: the native build and what renders and checks its results.
demo=(build-essential cmake ninja-build pkg-config libtiff-dev libjpeg62-turbo-dev zlib1g-dev
      imagemagick libtiff-tools qpdf poppler-utils libjpeg-turbo-progs ghostscript
      fonts-dejavu-core)

# Source packages for the Windows builds of libtiff and libjpeg: derive a deb-src entry from the
# machine's own apt source so no mirror address is written anywhere. (tools/build-win-deps.sh
# refreshes the package lists when they do not know the source packages yet.)
src=/etc/apt/sources.list.d/qid-deb-src.sources
if [ "$(id -u)" -eq 0 ] && [ ! -f "$src" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src"
fi

case "${1:-all}" in
  all) wanted=("${native[@]}" "${windows[@]}" "${tools[@]}" "${wine_pkgs[@]}" "${print_queue[@]}") ;;
  demo) wanted=("${demo[@]}") ;;
  *) echo "install-deps: say all or demo, not $1" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
case " ${missing[*]} " in
  *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac

apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
