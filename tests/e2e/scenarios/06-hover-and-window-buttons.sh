# Hover and the window buttons: the buttons and rail entries shade under the pointer and clear when
# it leaves; the maximise button maximises and restores the window.
tz_seed_settings language=en-US
tz_start
# Points inside each button (46 x 48 DIPs from W-138) but clear of its icon.
close_fill() { echo "$(( TZ_W - 40 )),6"; }
maximise_fill() { echo "$(( TZ_W - 86 )),6"; }

tz_move $(( TZ_W - 23 )) 24
tz_expect "the pointer over the close button fills it" "$(close_fill)=closeHover" "$(maximise_fill)=brandRed"
tz_shot hover-close
tz_move $(( TZ_W - 69 )) 24
tz_expect "the pointer over the maximise button fills it, and the close button clears" \
  "$(maximise_fill)=captionHover" "$(close_fill)=brandRed"
tz_move 43 "$(tz_rail_y 3)"
# hoverOverlay: black at 4 % over the rail.
tz_expect "the pointer over the tasks entry shades it; the window buttons clear" \
  "24,$(tz_rail_y 3)=234,235,237" "24,$(tz_rail_y 0)=brandTint" "$(maximise_fill)=brandRed"
tz_shot hover-tasks
tz_move 600 500
tz_expect "the pointer over the page clears the rail" "24,$(tz_rail_y 3)=railBackground"

normal_width=$TZ_WIDTH_PX
tz_click $(( TZ_W - 69 )) 24
tz_drive wait-window "$TZ_MAIN_CLASS" "$TZ_EXPECT_MS" --state zoomed || tz_fail "the maximise button: $(tz_get error)"
tz_take_geometry
[ "$TZ_WIDTH_PX" -gt "$normal_width" ] || tz_fail "maximised, the client is $TZ_WIDTH_PX px wide, no wider than before"
tz_move 600 500
tz_expect "maximised: the frame is drawn at the new size" "$(( TZ_W - 10 )),24=brandRed" \
  "$(( TZ_W - 10 )),60=white" "43,$(( TZ_H - 10 ))=railBackground"
tz_shot maximised
tz_click $(( TZ_W - 69 )) 24
tz_drive wait-window "$TZ_MAIN_CLASS" "$TZ_EXPECT_MS" --state normal || tz_fail "the restore button: $(tz_get error)"
tz_take_geometry
[ "$TZ_WIDTH_PX" = "$normal_width" ] || tz_fail "restored, the client is $TZ_WIDTH_PX px wide, expected $normal_width"
e2e_log "ok: maximise and restore"
tz_close
