#!/usr/bin/env bash
# Puts the Quendrel Image Driver on a Linux machine as a CUPS print queue, or takes it off.
#
#   tools/qid-cups.sh install [--build DIR] [--prefix DIR] [--serverbin DIR] [--queue NAME]
#   tools/qid-cups.sh remove  [--prefix DIR] [--serverbin DIR] [--queue NAME]
#
# install copies Q71File, qiddriver, qidreg and the backend from the native build (default
# build/native) into PREFIX (default /usr/local/lib/qid), the backend into
# SERVERBIN/backend/qid (default /usr/lib/cups) with mode 0700, so that CUPS starts it as root
# and it can become each job's user, and creates the queue (default Quendrel_Image_Driver)
# with the device qid:PREFIX. remove deletes the queue, the backend and PREFIX.
# Run as root; CUPS_SERVER chooses the scheduler as for every CUPS command.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() { sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; }
die() { echo "qid-cups: $*" >&2; exit 1; }

action=${1:-}
case "$action" in
  install|remove) shift ;;
  -h|--help) usage; exit 0 ;;
  '') usage >&2; die "say install or remove" ;;
  *) usage >&2; die "unknown command: $action" ;;
esac

build=$repo/build/native
prefix=/usr/local/lib/qid
serverbin=/usr/lib/cups
queue=Quendrel_Image_Driver
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=${2:?--build needs a folder}; shift 2 ;;
    --prefix) prefix=${2:?--prefix needs a folder}; shift 2 ;;
    --serverbin) serverbin=${2:?--serverbin needs a folder}; shift 2 ;;
    --queue) queue=${2:?--queue needs a name}; shift 2 ;;
    *) usage >&2; die "unknown option: $1" ;;
  esac
done
[ "$(id -u)" -eq 0 ] || die "run as root: the backend must belong to root to act for each user"
case "$prefix" in /*) ;; *) die "--prefix must be an absolute folder" ;; esac
case "$prefix" in *..*|*\?*|*\&*|*' '*) die "--prefix must be a plain folder name" ;; esac

if [ "$action" = remove ]; then
  lpadmin -x "$queue" 2>/dev/null || echo "qid-cups: no queue $queue" >&2
  rm -f "$serverbin/backend/qid"
  rm -rf "$prefix"
  echo "qid-cups: removed the queue $queue, the backend and $prefix"
  exit 0
fi

for program in Q71File qiddriver qidreg qid-backend; do
  [ -x "$build/$program" ] || die "$build/$program is missing: build first (./run build)"
done
install -d -m 0755 "$prefix"
install -m 0755 "$build/Q71File" "$build/qiddriver" "$build/qidreg" "$prefix/"
install -d -m 0755 "$serverbin/backend"
install -o root -g root -m 0700 "$build/qid-backend" "$serverbin/backend/qid"
lpadmin -p "$queue" -E -v "qid:$prefix" -P "$repo/resources/linux/qid-cups.ppd" \
  -D "Quendrel Image Driver 4.0" -L "image files in each user's folder"
echo "qid-cups: queue $queue prints into image files (programs in $prefix)"
echo "qid-cups: try: lp -d $queue document.pdf"
