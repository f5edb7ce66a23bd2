# shellcheck shell=bash
# A private CUPS scheduler for tests: its own configuration, spool, logs and programs under one
# folder, reached through a Unix socket there (CUPS_SERVER), so the system's CUPS is never
# touched. Needs root (the backend runs as root and becomes each job's user). Authentication and
# the operation policies are the stock ones of a CUPS installation, the system's filters convert
# documents as they would there.
#
#   cups_start DIR        # starts cupsd; exports CUPS_SERVER
#   cups_wait_jobs SECS   # waits until no job is pending or processing
#   cups_job ID           # the job's lines in lpstat -l (state, alerts, message)
#   cups_stop             # ends cupsd

cups_start() {
  QID_CUPS_DIR=$1
  local d=$QID_CUPS_DIR
  mkdir -p "$d"/{etc,spool/tmp,cache,state,log,bin/backend,bin/filter}
  chmod 0755 "$d"
  cp -r /usr/lib/cups/daemon "$d/bin/"
  ln -s /usr/lib/cups/filter/* "$d/bin/filter/" 2>/dev/null
  cat > "$d/etc/cupsd.conf" <<CONF
Listen $d/cups.sock
LogLevel debug
Browsing No
WebInterface No
DefaultAuthType Basic
MaxJobs 100
PreserveJobFiles Yes
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
  sed -n '/^<Policy /,/^<\/Policy>/p' /usr/share/cups/cupsd.conf.default >>"$d/etc/cupsd.conf"
  cat > "$d/etc/cups-files.conf" <<CONF
ServerRoot $d/etc
RequestRoot $d/spool
TempDir $d/spool/tmp
CacheDir $d/cache
StateDir $d/state
ServerBin $d/bin
DataDir /usr/share/cups
AccessLog $d/log/access_log
ErrorLog $d/log/error_log
PageLog $d/log/page_log
User lp
Group lp
SystemGroup root
CONF
  cupsd -t -c "$d/etc/cupsd.conf" -s "$d/etc/cups-files.conf" >"$d/log/check.log" 2>&1 ||
    { cat "$d/log/check.log" >&2; return 1; }
  cupsd -f -c "$d/etc/cupsd.conf" -s "$d/etc/cups-files.conf" >"$d/log/cupsd.out" 2>&1 &
  QID_CUPSD_PID=$!
  export CUPS_SERVER=$d/cups.sock
  local i
  for i in $(seq 1 100); do
    [ -S "$d/cups.sock" ] && lpstat -r >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "cupsd did not start; see $d/log" >&2
  return 1
}

# Jobs that are neither finished nor held (a held job waits for a person, not for time).
cups_active_jobs() {
  lpstat -l -W not-completed -o 2>/dev/null | awk '
    /^[^ \t]/ { if (job != "" && !held) n++; job = $1; held = 0 }
    /job-hold-until-specified/ { held = 1 }
    END { if (job != "" && !held) n++; print n + 0 }'
}

cups_wait_jobs() {
  local limit=$1 i
  for i in $(seq 1 $((limit * 5))); do
    [ "$(cups_active_jobs)" -eq 0 ] && return 0
    sleep 0.2
  done
  return 1
}

cups_job() {
  lpstat -l -W all -o 2>/dev/null | awk -v id="$1" '/^[^ \t]/ { on = $1 == id } on'
}

cups_stop() {
  [ -n "${QID_CUPSD_PID:-}" ] || return 0
  kill "$QID_CUPSD_PID" 2>/dev/null
  wait "$QID_CUPSD_PID" 2>/dev/null
  QID_CUPSD_PID=
}
