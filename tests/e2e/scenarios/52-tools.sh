# The tools page: an archive made by zeb.exe (with a recovery record and two files of the same
# contents) is chosen through the open dialog, and every tool runs once on it from the page: the
# thorough check, decode only, split, merge, the damage scan, repair, the duplicate search and the
# comparison with the folder it was made from. Each task must end on the panel without a failure;
# the files a tool writes are checked here, and the results the page shows are on the screenshots.
# A busy machine draws slowly: each check may wait longer than the default.
TZ_EXPECT_MS=$(( TZ_EXPECT_MS > 40000 ? TZ_EXPECT_MS : 40000 ))
# Nine tools, three dialogs: the program runs longer than most scenarios' programs.
TZ_PROGRAM_SECONDS=$(( TZ_PROGRAM_SECONDS > 900 ? TZ_PROGRAM_SECONDS : 900 ))
ZEB_EXE=${ZEB_EXE:-$(find "$(dirname "$E2E_WORK")" -name zeb.exe -not -path "$E2E_WORK/*" -print -quit)}
[ -n "$ZEB_EXE" ] && [ -f "$ZEB_EXE" ] || tz_fail "no zeb.exe in the build (build the zeb target)"

sources="$SCENARIO_WORK/sources"
mkdir -p "$sources/docs"
for _ in $(seq 300); do echo "the same words in two files, over and over"; done >"$sources/first.txt"
cp "$sources/first.txt" "$sources/docs/copy.txt"
head -c 300000 /dev/urandom >"$sources/noise.bin"
printf 'only once\n' >"$sources/docs/single.txt"
archive="$SCENARIO_WORK/sample.zeb"
timeout -k 5 120 "$E2E_WINE" "$ZEB_EXE" c "$(tz_winpath "$sources")" -o "$(tz_winpath "$archive")" --recovery 10 \
  </dev/null >>"$SCENARIO_WORK/zeb.log" 2>&1 || tz_fail "zeb.exe could not make the archive (see $SCENARIO_WORK/zeb.log)"
[ -s "$archive" ] || tz_fail "zeb.exe made no archive"

# A file dialog of the program: waits for it, types the full path into its name box and accepts.
# The dialog shows before it is drawn and takes keys only once it is: its lower left corner must
# have turned from black to the dialog's face first.
# A dialog right after another one must be a new window, not the one that is closing.
TZ_LAST_DIALOG=""
answer_dialog() {
  local left top height end pixel xwd="$SCENARIO_WORK/dialog.xwd"
  end=$(( $(e2e_now_ms) + 120000 ))
  while :; do
    if tz_drive wait-window "#32770" "$TZ_START_MS"; then
      [ "$(tz_get hwnd)" != "$TZ_LAST_DIALOG" ] && break
    fi
    [ "$(e2e_now_ms)" -lt "$end" ] || { tz_shot "failed"; tz_fail "$1: no new dialog appeared: $(tz_get error)"; }
    sleep 0.2
  done
  TZ_LAST_DIALOG=$(tz_get hwnd)
  left=$(tz_get client_left)
  top=$(tz_get client_top)
  height=$(tz_get client_height)
  end=$(( $(e2e_now_ms) + 60000 ))
  while :; do
    tz_grab "$xwd" || tz_fail "$1: xwd could not take a screenshot"
    pixel=$("$E2E_PYTHON" "$E2E_SOURCE_DIR/xwd_tools.py" pixel "$xwd" "$left" "$top" 12 $(( height - 12 ))) ||
      tz_fail "$1: reading the dialog's pixels"
    [ "$pixel" != "0 0 0" ] && break
    [ "$(e2e_now_ms)" -lt "$end" ] || { tz_shot "failed"; tz_fail "$1: the dialog was never drawn"; }
    sleep 0.2
  done
  e2e_log "ok: $1: the dialog is drawn ($pixel)"
  tz_drive wait-focus Edit "$TZ_EXPECT_MS" || tz_fail "$1: the name box never took the focus: $(tz_get error)"
  tz_drive key a ctrl || tz_fail "$1: selecting the name box: $(tz_get error)"
  tz_drive type "$2" || tz_fail "$1: typing the path: $(tz_get error)"
  # Enter now and then leaves the dialog up under Wine (a busy one took it for its completion
  # list), so it is pressed again while the same dialog stays, as a person would.
  local presses=0 gone_by
  while [ "$presses" -lt 3 ]; do
    [ "$presses" = 0 ] || e2e_log "$1: the dialog is still up; Enter again"
    tz_drive key return || tz_fail "$1: accepting the dialog: $(tz_get error)"
    presses=$(( presses + 1 ))
    gone_by=$(( $(e2e_now_ms) + 10000 ))
    while tz_drive wait-window "#32770" 100 && [ "$(tz_get hwnd)" = "$TZ_LAST_DIALOG" ]; do
      [ "$(e2e_now_ms)" -lt "$gone_by" ] || continue 2
      sleep 0.2
    done
    return 0
  done
  tz_shot "failed"
  tz_fail "$1: the dialog stayed after Enter was pressed $presses times"
}

