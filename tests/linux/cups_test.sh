#!/usr/bin/env bash
# The Linux print queue end to end: a private cupsd (socket, spool and logs under one folder,
# the system's CUPS untouched), the queue and backend installed by tools/qid-cups.sh, and real
# documents printed with lp by two unprivileged users. Each result must be in its own user's
# folder, owned by that user, and pass the independent validators; a job that cannot be written
# must be held with its pages kept; a title must not lead a job out of the output folder.
#
#   tests/linux/cups_test.sh BUILD_NATIVE_DIR
#
# Needs root (it adds the users qidanna and qidbert when missing). Ends with "N passed, M failed".
set -uo pipefail
build=$(cd "${1:?usage: cups_test.sh BUILD_NATIVE_DIR}" && pwd) || exit 2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$repo/tests/linux/cups_lib.sh"

passed=0
failed=0
check() {  # check WHAT COMMAND...: one line per check
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok   - $what"
  else failed=$((failed + 1)); echo "FAIL - $what"; fi
}
finish() {
  cups_stop
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

if [ "$(id -u)" -ne 0 ]; then
  echo "FAIL - the print queue suite needs root (cupsd, the backend and test users)"
  failed=1; finish
fi
for tool in Q71File qiddriver qidreg qid-backend; do
  [ -x "$build/$tool" ] || { echo "FAIL - $build/$tool is missing"; failed=1; finish; }
done

work=$(mktemp -d /tmp/qid-cups-test.XXXXXX)
chmod 0755 "$work"
trap 'cups_stop; rm -rf "$work"' EXIT
queue=Quendrel_Image_Driver

user_root() { echo "/home/$1/.local/share/qid"; }
as_user() { local u=$1; shift; runuser -u "$u" -- env HOME="/home/$u" QID_ROOT="$(user_root "$u")" "$@"; }
settings() { local u=$1; shift; as_user "$u" "$work/lib/qidreg" "$@"; }
pages_of_tiff() { tiffinfo "$1" 2>/dev/null | grep -c '^TIFF Directory'; }
owned_by() { [ "$(stat -c %U "$2")" = "$1" ]; }
line_count_is() { [ -n "$1" ] && [ "$(grep -c . <<<"$1")" = "$2" ]; }
all_decode() { local j; [ -n "$1" ] || return 1; while read -r j; do djpeg "$j" >/dev/null || return 1; done <<<"$1"; }
no_open_jobs() { [ -z "$(lpstat -W not-completed -o "$queue")" ]; }
only_file() { local f; f=$(find "$1" -maxdepth 1 -type f -name "$2" | head -n 2); [ "$(wc -l <<<"$f")" -eq 1 ] && [ -n "$f" ] && echo "$f"; }

for u in qidanna qidbert; do
  id "$u" >/dev/null 2>&1 || useradd -m -s /bin/bash "$u" || { echo "FAIL - useradd $u"; failed=1; finish; }
  rm -rf "$(user_root "$u")"
done

# Documents: a two-page PDF and a PostScript file, readable by everyone.
cp "$repo/tests/fixtures/sample.ps" "$work/sample.ps"
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile="$work/sample.pdf" "$work/sample.ps" ||
  { echo "FAIL - cannot make the PDF"; failed=1; finish; }
chmod 0644 "$work"/sample.*
doc_pages=$(pdfinfo "$work/sample.pdf" | sed -n 's/^Pages: *//p')

check "a private cupsd starts" cups_start "$work/cups"
check "tools/qid-cups.sh installs backend and queue" \
  bash "$repo/tools/qid-cups.sh" install --build "$build" --prefix "$work/lib" \
       --serverbin "$work/cups/bin" --queue "$queue"
check "the queue is there with the qid device" bash -c "lpstat -v $queue | grep -q 'qid:$work/lib'"
check "the backend belongs to root, mode 0700" \
  bash -c "[ \"\$(stat -c '%U %a' '$work/cups/bin/backend/qid')\" = 'root 700' ]"

# qidanna has no root yet: she gets the defaults (Document mode, TIFF, C:\ZEL). qidbert wants PDFs.
settings qidbert set "PDF Output" dword 1 set "Output Directory" sz 'C:\Out' >/dev/null
runuser -u qidanna -- lp -d "$queue" -t "Quarterly report" "$work/sample.pdf" >/dev/null
runuser -u qidbert -- lp -d "$queue" -t "Letter" "$work/sample.ps" >/dev/null
cups_wait_jobs 120
check "both jobs are written" no_open_jobs

anna=$(user_root qidanna); bert=$(user_root qidbert)
tif=$(only_file "$anna/drive_c/ZEL" '*.tif')
check "qidanna's PDF became one TIFF in her own folder" test -n "$tif"
check "with every page ($doc_pages)" bash -c "[ \"\$(tiffinfo '$tif' 2>/dev/null | grep -c '^TIFF Directory')\" = '$doc_pages' ]"
check "owned by qidanna" owned_by qidanna "${tif:-/nonexistent}"
pdf=$(only_file "$bert/drive_c/Out" '*.pdf')
check "qidbert's PostScript became a PDF in his folder" test -n "$pdf"
check "qpdf accepts it" bash -c "[ -n '$pdf' ] && qpdf --check '$pdf'"
check "with every page" bash -c "[ \"\$(pdfinfo '$pdf' | sed -n 's/^Pages: *//p')\" = '$doc_pages' ]"
check "owned by qidbert" owned_by qidbert "${pdf:-/nonexistent}"

# JPEG pages on request: one JFIF file per page, each decoded by djpeg.
runuser -u qidbert -- lp -d "$queue" -o qid-jpeg -t "Photos" "$work/sample.pdf" >/dev/null
cups_wait_jobs 120
check "a JPEG job is written" no_open_jobs
jpegs=$(find "$bert/drive_c/Out" -name '*.jpg' | sort)
check "one JPEG file per page" line_count_is "$jpegs" "$doc_pages"
check "djpeg decodes every one" all_decode "$jpegs"
check "nothing of qidbert's in qidanna's home" bash -c "[ -z \"\$(find /home/qidanna -user qidbert)\" ]"
check "nothing of qidanna's in qidbert's home" bash -c "[ -z \"\$(find /home/qidbert -user qidanna)\" ]"
check "nothing written as root in either home" bash -c "[ -z \"\$(find /home/qidanna /home/qidbert -user root)\" ]"
check "no job folder left after a written job" bash -c "[ -z \"\$(find '$anna/spool' '$bert/spool' -mindepth 1 2>/dev/null)\" ]"

# A folder qidanna may not write to: the job is held, its pages kept in her spool.
settings qidanna set "Output Directory" sz "$work/cups/spool" >/dev/null
runuser -u qidanna -- lp -d "$queue" -t "Cannot be written" "$work/sample.pdf" >/dev/null
sleep 1; cups_wait_jobs 60
check "an unwritable job is held by CUPS" bash -c "lpstat -l -W not-completed -o $queue | grep -q 'job-hold-until-specified'"
check "the job says why" bash -c "lpstat -l -W not-completed -o $queue | grep -q 'not written'"
kept=$(find "$anna/spool" -name 'qid_job_*.tif' | head -n 1)
check "the job file is kept in her spool" test -n "$kept"
check "with every page" bash -c "[ -n '$kept' ] && [ \"\$(tiffinfo '$kept' 2>/dev/null | grep -c '^TIFF Directory')\" = '$doc_pages' ]"
check "nothing appeared in the forbidden folder" bash -c "[ -z \"\$(find '$work/cups/spool' -maxdepth 1 -name '*.tif')\" ]"
cancel -a "$queue" 2>/dev/null

# A title that tries to climb out of the output folder.
settings qidanna set "Output Directory" sz 'C:\ZEL' set "Use Source Name" dword 1 \
  set "AutoGenerate" dword 0 >/dev/null
runuser -u qidanna -- lp -d "$queue" -t "../../../../../qid-escaped" "$work/sample.pdf" >/dev/null
cups_wait_jobs 120
check "the climbing job is written" no_open_jobs
check "its output stays in the output folder" bash -c "ls '$anna/drive_c/ZEL' | grep -q qid-escaped"
check "and nowhere else" bash -c "[ -z \"\$(find / -xdev -name 'qid-escaped*' -not -path '$anna/drive_c/ZEL/*' 2>/dev/null)\" ]"

check "tools/qid-cups.sh removes queue and backend" \
  bash "$repo/tools/qid-cups.sh" remove --prefix "$work/lib" --serverbin "$work/cups/bin" --queue "$queue"
check "the queue is gone" bash -c "! lpstat -v $queue"
check "the backend is gone" test ! -e "$work/cups/bin/backend/qid"
finish
