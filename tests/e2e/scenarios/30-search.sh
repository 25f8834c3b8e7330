# The archive search: the history holds two archives made by zeb.exe, one path that is gone and a
# text file. Typing into the toolbar's field shows the search page with the archive whose path
# matches; Enter looks inside every recorded archive; a found entry opens its archive in the viewer.
ZEB_EXE=${ZEB_EXE:-$(find "$(dirname "$E2E_WORK")" -name zeb.exe -not -path "$E2E_WORK/*" -print -quit)}
[ -n "$ZEB_EXE" ] && [ -f "$ZEB_EXE" ] || tz_fail "no zeb.exe in the build (build the zeb target)"

make_archive() {  # $1 the folder packed, $2 the archive
  timeout -k 5 120 "$E2E_WINE" "$ZEB_EXE" c "$(tz_winpath "$1")" -o "$(tz_winpath "$2")" \
    </dev/null >>"$SCENARIO_WORK/zeb.log" 2>&1 || tz_fail "zeb.exe could not make $2 (see $SCENARIO_WORK/zeb.log)"
  [ -s "$2" ] || tz_fail "zeb.exe made no $2"
}

mkdir -p "$SCENARIO_WORK/trip/beach" "$SCENARIO_WORK/office"
printf 'orange sky\n' >"$SCENARIO_WORK/trip/beach/Sunset.txt"
printf 'sand\n' >"$SCENARIO_WORK/trip/beach/dunes.txt"
printf 'plans\n' >"$SCENARIO_WORK/office/plan.txt"
head -c 30000 /dev/zero | tr '\0' 'x' >"$SCENARIO_WORK/office/sunset-budget.csv"
trip="$SCENARIO_WORK/sunset-trip.zeb"
office="$SCENARIO_WORK/office.zeb"
make_archive "$SCENARIO_WORK/trip" "$trip"
make_archive "$SCENARIO_WORK/office" "$office"
printf 'not an archive\n' >"$SCENARIO_WORK/notes.zeb"

# Newest first: the trip, the office, an archive deleted since, and the text file.
tz_seed_settings language=en-US
tz_seed_history "$(tz_winpath "$trip")|1000|2000|100" "$(tz_winpath "$office")|1000|2000|100" \
  "$(tz_winpath "$SCENARIO_WORK/deleted.zeb")|1000|2000|100" "$(tz_winpath "$SCENARIO_WORK/notes.zeb")|1000|2000|100"
tz_start
tz_expect_no_box "after the start"
tz_expect_rail_selected "the home page comes up first" 0

# The search page's column: cards from 240, 28 in from the page area (86 .. W) on both sides.
# The archives card is 58 + 56n + 14 high; the files card follows 18 below it, 116 + 56m high.
L=114
tz_click 200 85
tz_type "SUNSET"
tz_move 100 60
# One archive path matches (the trip): the archives card ends at 368, and before Enter the files
# card holds one message row, so it ends at 386 + 116 + 56 = 558.
tz_expect "the search page shows one matching archive and an unsearched files card" \
  "$(( L + 6 )),360=white" "$(( L + 6 )),376=windowBackground" "$(( L + 6 )),550=white" \
  "$(( L + 6 )),566=windowBackground"
tz_shot typed
tz_expect_rail_selected "the search page has no rail entry: none is tinted" -1

tz_click 200 85
tz_key enter
tz_move 100 60
# Two entries hold the text: beach/Sunset.txt in the trip and sunset-budget.csv in the office; the
# files card grows to two rows (bottom 386 + 116 + 112 = 614).
tz_expect "after Enter two entries are found inside the archives" \
  "$(( L + 6 )),606=white" "$(( L + 6 )),622=windowBackground"
tz_shot searched

# The second entry row (466 + 56 .. 522 + 56) opens the office archive in the viewer.
tz_click 400 550
tz_move 100 60
tz_expect_rail_selected "the viewer of the found entry's archive: the extract entry is tinted" 2
tz_expect_no_box "after opening the found entry's archive"
tz_shot viewer
tz_close
