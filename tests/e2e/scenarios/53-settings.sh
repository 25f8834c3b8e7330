# The settings page: a language chosen in its list changes the texts at once and is in
# settings.txt for the next start; the check boxes and segment rows store what they show.
# Screenshots of the whole page in English and German, for a person to look at.
#
# Geometry (client DIPs, unscrolled): the column starts at 114, the language card at 240; its box
# is (136, 324)-(416, 364) and the "same language for numbers" check box square (436, 334)-(456,
# 354). The compression card follows at 430: the mode segments span 136 to 656 from y 516 to 554.
LANGUAGE_BOX="276 344"
FOLLOW_BOX="446 344"
FOLLOW_SQUARE_POINT="446,351"  # inside the square, below its tick
BALANCED_POINT="320,535"       # inside the middle segment, left of its label
COMPACT_POINT="500,535"
GERMAN_ROW=8  # in the list's order

# Polls settings.txt until it holds the line $1 exactly.
expect_setting() {
  local end=$(( $(e2e_now_ms) + TZ_EXPECT_MS ))
  until grep -qx -- "$1" "$TZ_DATA_DIR/settings.txt" 2>/dev/null; do
    [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "settings.txt never held \"$1\": $(tr '\n' ' ' <"$TZ_DATA_DIR/settings.txt")"
    sleep 0.05
  done
  e2e_log "ok: settings.txt holds $1"
}

# The page from top to bottom, a page-down at a time.
shoot_page() {
  local k
  tz_shot "$1-settings-top"
  for k in 1 2 3 4; do
    tz_key pagedown
    tz_shot "$1-settings-down-$k"
  done
  tz_scroll_to_top
}

# Two runs of the program with many steps each; a loaded machine needs more than the default.
TZ_PROGRAM_SECONDS=$(( TZ_PROGRAM_SECONDS * 2 ))
tz_seed_settings language=en-US mode=1 formatFollowsLanguage=0
tz_start
tz_click 43 "$(tz_rail_y 5)"
tz_expect_rail_selected "the settings page is shown" 5
tz_expect "the stored mode is selected" "$BALANCED_POINT=brandRed" "$COMPACT_POINT=white"
shoot_page en-US

# A segment row and a check box, each stored at once.
tz_click 570 535
tz_expect "Compact is selected" "$COMPACT_POINT=brandRed" "$BALANCED_POINT=white"
expect_setting mode=2
tz_click $FOLLOW_BOX
tz_move 100 60  # a hovered box is shaded
tz_expect "the check box is ticked" "$FOLLOW_SQUARE_POINT=brandRed"
expect_setting formatFollowsLanguage=1
tz_click $FOLLOW_BOX
tz_move 100 60
tz_expect "the check box is clear again" "$FOLLOW_SQUARE_POINT=white"
expect_setting formatFollowsLanguage=0

# The language list, walked with the keyboard down to German and picked with Enter.
tz_click $LANGUAGE_BOX
tz_move 100 60
tz_expect "the open box is tinted, under the list's dimming" "140,330=213,193,199"
tz_shot en-US-language-list
for _ in $(seq "$GERMAN_ROW"); do tz_key down; done
tz_shot en-US-language-list-german-highlighted
tz_key enter
expect_setting language=de-DE
tz_expect "the list is closed" "140,330=white"
shoot_page de-DE
tz_expect_no_box "after switching the language"
tz_close

# The next start reads the choice back.
tz_start
tz_click 43 "$(tz_rail_y 5)"
tz_expect_rail_selected "the settings page again" 5
tz_expect "the stored mode is still selected" "$COMPACT_POINT=brandRed"
tz_shot de-DE-after-restart
tz_close
