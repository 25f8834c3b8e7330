# A long compression held, resumed and cancelled from the task panel, watched through the size of
# its ".partial" file; then closing the window while a task runs.
big="$SCENARIO_WORK/big"
mkdir -p "$big"
head -c $(( 400 * 1048576 )) /dev/urandom >"$big/noise.bin"
trap 'rm -rf "$big" "$SCENARIO_WORK"/big.zeb*; scenario_cleanup' EXIT
archive="$SCENARIO_WORK/big.zeb"
partial="$archive.partial"

tz_seed_settings language=en-US
tz_start "$(tz_winpath "$big")"
tz_expect_rail_selected "the compress page" 1
tz_scroll_to_end
tz_compress_bottom_geometry 0
tz_click 212 $(( TZ_MODES_TOP + 74 ))

# True when file $1 keeps one size for $2 ms; false as soon as it changes.
size_holds() {
  local size end=$(( $(e2e_now_ms) + $2 ))
  size=$(tz_file_size "$1")
  while [ "$(e2e_now_ms)" -lt "$end" ]; do
    sleep 0.1
    [ "$(tz_file_size "$1")" = "$size" ] || return 1
  done
}

# Waits up to $2 ms for file $1 to keep its size for 2 s.
wait_size_still() {
  local end=$(( $(e2e_now_ms) + $2 ))
  until size_holds "$1" 2000; do
    [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "$1 kept growing for $2 ms"
  done
}

start_and_wait_partial() {
  tz_click 219 "$TZ_START_Y"
  tz_move 100 60
  tz_wait_file "$partial" 0 30000
  tz_expect_panel_running "$1: the task panel shows the running look"
}

start_and_wait_partial "first run"
tz_shot running
tz_click_hold
tz_move 100 60
wait_size_still "$partial" 10000
held=$(tz_file_size "$partial")
e2e_log "ok: held, the .partial stays at $held bytes for 2 s"
tz_shot held
[ ! -e "$archive" ] || tz_fail "the archive was finished before it could be held"
tz_click_hold
tz_move 100 60
tz_wait_file "$partial" "$held" 10000
e2e_log "ok: resumed, the .partial grows past $held bytes"
tz_click_cancel
tz_move 100 60
TZ_EXPECT_MS=30000 tz_expect_panel_ended "cancelled, the panel shows the ended look"
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

# Closing the window while the task runs: the program ends with 0 and leaves nothing behind.
start_and_wait_partial "second run"
tz_close
[ ! -e "$partial" ] || tz_fail "closing the window mid-task left $partial"
[ ! -e "$archive" ] || tz_fail "closing the window mid-task left $archive"
e2e_log "ok: closing the window mid-task leaves neither the archive nor its .partial"
