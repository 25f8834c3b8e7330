# Keyboard: Tab and Shift+Tab move the focus ring through the focusable controls in paint order
# (the window buttons first, then the rail), Escape hides the ring, Enter activates the focused
# control.
tz_seed_settings language=en-US
tz_start
# The ring is 2 DIPs wide, 1..3 DIPs outside a control: the minimise button (W-138 .. W-92, 0 .. 48)
# shows it at its left edge, a rail square (19 .. 67) at x 17.
minimise_ring="$(( TZ_W - 140 )),24"
compress_ring="17,$(tz_rail_y 1)"

tz_key tab
tz_expect "Tab from no focus rings the minimise button" "$minimise_ring=textPrimary" "$compress_ring=railBackground"
tz_shot tab-minimise
tz_key tab shift
tz_expect "Shift+Tab moves the focus off the minimise button (to the last control)" "$minimise_ring=brandRed"
tz_key tab
tz_expect "Tab from the last control wraps to the minimise button" "$minimise_ring=textPrimary"
for _ in 1 2 3 4; do tz_key tab; done
tz_expect "four more Tabs (maximise, close, home, compress) ring the compress entry" \
  "$compress_ring=textPrimary" "$minimise_ring=brandRed"
tz_shot tab-compress
tz_key escape
tz_expect "Escape hides the ring" "$compress_ring=railBackground"
tz_expect_rail_selected "the home page is still shown" 0
tz_key enter
tz_expect_rail_selected "Enter on the focused compress entry shows the compress page" 1
tz_expect_no_box "after the keys"
tz_close
