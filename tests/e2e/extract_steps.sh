# shellcheck shell=bash
# Steps of the extraction scenarios, sourced after harness.sh: an archive made by zeb.exe, opened
# from the command line in the viewer and handed to the extract page with "Extract all", the
# extract page's controls, and the task panel's two ended looks told apart by its progress bar.

# zeb.exe c with the given arguments (a password, when $TZ_ZEB_STDIN holds one, on its input).
tz_zeb_create() { tz_zeb c "$@" || tz_fail "zeb c $*: $TZ_OUT"; }

# The viewer of an archive listed with $1 entries, flat: its entries card starts at 408 and ends
# at 564 + 32 per row; "Extract all" sits in the action row 20 below, from L + 238 to L + 388.
tz_viewer_extract_all() {
  local action_top=$(( 564 + 32 * $1 + 20 ))
  tz_click 427 $(( action_top + 24 ))
  tz_move 100 60
  # Keys sent before the page has changed would scroll the viewer instead.
  tz_expect_rail_selected "\"Extract all\" opens the extract page" 2
}

# The extract page scrolled to its end: the start row 24 above the bottom, the policy card 20 above
# it (156 high), the destination card (116) and the archive card 18 apart above that.
# $1: whether the archive card shows its password field (282 high instead of 206).
tz_extract_geometry() {
  TZ_START_Y=$(( TZ_H - 48 ))
  TZ_POLICY_TOP=$(( TZ_H - 72 - 20 - 156 ))
  TZ_POLICY_Y=$(( TZ_POLICY_TOP + 74 ))
  local archive_top=$(( TZ_POLICY_TOP - 18 - 116 - 18 - ${1:-0} * 76 - 206 ))
  TZ_EXTRACT_PASSWORD_Y=$(( archive_top + 183 ))
}

# The three policy segments, 140 wide from L + 22: stop, skip, replace.
TZ_POLICY_X=(206 346 486)
tz_choose_policy() {
  local k
  tz_click "${TZ_POLICY_X[$1]}" "$TZ_POLICY_Y"
  tz_move 100 60
  local points=()
  for k in 0 1 2; do
    if [ "$k" = "$1" ]; then points+=("$(( TZ_POLICY_X[k] - 56 )),$TZ_POLICY_Y=brandRed")
    else points+=("$(( TZ_POLICY_X[k] - 56 )),$TZ_POLICY_Y=white"); fi
  done
  tz_expect "policy $1 is chosen" "${points[@]}"
}

# Empties the focused text field and types $1 into it.
tz_retype() {
  tz_key end
  tz_key home shift
  tz_key backspace
  [ -z "$1" ] || tz_type "$1"
}

# The colour of one client point (DIPs) now, as "R G B".
tz_pixel() {
  local xwd="$SCENARIO_WORK/pixel.xwd"
  tz_grab "$xwd" || tz_fail "xwd could not take a screenshot"
  "$E2E_PYTHON" "$E2E_SOURCE_DIR/xwd_tools.py" pixel "$xwd" "$TZ_LEFT" "$TZ_TOP" \
    $(( $1 * TZ_DPI / 96 )) $(( $2 * TZ_DPI / 96 ))
}

# Starts the extraction and waits for the ended panel; $2 is "succeeded" or "failed": a succeeded
# task fills its bar to the end in accent, a failed one leaves it short or pale.
tz_extract_and_expect() {
  tz_click 200 "$TZ_START_Y"
  tz_move 100 60
  TZ_EXPECT_MS=90000 tz_expect_panel_ended "$1: the task has ended"
  local bar_y=$(( TZ_PANEL_CY - 116 + 91 )) bar_x=$(( TZ_PANEL_X1 - 30 ))
  if [ "$2" = succeeded ]; then
    tz_expect "$1: the bar is full, the task succeeded" "$bar_x,$bar_y=brandRed"
  else
    local colour
    colour=$(tz_pixel "$bar_x" "$bar_y")
    tz_close_enough "$colour" "${TZ_COLOURS[brandRed]}" && { tz_shot "failed"; tz_fail "$1: the task succeeded"; }
    e2e_log "ok: $1: the task failed (bar end $colour)"
  fi
  tz_shot "$1"
  tz_key escape
  tz_expect "$1: Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"
}

# File $1 holds exactly the text $2.
tz_expect_content() {
  [ -f "$1" ] || tz_fail "$3: no $1"
  [ "$(cat "$1")" = "$2" ] || tz_fail "$3: $1 holds \"$(cat "$1")\", expected \"$2\""
}
