# Languages: every page in English, German (long words), Russian (another script) and Brazilian
# Portuguese (long labels), for a person to look at; each run starts from settings.txt naming the
# language. The long pages are also shown scrolled to their end.
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
for language in en-US de-DE ru-RU pt-BR; do
  tz_seed_settings "language=$language"
  tz_start
  for k in "${!TZ_RAIL_PAGES[@]}"; do
    page=${TZ_RAIL_PAGES[$k]}
    tz_click 43 "$(tz_rail_y "$k")"
    tz_expect_rail_selected "$language: the $page page is shown" "$k"
    tz_shot "$language-$page"
    if [ "$language" != en-US ] && { [ "$page" = tools ] || [ "$page" = settings ]; }; then
      tz_move 600 400
      tz_scroll_to_end
      tz_shot "$language-$page-end"
    fi
  done
  tz_close
done
