# Navigation: a click on each rail entry selects it and shows its page.
tz_seed_settings language=en-US
tz_seed_history 'C:\users\Public\Documents\photos-2024.zeb|73400320|104857600|5230' \
  'C:\users\Public\Documents\report.zeb|1048576|3145728|410'
tz_start
for k in "${!TZ_RAIL_PAGES[@]}"; do
  tz_click 43 "$(tz_rail_y "$k")"
  tz_expect_rail_selected "after a click on the ${TZ_RAIL_PAGES[$k]} entry it alone is tinted" "$k"
  tz_shot "${TZ_RAIL_PAGES[$k]}"
done
tz_click 43 "$(tz_rail_y 0)"
tz_expect_rail_selected "back home" 0
tz_expect_no_box "after visiting every page"
tz_close
