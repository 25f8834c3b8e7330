# File association: "--register" writes the current user's .zeb keys and "--unregister" removes
# them. Under Wine there is no parent console, so each run reports in a box, read and dismissed.
tz_seed_settings language=en-US

# Runs the program with one switch and expects its result box with this text, then its exit.
run_switch() {
  ( cd "$SCENARIO_WORK" && exec timeout -k 5 "$TZ_PROGRAM_SECONDS" "$E2E_WINE" "$TOLZEB_EXE" "$1" ) \
    </dev/null >>"$SCENARIO_WORK/program.log" 2>&1 &
  local pid=$!
  TZ_STARTED_PIDS="$TZ_STARTED_PIDS $pid"
  tz_expect_box "$2"
  e2e_wait_gone "$pid" 60000 || tz_fail "$1: the program did not end after its box"
  wait "$pid" || tz_fail "$1: exit code $?"
}

query() { timeout -k 5 60 "$E2E_WINE" reg query "$1" /ve </dev/null 2>>"$TZ_LOG"; }

run_switch --register 'TOLZEB is now registered for .zeb files, and the "Add to TOLZEB archive" entry has been added for the current user. On Windows 11 it appears under "Show more options".'
query 'HKCU\Software\Classes\.zeb' | grep -q 'TOLZEB\.Archive\.1' || tz_fail ".zeb does not name TOLZEB.Archive.1"
query 'HKCU\Software\Classes\TOLZEB.Archive.1\shell\open\command' | grep -q 'TolZeb.exe" "%1"' ||
  tz_fail "the open command is not the quoted program and \"%1\""
query 'HKCU\Software\Classes\Directory\shell\TOLZEB.compress' | grep -q 'Add to TOLZEB archive' ||
  tz_fail "the folder verb is missing"
e2e_log "ok: registered"

run_switch --unregister "TOLZEB's file association and context menu entries have been removed for the current user."
query 'HKCU\Software\Classes\.zeb' >/dev/null && tz_fail ".zeb is still there after --unregister"
query 'HKCU\Software\Classes\TOLZEB.Archive.1' >/dev/null && tz_fail "the ProgID is still there after --unregister"
e2e_log "ok: unregistered"
