# A long compression held, resumed and cancelled from the task panel, watched through the size of
# its ".partial" file; then closing the window while a task runs. The source is half a gigabyte of
# base64 text in compact mode: the coder works on every block of it (base64 is not stored raw as
# noise is), so the task runs for minutes here and long enough to be held on a machine many times
# faster. Nothing waits for it to finish: it is cancelled, then ended with the window.
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
TZ_PROGRAM_SECONDS=600  # the scenario's own deadline ends it sooner
big="$SCENARIO_WORK/big"
mkdir -p "$big"
head -c $(( 384 * 1048576 )) /dev/urandom | base64 -w 0 >"$big/text.b64"
trap 'rm -rf "$big" "$SCENARIO_WORK"/big.zeb*; scenario_cleanup' EXIT
archive="$SCENARIO_WORK/big.zeb"
partial="$archive.partial"

tz_seed_settings language=en-US
tz_start "$(tz_winpath "$big")"
tz_expect_rail_selected "the compress page" 1
tz_scroll_to_end
tz_compress_bottom_geometry 0
tz_click 519 $(( TZ_MODES_TOP + 74 ))
tz_move 100 60
tz_expect "compact is chosen" "459,$(( TZ_MODES_TOP + 74 ))=brandRed"

# True when file $1 keeps one size for $2 ms; false as soon as it changes.
size_holds() {
  local size end=$(( $(e2e_now_ms) + $2 ))
  size=$(tz_file_size "$1")
  while [ "$(e2e_now_ms)" -lt "$end" ]; do
    sleep 0.1
    [ "$(tz_file_size "$1")" = "$size" ] || return 1
  done
}

# Waits up to $2 ms for file $1 to keep its size for 3 s (blocks already being coded when the hold
# lands are still written).
wait_size_still() {
  local end=$(( $(e2e_now_ms) + $2 ))
  until size_holds "$1" 3000; do
    [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "$1 kept growing for $2 ms"
  done
}

start_and_wait_partial() {
  tz_click 219 "$TZ_START_Y"
  tz_move 100 60
  tz_wait_file "$partial" 0 60000
  tz_expect_panel_running "$1: the task panel shows the running look"
}

start_and_wait_partial "first run"
tz_shot running
tz_click_hold
tz_move 100 60
wait_size_still "$partial" 60000
held=$(tz_file_size "$partial")
e2e_log "ok: held, the .partial stays at $held bytes for 3 s"
tz_expect_panel_running "held: the panel keeps the running look"
tz_shot held
[ ! -e "$archive" ] || tz_fail "the archive was finished before it could be held"
tz_click_hold
tz_move 100 60
tz_wait_file "$partial" "$held" 60000
e2e_log "ok: resumed, the .partial grows past $held bytes"
tz_shot resumed
tz_click_cancel
tz_move 100 60
TZ_EXPECT_MS=60000 tz_expect_panel_ended "cancelled, the panel shows the ended look"
tz_shot cancelled
end=$(( $(e2e_now_ms) + 15000 ))
while [ -e "$partial" ]; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "the .partial stayed after the cancel"
  sleep 0.1
done
[ ! -e "$archive" ] || tz_fail "cancelled, yet $archive exists"
e2e_log "ok: cancelled, neither the archive nor its .partial remains"
if [ -f "$TZ_DATA_DIR/history.txt" ] && grep -qF "$(tz_winpath "$archive")" "$TZ_DATA_DIR/history.txt"; then
  tz_fail "the cancelled archive was written to the history"
fi
tz_key escape
tz_expect "Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"

# Closing the window while the task runs: the program ends with 0 and leaves nothing behind.
start_and_wait_partial "second run"
tz_close
[ ! -e "$partial" ] || tz_fail "closing the window mid-task left $partial"
[ ! -e "$archive" ] || tz_fail "closing the window mid-task left $archive"
e2e_log "ok: closing the window mid-task leaves neither the archive nor its .partial"
