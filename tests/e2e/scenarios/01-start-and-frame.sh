# Start and frame: the main window comes up as specified and closes cleanly.
tz_seed_settings language=en-US
tz_start

[ "$(tz_get title "$TZ_WINDOW_INFO")" = TOLZEB ] || tz_fail "title: expected \"TOLZEB\", got \"$(tz_get title "$TZ_WINDOW_INFO")\""
[ "$(tz_get zoomed "$TZ_WINDOW_INFO")$(tz_get iconic "$TZ_WINDOW_INFO")" = 00 ] ||
  tz_fail "expected the window neither maximised nor minimised: $(tr '\n' ' ' <<<"$TZ_WINDOW_INFO")"
# 1204 x 816 DIPs of window, less the resize borders at the left, right and bottom.
[ "$TZ_W" -ge $(( 1204 - 2 * 16 )) ] && [ "$TZ_W" -le 1204 ] ||
  tz_fail "client width: expected 1172..1204 DIPs, got $TZ_W"
[ "$TZ_H" -ge $(( 816 - 16 )) ] && [ "$TZ_H" -le 816 ] || tz_fail "client height: expected 800..816 DIPs, got $TZ_H"
e2e_log "ok: title TOLZEB, client ${TZ_W}x${TZ_H} DIPs at $TZ_DPI dpi"

tz_expect "frame colours: title band, rail, toolbar band, home entry selected, page background" \
  300,24=brandRed 43,600=railBackground 700,60=white 24,104=brandTint 100,700=windowBackground
tz_expect_rail_selected "only the home entry is selected" 0
tz_shot home
tz_expect_no_box "after start"
tz_close
