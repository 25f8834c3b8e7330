# Files dropped on the window: two archives dropped together become the sources of a new archive
# (neither is opened), which is then made and holds both; a missing path dropped alone opens the
# viewer, which says the file is gone. The drop is WM_DROPFILES as Explorer sends it (tzdrive drop).
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
TZ_PROGRAM_SECONDS=600  # the scenario's own deadline ends it sooner
input="$SCENARIO_WORK/input"
mkdir -p "$input"
printf 'first\n' >"$input/first.txt"
printf 'second\n' >"$input/second.txt"
tz_zeb c "$(tz_winpath "$input/first.txt")" -o "$(tz_winpath "$SCENARIO_WORK/one.zeb")" || tz_fail "zeb c: $TZ_OUT"
tz_zeb c "$(tz_winpath "$input/second.txt")" -o "$(tz_winpath "$SCENARIO_WORK/two.zip")" || tz_fail "zeb c: $TZ_OUT"

tz_seed_settings language=en-US
tz_start
tz_expect_rail_selected "the program starts on the home page" 0
tz_drive drop "$TZ_MAIN_CLASS" 600 400 "$(tz_winpath "$SCENARIO_WORK/one.zeb")" \
  "$(tz_winpath "$SCENARIO_WORK/two.zip")" || tz_fail "drop: $(tz_get error)"
tz_expect_rail_selected "two dropped archives open the compress page" 1
tz_shot two-archives-dropped

made="$SCENARIO_WORK/one.zeb.zeb"
tz_scroll_to_end
tz_compress_bottom_geometry 0
tz_click 219 "$TZ_START_Y"
tz_move 100 60
TZ_EXPECT_MS=60000 tz_expect_panel_ended "the archive of the dropped sources is made"
[ -f "$made" ] || tz_fail "no $made: the destination is the first dropped source with .zeb added"
tz_key escape
tz_expect "Escape closes the ended panel" "100,$TZ_PANEL_CY=windowBackground"

tz_drive drop "$TZ_MAIN_CLASS" 600 400 "$(tz_winpath "$SCENARIO_WORK/gone.zeb")" || tz_fail "drop: $(tz_get error)"
tz_expect_rail_selected "a missing path dropped alone opens the viewer" 2
tz_shot missing-dropped
tz_expect_no_box "after the drops"
tz_close

tz_zeb l "$(tz_winpath "$made")" || tz_fail "zeb l $made: $TZ_OUT"
grep -q one.zeb <<<"$TZ_OUT" && grep -q two.zip <<<"$TZ_OUT" ||
  tz_fail "the archive of the dropped sources does not hold both: $TZ_OUT"
e2e_log "ok: both dropped archives are in $made"
