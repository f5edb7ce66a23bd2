#!/usr/bin/env bash
# The Linux print queue end to end: a private cupsd (socket, spool and logs under one folder,
# the system's CUPS untouched), the queue and backend installed by tools/qid-cups.sh, and real
# documents printed with lp by unprivileged users. Each result must be in its own user's
# folder, owned by that user, and pass the independent validators; a job that cannot be written
# must be held with its pages kept and a state that says why; a title must not lead a job out
# of the output folder; no user can print as another, nor a job run as root; a cancelled job
# leaves nothing running.
#
#   tests/linux/cups_test.sh BUILD_NATIVE_DIR
#
# Needs root (it adds the users qidanna, qidbert and qidcarl when missing and removes the ones
# it added). Ends with "N passed, M failed".
set -uo pipefail
build=$(cd "${1:?usage: cups_test.sh BUILD_NATIVE_DIR}" && pwd) || exit 2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$repo/tests/linux/cups_lib.sh"

passed=0
failed=0
check() {  # check WHAT COMMAND...: one line per check
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok   - $what"
  else failed=$((failed + 1)); echo "FAIL - $what"; return 1; fi
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
added_users=()
trap 'cups_stop; rm -rf "$work"; for u in "${added_users[@]}"; do userdel -r "$u" 2>/dev/null; done' EXIT
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
submit() { local u=$1; shift; runuser -u "$u" -- lp -d "$queue" "$@" </dev/null | sed -n 's/^request id is \([^ ]*\).*/\1/p'; }
job_says() { cups_job "$1" | grep -q -- "$2"; }  # job_says ID TEXT
held() { job_says "$1" job-hold-until-specified; }
not() { ! "$@"; }
# Whether a process of the user is alive (zombies left to a pid 1 that does not reap are not).
user_runs() { ps -u "$1" -o stat= 2>/dev/null | grep -qv '^Z'; }
setting_is() { [ "$(settings "$1" get "$2")" = "$3" ]; }  # setting_is USER NAME "dword N"
pages_in() { local n=0 f; for f in "$@"; do n=$((n + $(pages_of_tiff "$f"))); done; echo "$n"; }

for u in qidanna qidbert qidcarl; do
  if ! id "$u" >/dev/null 2>&1; then
    useradd -m -s /bin/bash "$u" || { echo "FAIL - useradd $u"; failed=1; finish; }
    added_users+=("$u")
  fi
  rm -rf "$(user_root "$u")"
done

# Documents: a two-page PDF and a PostScript file, readable by everyone.
cp "$repo/tests/fixtures/sample.ps" "$work/sample.ps"
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -sOutputFile="$work/sample.pdf" "$work/sample.ps" ||
  { echo "FAIL - cannot make the PDF"; failed=1; finish; }
chmod 0644 "$work"/sample.*
doc_pages=$(pdfinfo "$work/sample.pdf" | sed -n 's/^Pages: *//p')

check "tools/qid-cups.sh install without a scheduler fails" \
  bash -c "! CUPS_SERVER='$work/none.sock' bash '$repo/tools/qid-cups.sh' install --build '$build' \
    --prefix '$work/lib' --serverbin '$work/cups/bin' 2>'$work/no-cupsd.err'"
check "saying how to start one" grep -q 'start it first' "$work/no-cupsd.err"
check "having copied nothing" test ! -e "$work/lib"
check "a private cupsd starts" cups_start "$work/cups"
check "tools/qid-cups.sh installs backend and queue" \
  bash "$repo/tools/qid-cups.sh" install --build "$build" --prefix "$work/lib" \
       --serverbin "$work/cups/bin" --queue "$queue"
check "the queue is there with the qid device" bash -c "lpstat -v $queue | grep -q 'qid:$work/lib'" ||
  finish
check "the backend belongs to root, mode 0700" \
  bash -c "[ \"\$(stat -c '%U %a' '$work/cups/bin/backend/qid')\" = 'root 700' ]"
check "the queue is not shared" bash -c "lpoptions -p $queue | grep -q 'printer-is-shared=false'"
# What a print dialog gets from the scheduler: the queue's PPD with the product's choices.
for ui in 'QidOutput/Output' 'ColorModel/Colour Mode' 'PageSize/Page Size'; do
  check "the queue offers ${ui#*/}" grep -q "^\*OpenUI \*$ui:" "$work/cups/etc/ppd/$queue.ppd"
done

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

# Nobody prints as someone else: the scheduler knows a local user by the socket's credentials.
anna_files=$(find "$anna" -type f | wc -l)
runuser -u qidbert -- lp -d "$queue" -U qidanna "$work/sample.pdf" </dev/null >/dev/null 2>"$work/as-anna.err"
check "lp -U of another user is refused" grep -q Unauthorized "$work/as-anna.err"
cups_wait_jobs 60
check "and writes nothing into that user's folder" test "$(find "$anna" -type f | wc -l)" -eq "$anna_files"
root_job=$(lp -d "$queue" "$work/sample.pdf" | sed -n 's/^request id is \([^ ]*\).*/\1/p')
sleep 1; cups_wait_jobs 60
check "a job of root is held" held "$root_job"
check "saying the queue never writes as root" job_says "$root_job" "never as root"
cancel "$root_job"

# A new user: the first job makes the settings key, so every job gets its own result.
carl=$(user_root qidcarl)
for i in 1 2 3 4; do submit qidcarl "$work/sample.pdf" >/dev/null; cups_wait_jobs 60; done
check "four jobs in a row of a new user give four results" \
  test "$(find "$carl/drive_c/ZEL" -name '*.tif' | wc -l)" -eq 4

# Every type the system's filters turn into PDF: a text of two pages, a PNG and a JPEG picture.
printf 'first page\f\nsecond page\n' >"$work/notes.txt"
convert -size 300x200 xc:white -fill red -draw 'circle 150,100 150,10' "$work/photo.png"
convert "$work/photo.png" "$work/photo.jpg"
chmod 0644 "$work"/notes.txt "$work"/photo.*
settings qidcarl set "Use Source Name" dword 1 set "AutoGenerate" dword 0 >/dev/null
for doc in notes.txt:2 photo.png:1 photo.jpg:1; do
  name=${doc%%:*}; submit qidcarl -t "doc-${name/./-}" "$work/$name" >/dev/null
  cups_wait_jobs 60
  check "$name gives a TIFF of ${doc##*:} page(s)" \
    test "$(pages_of_tiff "$carl/drive_c/ZEL/doc-${name/./-}.tif")" = "${doc##*:}"
done
raw_job=$(submit qidcarl -o raw "$work/photo.png")
sleep 1; cups_wait_jobs 60
check "a document no filter converted is held" held "$raw_job"
check "naming its type" job_says "$raw_job" 'type application/vnd.cups-raw'
cancel "$raw_job"

# The queue's own options; an unknown value holds the job with the option named.
settings qidcarl set "Use Source Name" dword 1 set "Always Overwrite" dword 1 >/dev/null
submit qidcarl -t opt-pdf -o QidOutput=PDF "$work/sample.pdf" >/dev/null
submit qidcarl -t opt-fax -o ColorModel=Fax "$work/sample.pdf" >/dev/null
submit qidcarl -t opt-rgb -o ColorModel=RGB -o PageSize=Letter "$work/sample.pdf" >/dev/null
cups_wait_jobs 120
check "QidOutput=PDF gives a PDF" bash -c "qpdf --check '$carl/drive_c/ZEL/opt-pdf.pdf'"
check "for that job only: the stored PDF Output stays 0" setting_is qidcarl "PDF Output" "dword 0"
check "ColorModel=Fax gives fax pages" bash -c "tiffinfo '$carl/drive_c/ZEL/opt-fax.tif' | grep -q 'CCITT Group 4'"
check "ColorModel=RGB gives colour pages" bash -c "tiffinfo '$carl/drive_c/ZEL/opt-rgb.tif' | grep -q 'Photometric Interpretation: RGB'"
bad_job=$(submit qidcarl -o ColorModel=Sepia "$work/sample.pdf")
sleep 1; cups_wait_jobs 60
check "an unknown option value is held" held "$bad_job"
check "naming the option and its values" job_says "$bad_job" 'ColorModel takes Fax, Gray or RGB, not "Sepia"'
cancel "$bad_job"

# A declined overwrite: held with the reason from the trace; released once it may overwrite,
# the job is written and no folder of it is left.
settings qidcarl set "Always Overwrite" dword 0 >/dev/null
kept_job=$(submit qidcarl -t opt-pdf -o QidOutput=PDF "$work/sample.pdf")
sleep 1; cups_wait_jobs 60
check "a declined overwrite is held" held "$kept_job"
check "with the reason from the trace" job_says "$kept_job" 'overwrite declined'
check "not a missing marker" not job_says "$kept_job" 'without creating the done marker'
settings qidcarl set "Always Overwrite" dword 1 >/dev/null
lp -i "$kept_job" -H resume >/dev/null
sleep 1; cups_wait_jobs 60
check "released, it is written" bash -c "[ -z \"\$(lpstat -W not-completed -o $queue)\" ]"
check "and its spool folders are gone" \
  test -z "$(find "$carl/spool" -mindepth 1 -maxdepth 1 -name "job-${kept_job##*-}-*")"

# Cancelling a running job ends all of it: a PostScript page that never ends.
printf '%%!PS\n{ } loop\n' >"$work/endless.ps"; chmod 0644 "$work/endless.ps"
endless=$(submit qidbert "$work/endless.ps")
for i in $(seq 1 50); do pgrep -u qidbert -x gs >/dev/null && break; sleep 0.2; done
check "the endless job renders" pgrep -u qidbert -x gs
cancel "$endless"; sleep 5
check "cancelled, nothing of it runs after 5 s" not user_runs qidbert
check "and the job is no longer open" bash -c "[ -z \"\$(lpstat -W not-completed -o $queue)\" ]"

# A job past the device's time-out while Q71File waits on a slow Output Application: it is
# ended with all it started, the next job waits its turn, and the held state says what was
# written.
printf '#!/bin/sh\nsleep 8\n' >"$work/slow.sh"; chmod 0755 "$work/slow.sh"
settings qidbert set "Output Application" sz "$work/slow.sh" set "Output Directory" sz 'C:\Slow' >/dev/null
lpadmin -p "$queue" -v "qid:$work/lib?timeout=3"
slow_job=$(submit qidbert "$work/sample.pdf")
sleep 1; cups_wait_jobs 60
lpadmin -p "$queue" -v "qid:$work/lib"
check "the timed-out job is held" held "$slow_job"
check "its state names the file already written" job_says "$slow_job" '1 file(s) were written before it ended'
slow_kept=$(find "$bert/spool" -name 'qid_job_*.tif' | head -n 1)
check "its job file is kept with every page" test "$(pages_of_tiff "${slow_kept:-/nonexistent}")" = "$doc_pages"
check "and nothing of it runs on" not user_runs qidbert
cancel "$slow_job"
settings qidbert set "Output Application" sz "" >/dev/null

# Forty jobs of two users at once: each job its own result, every page written.
submitters=()
for u in qidanna qidbert; do
  settings "$u" set "Output Directory" sz 'C:\Many' set "Output Mode" dword 1 set "AutoGenerate" dword 1 \
    set "Use Source Name" dword 0 set "PDF Output" dword 0 >/dev/null
  (for i in $(seq 1 20); do submit "$u" "$work/sample.pdf" >/dev/null; done) &
  submitters+=($!)
done
wait "${submitters[@]}"
cups_wait_jobs 300
check "no job of the forty is stuck" no_open_jobs
many=$(find "$anna/drive_c/Many" "$bert/drive_c/Many" -name '*.tif' 2>/dev/null)
check "forty results" line_count_is "$many" 40
# shellcheck disable=SC2086
check "with every page" test "$(pages_in $many)" -eq $((40 * doc_pages))

held_job=$(submit qidanna -H indefinite "$work/sample.pdf")
bash "$repo/tools/qid-cups.sh" remove --prefix "$work/lib" --serverbin "$work/cups/bin" \
  --queue "$queue" >"$work/remove.out" 2>&1
check "tools/qid-cups.sh removes queue and backend" grep -q "removed the queue $queue" "$work/remove.out"
check "naming the held job first" grep -q "job $held_job of qidanna" "$work/remove.out"
check "the queue is gone" bash -c "! lpstat -v $queue"
check "the backend is gone" test ! -e "$work/cups/bin/backend/qid"
check "a second remove fails, nothing being left" \
  bash -c "! bash '$repo/tools/qid-cups.sh' remove --prefix '$work/lib' --serverbin '$work/cups/bin' --queue $queue"
finish
