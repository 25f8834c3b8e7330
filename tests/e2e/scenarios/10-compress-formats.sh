# Compressing from the window: a folder on the command line fills the compress page; one archive
# is made in each format and mode the page offers (.zeb lightning, balanced, compact with a
# password, zip, 7z), each waited for on the task panel, then listed and tested by zeb.exe and
# found in the history.
src="$SCENARIO_WORK/src"
mkdir -p "$src/notes"
for name in alpha beta gamma; do
  for _ in $(seq 200); do echo "line of $name, repeated to give the coder something to find"; done >"$src/$name.txt"
done
echo "a note in a folder" >"$src/notes/inner.txt"
head -c 1048576 /dev/urandom >"$src/random.bin"
expected=(alpha.txt beta.txt gamma.txt inner.txt random.bin)
password="Correct horse 7"

tz_seed_settings language=en-US
tz_start "$(tz_winpath "$src")"
tz_expect_rail_selected "a folder on the command line shows the compress page" 1
tz_expect "the .zeb format is proposed" 150,774=brandRed 310,774=white 470,774=white
tz_shot compress-page

# Makes the archive with the page as it is now, waits for the ended panel, closes it with Escape
# and moves the archive to $1 for the checks.
create_as() {
  local target="$SCENARIO_WORK/$1" made="$SCENARIO_WORK/src.$2"
  rm -f "$made"
  tz_click 219 "$TZ_START_Y"
  tz_move 100 60
  TZ_EXPECT_MS=60000 tz_expect_panel_ended "$1: the task panel shows the ended look"
  tz_shot "ended-$1"
  [ -f "$made" ] || tz_fail "$1: no $made after the task ended"
  [ ! -e "$made.partial" ] || tz_fail "$1: a .partial stayed beside the archive"
  grep -qF "$(tz_winpath "$made")" "$TZ_DATA_DIR/history.txt" 2>/dev/null ||
    tz_fail "$1: history.txt lacks $(tz_winpath "$made")"
  e2e_log "ok: $1 made and written to the history"
  tz_key escape
  tz_expect "$1: Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"
  mv "$made" "$target"
}

# The entries zeb lists, then its test; $2 is the password for an encrypted archive.
check_archive() {
  local archive
  archive=$(tz_winpath "$SCENARIO_WORK/$1")
  local stdin_args=()
  [ -n "${2:-}" ] && stdin_args=(--password-stdin)
  TZ_ZEB_STDIN=${2:-} tz_zeb l "${stdin_args[@]}" "$archive" || tz_fail "$1: zeb l failed: $TZ_OUT"
  local name
  for name in "${expected[@]}"; do
    grep -q "$name" <<<"$TZ_OUT" || tz_fail "$1: zeb l does not list $name: $TZ_OUT"
  done
  TZ_ZEB_STDIN=${2:-} tz_zeb t "${stdin_args[@]}" "$archive" || tz_fail "$1: zeb t failed: $TZ_OUT"
  e2e_log "ok: $1 lists its ${#expected[@]} files and tests clean"
}

# Scrolled to the end: the mode, then start.
tz_scroll_to_end
tz_compress_bottom_geometry 0
tz_click 212 $(( TZ_MODES_TOP + 74 ))
tz_move 100 60
tz_expect "lightning is chosen" "150,$(( TZ_MODES_TOP + 74 ))=brandRed" "305,$(( TZ_MODES_TOP + 74 ))=white"
tz_shot lightning
create_as lightning.zeb zeb

tz_click 366 $(( TZ_MODES_TOP + 74 ))
tz_move 100 60
tz_expect "balanced is chosen" "150,$(( TZ_MODES_TOP + 74 ))=white" "305,$(( TZ_MODES_TOP + 74 ))=brandRed"
create_as balanced.zeb zeb

# Compact with a password: the encryption box, both fields, then the card has grown.
tz_click 519 $(( TZ_MODES_TOP + 74 ))
tz_click 146 $(( TZ_PASSWORD_TOP + 68 ))
tz_scroll_to_end
tz_compress_bottom_geometry 1
tz_move 100 60
tz_expect "compact is chosen and encryption ticked" "459,$(( TZ_MODES_TOP + 74 ))=brandRed" \
  "139,$(( TZ_PASSWORD_TOP + 61 ))=brandRed"
tz_click 250 $(( TZ_PASSWORD_TOP + 137 ))
tz_type "$password"
tz_click 620 $(( TZ_PASSWORD_TOP + 137 ))
tz_type "$password"
tz_move 100 60
tz_shot compact-password
create_as compact-locked.zeb zeb

# zip and 7z: the format at the top (the destination follows the extension), start at the end.
tz_scroll_to_top
tz_click 376 774
tz_move 100 60
tz_expect "zip is chosen" 150,774=white 310,774=brandRed
tz_shot zip
tz_scroll_to_end
tz_compress_bottom_geometry 0
create_as made.zip zip

tz_scroll_to_top
tz_click 536 774
tz_move 100 60
tz_expect "7z is chosen" 310,774=white 470,774=brandRed
tz_scroll_to_end
create_as made.7z 7z
tz_expect_no_box "after five archives"
tz_close

check_archive lightning.zeb
check_archive balanced.zeb
check_archive compact-locked.zeb "$password"
TZ_ZEB_STDIN="wrong password" tz_zeb t --password-stdin "$(tz_winpath "$SCENARIO_WORK/compact-locked.zeb")" &&
  tz_fail "zeb t accepted a wrong password for compact-locked.zeb"
e2e_log "ok: the encrypted archive refuses a wrong password"
check_archive made.zip
check_archive made.7z
