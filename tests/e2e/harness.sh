# shellcheck shell=bash
# Library of the end-to-end scenarios: the window program under Wine on an Xvfb of our own, driven
# by tzdrive.exe, checked by palette colours at fixed frame geometry and by message-box texts.
# Sourced by run-e2e.sh (the run: display, template prefix) and by each scenario's process (its
# prefix, the program, the driver calls, the checks). Every wait polls against a deadline; every
# process is ended by the id we kept when we started it.

E2E_WINE=/usr/lib/wine/wine64
E2E_WINESERVER=/usr/lib/wine/wineserver
E2E_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The system's interpreter when there is one: a version manager's shim costs half a second a call.
E2E_PYTHON=$([ -x /usr/bin/python3 ] && echo /usr/bin/python3 || command -v python3)

TZ_MAIN_CLASS=${TZ_MAIN_CLASS:-TolZebMainWindow}
TZ_DRIVE_SECONDS=${TZ_DRIVE_SECONDS:-60}       # any one driver call
TZ_PROGRAM_SECONDS=${TZ_PROGRAM_SECONDS:-240}  # one run of the program, start to exit
TZ_START_MS=${TZ_START_MS:-30000}              # until the main window is visible
TZ_EXPECT_MS=${TZ_EXPECT_MS:-30000}            # until the screen shows what a check wants
TZ_CLOSE_MS=${TZ_CLOSE_MS:-15000}              # from WM_CLOSE to the end of the process
TZ_TOLERANCE=${TZ_TOLERANCE:-3}                # per channel, for the rasteriser's rounding

# The palette the checks name.
declare -A TZ_COLOURS=(
  [brandRed]="200 0 24" [brandTint]="255 231 235" [white]="255 255 255"
  [windowBackground]="249 250 252" [railBackground]="244 245 247" [closeHover]="232 17 35"
  [captionHover]="226 11 34" [textPrimary]="24 25 31" [scrollThumb]="199 201 204"
)

# From the shell's own clock: a poll that started `date` each time cost more than what it waited for.
e2e_now_ms() { local microseconds=${EPOCHREALTIME/[.,]/}; echo $(( microseconds / 1000 )); }

# Progress lines carry the seconds since the scenario (or the run) began.
e2e_log() {
  local ms=$(( $(e2e_now_ms) - ${E2E_BEGIN_MS:=$(e2e_now_ms)} ))
  printf '[e2e%s %d.%01ds] %s\n' "${SCENARIO:+ $SCENARIO}" $(( ms / 1000 )) $(( ms % 1000 / 100 )) "$*"
}