# Runs the tool whose button is at ($2, $3), waits for the ended panel, takes a shot of it, and
# closes it with Escape.
run_tool() {
  tz_click "$2" "$3"
  tz_move 100 60
  TZ_EXPECT_MS=90000 tz_expect_panel_ended "$1: the task panel shows the ended look"
  tz_shot "ended-$1"
  tz_key escape
  tz_expect "$1: Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"
}

tz_seed_settings language=en-US previewPane=0
tz_start
tz_expect_rail_selected "the program starts on the home page" 0
tz_click 43 "$(tz_rail_y 4)"
tz_move 100 60
tz_expect_rail_selected "the tools page is shown" 4
tz_shot empty

# Column 114 .. W - 28; the archive card spans 240 .. 420, its buttons 350 .. 394.
R=$(( TZ_W - 28 ))
tz_click $(( R - 91 )) 317
answer_dialog "choosing the archive" "$(tz_winpath "$archive")"
tz_move 100 60
tz_expect "the listed archive enables the checks" "140,358=brandRed" "228,358=brandRed"
tz_expect_no_box "after choosing sample.zeb"
tz_shot listed

run_tool verify 228 372
run_tool test 414 372

# One page down (the 690-DIP page less 48): the split card spans 248 .. 510, its buttons 450 .. 492;
# the repair card 528 .. 714, its buttons 654 .. 696.
tz_key pagedown
tz_move 100 60
tz_shot split-and-repair
run_tool split 215 483
[ -s "$archive.001" ] || tz_fail "split: no sample.zeb.001 beside the archive"
e2e_log "ok: split wrote $(ls "$archive".0* | wc -l) part(s)"

merged="$SCENARIO_WORK/merged.zeb"
tz_click 405 483
answer_dialog "merge: the first part" "$(tz_winpath "$archive.001")"
answer_dialog "merge: the output" "$(tz_winpath "$merged")"
tz_move 100 60
TZ_EXPECT_MS=90000 tz_expect_panel_ended "merge: the task panel shows the ended look"
tz_shot ended-merge
tz_key escape
tz_expect "merge: Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"
cmp -s "$merged" "$archive" || tz_fail "merge: merged.zeb differs from the archive that was split"
e2e_log "ok: the merged parts equal the archive"

# One byte of the stored noise is flipped: the scan must find it and the repair must mend it, so
# that zeb.exe tests the archive clean at the end.
"$E2E_PYTHON" - "$archive" <<'PY' || tz_fail "damaging the archive"
import sys
with open(sys.argv[1], "r+b") as f:
    f.seek(100000)
    byte = f.read(1)[0]
    f.seek(100000)
    f.write(bytes([byte ^ 0x5A]))
PY
TZ_ZEB_STDIN="" tz_zeb t "$(tz_winpath "$archive")" && tz_fail "zeb t does not notice the flipped byte"
run_tool scan 225 687
run_tool repair 410 687
TZ_ZEB_STDIN="" tz_zeb t "$(tz_winpath "$archive")" || tz_fail "zeb t fails on the repaired archive: $TZ_OUT"
e2e_log "ok: the repaired archive tests clean"

# At the end of the page (offset about 970): the duplicates button lies near y 424 to 440 and the
# compare button, once one duplicate group shows, near 642 to 678.
tz_key pagedown
tz_move 100 60
run_tool duplicates $(( R - 114 )) 424
tz_shot duplicates-found

tz_click $(( R - 126 )) 648
answer_dialog "compare: the folder" "$(tz_winpath "$sources")"
tz_move 100 60
TZ_EXPECT_MS=90000 tz_expect_panel_ended "compare: the task panel shows the ended look"
tz_shot ended-compare
tz_key escape
tz_expect "compare: Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"
tz_key pagedown
tz_move 100 60
tz_shot results
tz_expect_no_box "after every tool"
tz_close
