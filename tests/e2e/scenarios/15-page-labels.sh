# The compress and extract pages in languages whose labels are longer than the English ones: the
# buttons grow to hold their labels on one line. Screenshots of both pages in each language, at the
# top and scrolled to the end, are looked at; the checks here only hold the path through them.
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
TZ_PROGRAM_SECONDS=600  # the scenario's own deadline ends it sooner
input="$SCENARIO_WORK/input"
mkdir -p "$input"
printf 'alpha\n' >"$input/alpha.txt"
printf 'beta\n' >"$input/beta.txt"
archive="$SCENARIO_WORK/sample.zeb"
tz_zeb c "$(tz_winpath "$input/alpha.txt")" "$(tz_winpath "$input/beta.txt")" -o "$(tz_winpath "$archive")" ||
  tz_fail "zeb c: $TZ_OUT"

for language in de-DE ru-RU; do
  tz_seed_settings "language=$language" previewPane=0
  tz_start "$(tz_winpath "$archive")"
  tz_expect "$language: the viewer lists sample.zeb" "141,566=white" "135,557=216,220,227"
  # "Extract all" in the action row under two rows.
  tz_click 427 $(( 564 + 64 + 20 + 24 ))
  tz_move 100 60
  tz_expect "$language: the extract page, its archive listed" "24,$(tz_rail_y 2)=brandTint"
  tz_scroll_to_top
  tz_shot "$language-extract-top"
  tz_scroll_to_end
  tz_shot "$language-extract-end"
  tz_click 43 "$(tz_rail_y 1)"
  tz_move 100 60
  tz_expect_rail_selected "$language: the compress page" 1
  tz_shot "$language-compress-top"
  tz_scroll_to_end
  tz_shot "$language-compress-end"
  tz_close
done