# A process we started and have not waited for yet: alive and not a zombie.
e2e_running() {
  local stat
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
  # The state follows the command name, which is in parentheses and may hold spaces.
  stat=${stat##*) }
  [ -n "$stat" ] && [ "${stat%% *}" != Z ]
}

# Waits up to $2 ms for process $1 to end; true when it did.
e2e_wait_gone() {
  local end=$(( $(e2e_now_ms) + $2 ))
  while e2e_running "$1"; do
    [ "$(e2e_now_ms)" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# Ends process $1 (one we started): TERM, then KILL when it has not gone within a few seconds.
e2e_end_process() {
  e2e_running "$1" || return 0
  kill -TERM "$1" 2>/dev/null || true
  e2e_wait_gone "$1" 5000 || kill -KILL "$1" 2>/dev/null || true
  e2e_wait_gone "$1" 5000 || true
}

# ---------------------------------------------------------------- the run

# The display of the run: Xvfb on a free number, waited for by its socket.
e2e_start_display() {
  local number end
  for _ in 1 2 3 4 5; do
    number=$(( 100 + RANDOM % 400 ))
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    # Backing store: what a window draws while a closing dialog still covers it is kept for when
    # the dialog's X window goes, which Wine does not always repaint.
    Xvfb ":$number" -screen 0 1600x1000x24 +bs -nolisten tcp >"${E2E_XVFB_LOG:-$E2E_WORK/xvfb.log}" 2>&1 &
    E2E_XVFB_PID=$!
    end=$(( $(e2e_now_ms) + 10000 ))
    while e2e_running "$E2E_XVFB_PID" && [ ! -S "/tmp/.X11-unix/X$number" ]; do
      [ "$(e2e_now_ms)" -lt "$end" ] || break
      sleep 0.05
    done
    if e2e_running "$E2E_XVFB_PID" && [ -S "/tmp/.X11-unix/X$number" ]; then
      export DISPLAY=":$number"
      return 0
    fi
    e2e_end_process "$E2E_XVFB_PID"  # lost a race for the number, or never came up
  done
  echo "e2e: no Xvfb came up (see ${E2E_XVFB_LOG:-$E2E_WORK/xvfb.log})" >&2
  return 1
}

# The Wine settings every prefix starts from, written into the template.
e2e_template_registry() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  # DirectWrite under Wine: the UI font families map to an installed one.
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  printf '"Segoe UI"="Liberation Sans"\r\n"Segoe UI Variable Display"="Liberation Sans"\r\n'
  printf '"Segoe UI Semibold"="Liberation Sans"\r\n\r\n'
  # Xvfb runs no window manager. Undecorated, a window's whole rectangle is its own (the program's
  # caption band gets the clicks, its pixels are the program's); unmanaged, Wine itself moves and
  # sizes the X window, so maximising and restoring work with nobody to ask.
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n"Managed"="N"\r\n\r\n'
  # Direct3D (under Direct2D) without its command-stream thread, which spins while it waits and
  # takes a busy machine's processor from the program it serves.
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Direct3D]\r\n"csmt"=dword:00000000\r\n\r\n'
  # A crash ends the program at once rather than in the automatic debugger, which would hold the
  # scenario until its deadline.
  printf '[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n'
}

# One template prefix per run, copied for every scenario (wineboot is the slow part).
e2e_make_template() {
  E2E_TEMPLATE="$E2E_WORK/template"
  mkdir -p "$E2E_TEMPLATE"
  e2e_template_registry >"$E2E_WORK/template.reg"
  (
    export WINEPREFIX="$E2E_TEMPLATE"
    timeout -k 5 180 "$E2E_WINE" wineboot -i </dev/null >"$E2E_WORK/template.log" 2>&1 || exit 1
    timeout -k 5 60 "$E2E_WINE" regedit /S "Z:${E2E_WORK//\//\\}\\template.reg" </dev/null >>"$E2E_WORK/template.log" 2>&1 ||
      exit 1
    timeout -k 5 60 "$E2E_WINESERVER" -w
  ) || { echo "e2e: making the template prefix failed (see $E2E_WORK/template.log)" >&2; return 1; }
  [ -f "$E2E_TEMPLATE/user.reg" ] && grep -q '"Decorated"="N"' "$E2E_TEMPLATE/user.reg" ||
    { echo "e2e: the template prefix lacks its registry settings" >&2; return 1; }
}

# ---------------------------------------------------------------- one scenario

tz_fail() {
  echo "FAIL [$SCENARIO] $*" >&2
  [ -n "${TZ_LAST_SHOT:-}" ] && echo "  last screenshot: $TZ_LAST_SHOT" >&2
  exit 1
}

# Everything this scenario started: the prefix's Windows processes through its wineserver first
# (quick and clean), then whatever we started is still running, by the ids we kept.
scenario_cleanup() {
  local pid
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout -k 5 20 "$E2E_WINESERVER" -k 2>/dev/null || true
  fi
  for pid in ${TZ_STARTED_PIDS:-}; do e2e_end_process "$pid"; done
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout -k 5 20 "$E2E_WINESERVER" -w 2>/dev/null || true
    [ "${E2E_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$WINEPREFIX"
  fi
}

# A fresh prefix from the template, the program's data folder, and the Wine services started
# away from any pipe (a driver call captured by $(...) would otherwise wait for them to exit).
scenario_begin() {
  SCENARIO=$1
  E2E_BEGIN_MS=$(e2e_now_ms)
  SCENARIO_WORK="$E2E_WORK/$SCENARIO"
  SHOT_DIR="$E2E_SHOTS/$SCENARIO"
  rm -rf "$SCENARIO_WORK" "$SHOT_DIR"
  mkdir -p "$SCENARIO_WORK" "$SHOT_DIR"
  TZ_STARTED_PIDS=""
  TZ_SHOT_COUNT=0
  TZ_LOG="$SCENARIO_WORK/log.txt"
  trap scenario_cleanup EXIT
  trap 'exit 143' TERM INT
  export WINEPREFIX="$SCENARIO_WORK/prefix"
  cp -a "$E2E_TEMPLATE" "$WINEPREFIX" || tz_fail "copying the template prefix"
  local user
  user=$(id -un)
  TZ_DATA_DIR="$WINEPREFIX/drive_c/users/$user/AppData/Local/TOLZEB"
  mkdir -p "$TZ_DATA_DIR"
  timeout -k 5 20 "$E2E_WINESERVER" -p || tz_fail "starting the wineserver"
  timeout -k 5 60 "$E2E_WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || tz_fail "starting the Wine services"
  tz_start_driver
  e2e_log "prefix ready"
}

# settings.txt with the given key=value lines (the settings writer's keys).
tz_seed_settings() {
  { echo "TOLZEB-SETTINGS-1"; printf '%s\n' "$@"; } >"$TZ_DATA_DIR/settings.txt"
}

# history.txt, newest first; each entry "WINDOWS PATH|archive bytes|input bytes|milliseconds".
tz_seed_history() {
  local entry path archive input ms
  local filetime=$(( ($(date +%s) + 11644473600) * 10000000 ))
  {
    echo "TOLZEB-HISTORY-1"
    for entry in "$@"; do
      IFS='|' read -r path archive input ms <<<"$entry"
      printf '%s\t%s\t%s\t%s\t%s\n' "$filetime" "$archive" "$input" "$ms" "$path"
      filetime=$(( filetime - 36000000000 ))  # an hour apart
    done
  } >"$TZ_DATA_DIR/history.txt"
}

# A Unix path as the programs under Wine name it.
tz_winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

# Runs the driver; its key=value lines land in TZ_OUT. The exit code is the driver's.
# One driver call through the scenario's driver process (see tz_start_driver): the arguments go
# as one tab-separated line, the answer is every line up to "end=<exit code>".
tz_drive() {
  local rc=0 begin line out="" deadline remaining
  begin=$(e2e_now_ms)
  deadline=$(( begin + TZ_DRIVE_SECONDS * 1000 ))
  local IFS=$'\t'
  printf '%s\n' "$*" >&"$TZ_DRIVE_IN" || tz_fail "the driver process is gone (see $TZ_LOG)"
  IFS=$' \t\n'
  rc=""
  while :; do
    remaining=$(( (deadline - $(e2e_now_ms)) / 1000 + 1 ))
    if ! IFS= read -r -t "$remaining" -u "$TZ_DRIVE_OUT" line; then
      { echo "\$ tzdrive $*"; echo "$out"; echo "(no answer after $(( $(e2e_now_ms) - begin )) ms)"; } >>"$TZ_LOG"
      tz_fail "the driver did not answer \"$*\" within $TZ_DRIVE_SECONDS s"
    fi
    case $line in
      end=*) rc=${line#end=}; break ;;
      *) out+="${out:+$'\n'}$line" ;;
    esac
  done
  TZ_OUT=$out
  { echo "\$ tzdrive $*"; echo "$TZ_OUT"; echo "(exit $rc after $(( $(e2e_now_ms) - begin )) ms)"; } >>"$TZ_LOG"
  return "$rc"
}

# A driver call in a process of its own, for calls that wait in the background.
tz_drive_once() {
  local rc=0 begin
  begin=$(e2e_now_ms)
  TZ_OUT=$(timeout -k 5 "$TZ_DRIVE_SECONDS" "$E2E_WINE" "$TZDRIVE" "$@" </dev/null 2>>"$TZ_LOG") || rc=$?
  { echo "\$ tzdrive $*"; echo "$TZ_OUT"; echo "(exit $rc after $(( $(e2e_now_ms) - begin )) ms)"; } >>"$TZ_LOG"
  return $rc
}

# The scenario's driver process, fed through two pipes; it ends with the scenario's wineserver.
tz_start_driver() {
  local in="$SCENARIO_WORK/drive.in" out="$SCENARIO_WORK/drive.out"
  mkfifo "$in" "$out" || tz_fail "making the driver's pipes"
  "$E2E_WINE" "$TZDRIVE" serve <"$in" >"$out" 2>>"$TZ_LOG" &
  TZ_STARTED_PIDS="$TZ_STARTED_PIDS $!"
  exec {TZ_DRIVE_IN}>"$in" {TZ_DRIVE_OUT}<"$out"
}

# The value of KEY in the last driver output (or in $2).
tz_get() { sed -n "s/^$1=//p" <<<"${2:-$TZ_OUT}" | head -n 1; }

# Starts the program with the given arguments and waits for its main window; a message box of the
# program instead fails the scenario with the box's text.
tz_start() {
  local image
  image=$(basename "$TOLZEB_EXE")
  ( cd "$SCENARIO_WORK" && exec timeout -k 5 "$TZ_PROGRAM_SECONDS" "$E2E_WINE" "$TOLZEB_EXE" "$@" ) \
    </dev/null >>"$SCENARIO_WORK/program.log" 2>&1 &
  TZ_PID=$!
  TZ_STARTED_PIDS="$TZ_STARTED_PIDS $TZ_PID"
  e2e_log "started $image $* (pid $TZ_PID)"
  if ! tz_drive wait-window "$TZ_MAIN_CLASS" "$TZ_START_MS" --or-box "$image"; then
    if [ -n "$(tz_get text)" ]; then
      tz_fail "the program showed a box instead of its window: caption \"$(tz_get caption)\", text \"$(tz_get text)\""
    fi
    e2e_running "$TZ_PID" || tz_fail "the program ended before its window appeared (see $SCENARIO_WORK/program.log)"
    tz_fail "no visible $TZ_MAIN_CLASS window within $TZ_START_MS ms: $(tz_get error)"
  fi
  tz_take_geometry
  # The pointer stays where the last scenario left it, maybe over a control of the new window;
  # parked on the toolbar band left of the search icon, it hovers nothing.
  tz_move 100 60
}

# Client rectangle (screen pixels), DPI and the client size in DIPs from the last wait-window.
tz_take_geometry() {
  TZ_WINDOW_INFO=$TZ_OUT
  TZ_LEFT=$(tz_get client_left)
  TZ_TOP=$(tz_get client_top)
  TZ_WIDTH_PX=$(tz_get client_width)
  TZ_HEIGHT_PX=$(tz_get client_height)
  TZ_DPI=$(tz_get dpi)
  TZ_W=$(( TZ_WIDTH_PX * 96 / TZ_DPI ))
  TZ_H=$(( TZ_HEIGHT_PX * 96 / TZ_DPI ))
}

tz_click() { tz_drive click "$TZ_MAIN_CLASS" "$@" || tz_fail "click at $*: $(tz_get error)"; }
tz_move() { tz_drive move "$TZ_MAIN_CLASS" "$@" || tz_fail "move to $*: $(tz_get error)"; }
tz_key() { tz_drive key "$@" --to "$TZ_MAIN_CLASS" || tz_fail "key $*: $(tz_get error)"; }
tz_type() { tz_drive type "$1" --to "$TZ_MAIN_CLASS" || tz_fail "typing \"$1\": $(tz_get error)"; }

# No message box of the program is up now.
tz_expect_no_box() {
  if tz_drive msgbox "$(basename "$TOLZEB_EXE")" 0; then
    tz_fail "$1: an unexpected box: caption \"$(tz_get caption)\", text \"$(tz_get text)\""
  fi
}

# The next box of the program within $2 ms has the text $1 exactly (line breaks written as \n);
# it is then dismissed with OK.
tz_expect_box() {
  tz_drive msgbox "$(basename "$TOLZEB_EXE")" "${2:-$TZ_EXPECT_MS}" --press ok ||
    tz_fail "expected a box \"$1\": $(tz_get error)"
  [ "$(tz_get text)" = "$1" ] || tz_fail "box text: expected \"$1\", got \"$(tz_get text)\""
}

# The hand-off message in the background, for a job whose boxes the program shows inside the
# sender's SendMessageTimeoutW; tz_copydata_end waits for it and leaves its output in TZ_OUT.
tz_copydata_begin() {
  local reply="$SCENARIO_WORK/copydata.out"
  rm -f "$reply"
  ( tz_drive_once copydata "$TZ_MAIN_CLASS" "$@"; echo "$TZ_OUT" >"$reply" ) &
  TZ_COPYDATA_PID=$!
  TZ_STARTED_PIDS="$TZ_STARTED_PIDS $TZ_COPYDATA_PID"
}

tz_copydata_end() {
  e2e_wait_gone "$TZ_COPYDATA_PID" $(( TZ_DRIVE_SECONDS * 1000 )) || tz_fail "the hand-off message was not answered"
  wait "$TZ_COPYDATA_PID" || true
  TZ_OUT=$(cat "$SCENARIO_WORK/copydata.out" 2>/dev/null)
  [ "$(tz_get sent)" = 1 ] || tz_fail "the hand-off message: $(tz_get error)"
}

# The whole screen as XWD, into $1.
# xwd fails when a window it walks goes away mid-capture (a closing dialog), so it tries again
# until a deadline.
tz_grab() {
  local end=$(( $(e2e_now_ms) + 30000 ))
  until timeout -k 5 30 xwd -root -silent -display "$DISPLAY" >"$1" 2>>"$TZ_LOG" && [ -s "$1" ]; do
    [ "$(e2e_now_ms)" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# The client area now, as SHOT_DIR/NN-NAME.png.
tz_shot() {
  local xwd="$SCENARIO_WORK/shot.xwd"
  TZ_SHOT_COUNT=$(( TZ_SHOT_COUNT + 1 ))
  TZ_LAST_SHOT="$SHOT_DIR/$(printf '%02d' "$TZ_SHOT_COUNT")-$1.png"
  tz_grab "$xwd" || tz_fail "xwd could not take a screenshot"
  "$E2E_PYTHON" "$E2E_SOURCE_DIR/xwd_tools.py" crop "$xwd" "$TZ_LEFT" "$TZ_TOP" "$TZ_WIDTH_PX" "$TZ_HEIGHT_PX" \
    "$TZ_LAST_SHOT" || tz_fail "cropping the screenshot"
}

tz_colour_rgb() {
  if [ -n "${TZ_COLOURS[$1]:-}" ]; then echo "${TZ_COLOURS[$1]}"; else echo "${1//,/ }"; fi
}

# tz_expect FACT X,Y=COLOUR ...: polls the screen until every point (client DIPs) shows its
# colour (a palette name or R,G,B) within the tolerance; fails with each mismatch at the deadline.
tz_expect() {
  local fact=$1
  shift
  local xwd="$SCENARIO_WORK/expect.xwd"
  local end=$(( $(e2e_now_ms) + TZ_EXPECT_MS ))
  local spec point colour coords=() wanted=() names=() points=() actual
  for spec in "$@"; do
    point=${spec%%=*}
    colour=${spec#*=}
    coords+=("$(( ${point%,*} * TZ_DPI / 96 ))" "$(( ${point#*,} * TZ_DPI / 96 ))")
    wanted+=("$(tz_colour_rgb "$colour")")
    names+=("$colour")
    points+=("$point")
  done
  while :; do
    tz_grab "$xwd" || tz_fail "$fact: xwd could not take a screenshot"
    actual=$("$E2E_PYTHON" "$E2E_SOURCE_DIR/xwd_tools.py" pixel "$xwd" "$TZ_LEFT" "$TZ_TOP" "${coords[@]}") ||
      tz_fail "$fact: reading pixels"
    local report="" i=0 line
    while IFS= read -r line; do
      if ! tz_close_enough "$line" "${wanted[$i]}"; then
        report+=$'\n'"  at (${points[$i]}): expected ${wanted[$i]} (${names[$i]}), got $line"
      fi
      i=$(( i + 1 ))
    done <<<"$actual"
    if [ -z "$report" ]; then
      e2e_log "ok: $fact"
      return 0
    fi
    if [ "$(e2e_now_ms)" -ge "$end" ]; then
      tz_shot "failed"
      tz_fail "$fact$report"
    fi
    sleep 0.1
  done
}

# "R G B" within the tolerance of "R G B".
tz_close_enough() {
  local a b
  read -r -a a <<<"$1"
  read -r -a b <<<"$2"
  [ "${a[0]}" != - ] || return 1
  local c d
  for c in 0 1 2; do
    d=$(( a[c] - b[c] ))
    [ "${d#-}" -le "$TZ_TOLERANCE" ] || return 1
  done
}

# Closes the program with WM_CLOSE; it must end within the deadline with exit code 0, which both
# the driver (GetExitCodeProcess) and the Unix side (the wine64 process's status) must report.
tz_close() {
  tz_drive close "$TZ_MAIN_CLASS" "$TZ_CLOSE_MS" || tz_fail "close: $(tz_get error)"
  [ "$(tz_get exit_code)" = 0 ] || tz_fail "close: exit code $(tz_get exit_code), expected 0"
  e2e_wait_gone "$TZ_PID" 10000 || tz_fail "close: the wine64 process $TZ_PID stayed after the program ended"
  local status=0
  wait "$TZ_PID" || status=$?
  [ "$status" = 0 ] || tz_fail "close: the wine64 process ended with status $status, expected 0"
  e2e_log "ok: closed with exit code 0"
}

# ---------------------------------------------------------------- the frame

# The rail's seven entries, top to bottom; entry k is the square (19, 80 + 64k, 67, 128 + 64k).
TZ_RAIL_PAGES=(home compress extract tasks tools settings support)
tz_rail_y() { echo $(( 104 + 64 * $1 )); }

# Entry $2 alone is tinted as selected; every other entry is plain rail (the pointer must not rest
# on one of them, which would shade it).
tz_expect_rail_selected() {
  local fact=$1 selected=$2 k points=()
  for k in "${!TZ_RAIL_PAGES[@]}"; do
    if [ "$k" = "$selected" ]; then
      points+=("24,$(tz_rail_y "$k")=brandTint")
    else
      points+=("24,$(tz_rail_y "$k")=railBackground")
    fi
  done
  tz_expect "$fact" "${points[@]}"
}

# ---------------------------------------------------------------- tasks

# The console program of the same build, run in the scenario's prefix; its output lands in TZ_OUT,
# standard input comes from $TZ_ZEB_STDIN (empty when unset). The exit code is zeb's.
tz_zeb() {
  local exe=${ZEB_EXE:-$(dirname "$TZDRIVE")/../../cli/zeb.exe} rc=0
  [ -f "$exe" ] || tz_fail "no zeb.exe at $exe (build the zeb target)"
  TZ_OUT=$(printf '%s' "${TZ_ZEB_STDIN:-}" |
    timeout -k 5 "$TZ_DRIVE_SECONDS" "$E2E_WINE" "$exe" "$@" 2>&1 | tr -d '\r') || rc=$?
  { echo "\$ zeb $*"; echo "$TZ_OUT"; echo "(exit $rc)"; } >>"$TZ_LOG"
  return "$rc"
}

# The task panel sits in the middle of the page area, 560 wide; it is 286 high while its task runs
# and 232 when it has ended (taller only for a summary of more than two lines).
tz_panel_geometry() {
  TZ_PANEL_CX=$(( (86 + TZ_W) / 2 ))
  TZ_PANEL_CY=$(( (122 + TZ_H) / 2 ))
  TZ_PANEL_X0=$(( TZ_PANEL_CX - 280 ))
  TZ_PANEL_X1=$(( TZ_PANEL_CX + 280 ))
}

# The ended look: the primary Close button at the bottom right; the point is the gap above the
# running look's buttons, so it is white while the task runs.
tz_expect_panel_ended() {
  tz_panel_geometry
  tz_expect "$1" "$(( TZ_PANEL_X1 - 36 )),$(( TZ_PANEL_CY + 77 ))=brandRed" \
    "$(( TZ_PANEL_X0 + 8 )),$TZ_PANEL_CY=white"
}

tz_expect_panel_running() {
  tz_panel_geometry
  tz_expect "$1" "$(( TZ_PANEL_X1 - 36 )),$(( TZ_PANEL_CY + 77 ))=white" \
    "$(( TZ_PANEL_X0 + 8 )),$(( TZ_PANEL_CY + 100 ))=white"
}

# The running look's buttons, right to left: Cancel, then Hold (Resume while held).
tz_click_cancel() { tz_panel_geometry; tz_click $(( TZ_PANEL_X1 - 86 )) $(( TZ_PANEL_CY + 104 )); }
tz_click_hold() { tz_panel_geometry; tz_click $(( TZ_PANEL_X1 - 216 )) $(( TZ_PANEL_CY + 104 )); }

# Size in bytes of file $1, or -1 when it is not there.
tz_file_size() { stat -c %s "$1" 2>/dev/null || echo -1; }

# Polls until file $1 exists with a size above $2 (default 0), within $3 ms.
tz_wait_file() {
  local end=$(( $(e2e_now_ms) + ${3:-$TZ_EXPECT_MS} ))
  while [ "$(tz_file_size "$1")" -le "${2:-0}" ]; do
    [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "no $1 larger than ${2:-0} bytes within ${3:-$TZ_EXPECT_MS} ms"
    sleep 0.05
  done
}

# ---------------------------------------------------------------- the compress page

# Scrolled to its end, the page's column ends with the start button 24 above the window's bottom;
# every card above it is placed from there (the format card is reached at the top instead).
# $1: whether the password card shows its fields (an encrypted .zeb).
tz_compress_bottom_geometry() {
  local password_height=126
  [ "${1:-0}" = 1 ] && password_height=210
  TZ_START_Y=$(( TZ_H - 48 ))
  TZ_PASSWORD_TOP=$(( TZ_H - 236 - password_height ))
  TZ_MODES_TOP=$(( TZ_PASSWORD_TOP - 18 - 250 ))
}

# A click lands on what the window last drew, so each waits until the scroll bar's thumb is drawn at
# that end of its track (6 DIPs in from the right edge).
tz_scroll_to_end() {
  local k
  for k in 1 2 3 4; do tz_key pagedown; done
  tz_expect "the page is scrolled to its end" "$(( TZ_W - 6 )),$(( TZ_H - 10 ))=scrollThumb"
}
tz_scroll_to_top() {
  local k
  for k in 1 2 3 4; do tz_key pageup; done
  tz_expect "the page is scrolled to its top" "$(( TZ_W - 6 )),135=scrollThumb"
}
