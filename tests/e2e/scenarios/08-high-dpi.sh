# At 144 dpi the window asks for 1.5 times its size, which the 1600 x 1000 screen cannot hold: it is
# cut to the work area. It draws its fixed geometry scaled: the 48-DIP title band is 72 pixels
# high, the rail 129 pixels wide, and clicks at DIP coordinates land where they should.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:00000090\r\n' \
  >"$SCENARIO_WORK/dpi.reg"
timeout -k 5 60 "$E2E_WINE" regedit /S "$(tz_winpath "$SCENARIO_WORK/dpi.reg")" </dev/null >/dev/null 2>&1 ||
  tz_fail "setting 144 dpi in the prefix"
tz_seed_settings language=en-US
tz_start

[ "$TZ_DPI" = 144 ] || tz_fail "window DPI: expected 144, got $TZ_DPI"
[ "$TZ_WIDTH_PX" -ge $(( 1600 - 2 * 24 )) ] && [ "$TZ_WIDTH_PX" -le 1600 ] ||
  tz_fail "client width: expected the screen's 1600 pixels less the resize borders, got $TZ_WIDTH_PX"
[ "$TZ_HEIGHT_PX" -ge $(( 1000 - 24 )) ] && [ "$TZ_HEIGHT_PX" -le 1000 ] ||
  tz_fail "client height: expected the screen's 1000 pixels less the bottom border, got $TZ_HEIGHT_PX"
e2e_log "ok: ${TZ_WIDTH_PX}x${TZ_HEIGHT_PX} pixels at $TZ_DPI dpi"

# Points in DIPs either side of the band's and the rail's edges; tz_expect scales them by 1.5.
tz_expect "scaled frame: title band to 48 DIPs, rail to 86 DIPs, home entry selected" \
  300,44=brandRed 300,52=white 80,600=railBackground 92,600=windowBackground 24,104=brandTint
tz_click 43 "$(tz_rail_y 1)"
tz_expect_rail_selected "a click at DIP coordinates reaches the compress entry" 1
tz_shot compress-144dpi
tz_close
