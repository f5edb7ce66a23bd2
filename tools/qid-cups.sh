#!/usr/bin/env bash
# Puts the Quendrel Image Driver on a Linux machine as a CUPS print queue, or takes it off.
#
#   tools/qid-cups.sh install [--build DIR] [--prefix DIR] [--serverbin DIR] [--queue NAME]
#                             [--shared]
#   tools/qid-cups.sh remove  [--prefix DIR] [--serverbin DIR] [--queue NAME]
#
# install copies Q71File, qiddriver, qidreg and the backend from the native build (default
# build/native) into PREFIX (default /usr/local/lib/qid), the backend into
# SERVERBIN/backend/qid (default /usr/lib/cups) with mode 0700, so that CUPS starts it as root
# and it can become each job's user, and creates the queue (default Quendrel_Image_Driver)
# with the device qid:PREFIX and the policy "authenticated": every job belongs to the user
# the scheduler authenticated (a local user by the socket's peer credentials). The queue is
# not shared unless --shared is given. remove deletes the queue, the backend and PREFIX.
# Run as root, with a scheduler running; CUPS_SERVER chooses it as for every CUPS command.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() { sed -n '2,15p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; }
die() { echo "qid-cups: $*" >&2; exit 1; }
say() { echo "qid-cups: $*"; }

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
shared=false
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=${2:?--build needs a folder}; shift 2 ;;
    --prefix) prefix=${2:?--prefix needs a folder}; shift 2 ;;
    --serverbin) serverbin=${2:?--serverbin needs a folder}; shift 2 ;;
    --queue) queue=${2:?--queue needs a name}; shift 2 ;;
    --shared) shared=true; shift ;;
    *) usage >&2; die "unknown option: $1" ;;
  esac
done
[ "$(id -u)" -eq 0 ] || die "run as root: the backend must belong to root to act for each user"
case "$prefix" in /*) ;; *) die "--prefix must be an absolute folder" ;; esac
case "$prefix" in *..*|*\?*|*\&*|*' '*) die "--prefix must be a plain folder name" ;; esac

scheduler=${CUPS_SERVER:-the local CUPS socket}
[ "$(LC_ALL=C lpstat -r 2>/dev/null)" = "scheduler is running" ] ||
  die "no CUPS scheduler answers at $scheduler: start it first (systemctl start cups, or as" \
      "root without systemd: cupsd), then run this again"

if [ "$action" = remove ]; then
  removed=0
  if lpstat -v "$queue" >/dev/null 2>&1; then
    # A held job goes with its queue: name it, so that its user can look for its pages.
    while read -r job owner _; do
      [ -n "$job" ] || continue
      say "the job $job of $owner is not printed and goes with the queue; its pages stay in" \
          "$owner's ~/.local/share/qid/spool"
    done < <(lpstat -W not-completed -o "$queue" 2>/dev/null)
    lpadmin -x "$queue" || die "lpadmin could not remove the queue $queue"
    say "removed the queue $queue"; removed=1
  fi
  if [ -e "$serverbin/backend/qid" ]; then
    rm -f "$serverbin/backend/qid"; say "removed the backend $serverbin/backend/qid"; removed=1
  fi
  if [ -e "$prefix/qiddriver" ]; then
    rm -rf "$prefix"; say "removed the programs in $prefix"; removed=1
  fi
  [ "$removed" -eq 1 ] || die "nothing to remove: no queue $queue, no $serverbin/backend/qid, no $prefix/qiddriver"
  exit 0
fi

for program in Q71File qiddriver qidreg qid-backend; do
  [ -x "$build/$program" ] || die "$build/$program is missing: build first (./run build)"
done
install -d -m 0755 "$prefix"
install -m 0755 "$build/Q71File" "$build/qiddriver" "$build/qidreg" "$prefix/"
install -d -m 0755 "$serverbin/backend"
install -o root -g root -m 0700 "$build/qid-backend" "$serverbin/backend/qid"
# The stock policy "authenticated": without it any user could print into another's folder.
if ! lpadmin -p "$queue" -E -v "qid:$prefix" -P "$repo/resources/linux/qid-cups.ppd" \
     -D "Quendrel Image Driver 4.0" -L "image files in each user's folder" \
     -o printer-op-policy=authenticated -o printer-is-shared="$shared" 2>"$prefix/lpadmin.err"; then
  grep -v 'drivers are deprecated' "$prefix/lpadmin.err" >&2
  lpadmin -x "$queue" 2>/dev/null
  rm -f "$serverbin/backend/qid"; rm -rf "$prefix"
  die "lpadmin could not create the queue $queue (a scheduler without the stock policy" \
      "\"authenticated\" in cupsd.conf cannot take it); nothing is left installed"
fi
rm -f "$prefix/lpadmin.err"
say "queue $queue prints into image files (programs in $prefix)$([ "$shared" = true ] && echo ', shared')"
say "try: lp -d $queue document.pdf; lpoptions -p $queue -l lists its options"
