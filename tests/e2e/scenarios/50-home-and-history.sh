# The home page and the history page: a seeded history shows on the home page (the newest
# archives, the summary), a recent row opens its archive in the viewer, "View All" leads to the
# history page, a history row opens its archive, and "Clear history" empties the record and the
# list. Both pages are shot in English and in German (long words).
ZEB_EXE=${ZEB_EXE:-$(find "$(dirname "$E2E_WORK")" -name zeb.exe -not -path "$E2E_WORK/*" -print -quit)}
[ -n "$ZEB_EXE" ] && [ -f "$ZEB_EXE" ] || tz_fail "no zeb.exe in the build (build the zeb target)"

sources="$SCENARIO_WORK/sources"
mkdir -p "$sources"
printf 'first line\n' >"$sources/notes.txt"
head -c 60000 /dev/zero | tr '\0' 'h' >"$sources/filler.bin"
archive="$SCENARIO_WORK/made-earlier.zeb"
timeout -k 5 120 "$E2E_WINE" "$ZEB_EXE" c "$(tz_winpath "$sources")" -o "$(tz_winpath "$archive")" \
  </dev/null >>"$SCENARIO_WORK/zeb.log" 2>&1 || tz_fail "zeb.exe could not make the archive (see $SCENARIO_WORK/zeb.log)"
[ -s "$archive" ] || tz_fail "zeb.exe made no archive"

seed_history() {
  tz_seed_history "$(tz_winpath "$archive")|$(tz_file_size "$archive")|60011|1250" \
    'Z:\nowhere\moved-away.zeb|1000|5000|0' \
    'C:\users\Public\Documents\quarterly-report-with-a-long-name.zeb|1048576|3145728|410'
}

# Home page geometry (DIPs): column 114 .. W - 28, first line at 146. The cards row spans
# 413 .. 645, four cards 18 apart; the recent archives card spans 669 .. 969 from 114 to M - 22,
# its rows 76 high from 731, and "View All" ends with its arrow 24 in from the card's right.
L=114
home_geometry() {
  R=$(( TZ_W - 28 ))
  local right_cards=$(( 42 * (R - L) / 100 ))
  [ "$right_cards" -gt 560 ] && right_cards=560
  RECENT_RIGHT=$(( R - right_cards - 22 ))
  CARD_W=$(( (R - L - 54) / 4 ))
}
view_all() { tz_click $(( RECENT_RIGHT - 33 )) 701; }
go_home() { tz_click 43 "$(tz_rail_y 0)"; tz_move 100 60; }

# The history page: totals card 240 .. 352 with "Clear history" at (R - 198, 284, R - 22, 326);
# the list card from 370, rows 56 high from 428; with three rows it ends at 610, empty at 502.
expect_history_page() {
  tz_expect "$1: the history page's totals card" "130,260=white" "$(( R - 5 )),260=white"
}

tz_seed_settings language=en-US previewPane=0
seed_history
tz_start
home_geometry
tz_expect "the home page: the banner in the accent colour, the first card's icon tile tinted" \
  "134,290=brandRed" "$(( L + CARD_W / 2 - 26 )),445=brandTint" "130,680=white"
tz_shot home
tz_scroll_to_end
tz_shot home-scrolled-to-the-recent-archives
tz_scroll_to_top

tz_click 300 769
tz_move 100 60
tz_expect_rail_selected "the newest recent archive opens in the viewer" 2
tz_expect_no_box "after opening the newest archive from the home page"
tz_shot viewer-from-home

go_home
tz_expect_rail_selected "back home" 0
view_all
tz_move 100 60
expect_history_page "after View All"
tz_expect "three rows keep the list card below 502" "130,510=white"
tz_shot history

tz_click 400 456
tz_move 100 60
tz_expect_rail_selected "the first history row opens in the viewer" 2
tz_expect_no_box "after opening the first history row"

go_home
view_all
tz_move 100 60
expect_history_page "back on the history page"
tz_click $(( R - 110 )) 305
tz_move 100 60
tz_expect "the cleared list card is 132 high" "130,510=windowBackground"
entries=$(grep -c $'\t' "$TZ_DATA_DIR/history.txt" 2>/dev/null || true)
[ "${entries:-0}" = 0 ] || tz_fail "history.txt still holds $entries entries after clearing"
tz_shot history-cleared

go_home
tz_expect "the home page lists no recent archive" "150,769=white"
tz_shot home-after-clearing
tz_close

# German: longer words on the cards, the summary and the history rows.
tz_seed_settings language=de-DE previewPane=0
seed_history
tz_start
home_geometry
tz_expect "the German home page is drawn" "134,290=brandRed"
tz_shot home-de
tz_scroll_to_end
tz_shot home-de-scrolled
tz_scroll_to_top
view_all
tz_move 100 60
expect_history_page "the German history page"
tz_shot history-de
tz_close
