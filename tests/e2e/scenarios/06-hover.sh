# Hover: the window buttons and the rail entries shade under the pointer and clear when it leaves.
tz_seed_settings language=en-US
tz_start
# Points inside each button (46 x 48 DIPs from W-138) but clear of its icon.
close_fill="$(( TZ_W - 40 )),6"
maximise_fill="$(( TZ_W - 86 )),6"

tz_move $(( TZ_W - 23 )) 24
tz_expect "the pointer over the close button fills it" "$close_fill=closeHover" "$maximise_fill=brandRed"
tz_shot hover-close
tz_move $(( TZ_W - 69 )) 24
tz_expect "the pointer over the maximise button fills it, and the close button clears" \
  "$maximise_fill=captionHover" "$close_fill=brandRed"
tz_move 43 "$(tz_rail_y 3)"
# hoverOverlay: black at 4 % over the rail.
tz_expect "the pointer over the tasks entry shades it; the window buttons clear" \
  "24,$(tz_rail_y 3)=234,235,237" "24,$(tz_rail_y 0)=brandTint" "$maximise_fill=brandRed"
tz_shot hover-tasks
tz_move 600 500
tz_expect "the pointer over the page clears the rail" "24,$(tz_rail_y 3)=railBackground"
tz_close
