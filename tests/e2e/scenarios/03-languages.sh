# Languages: every page in English, German (long words) and Russian (another script), for a person
# to look at; each run starts from settings.txt naming the language.
for language in en-US de-DE ru-RU; do
  tz_seed_settings "language=$language"
  tz_start
  for k in "${!TZ_RAIL_PAGES[@]}"; do
    tz_click 43 "$(tz_rail_y "$k")"
    tz_expect_rail_selected "$language: the ${TZ_RAIL_PAGES[$k]} page is shown" "$k"
    tz_shot "$language-${TZ_RAIL_PAGES[$k]}"
  done
  tz_close
done
