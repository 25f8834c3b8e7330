# Keyboard: Tab and Shift+Tab move the focus through the focusable controls in paint order (the
# three window buttons, then the rail), Escape hides the ring, Enter activates the focused control.
tz_seed_settings language=en-US
tz_start
# The ring is 2 DIPs wide, 1 to 3 DIPs outside the control: left of a rail square (19 .. 67) at x 17.
ring() { echo "17,$(tz_rail_y "$1")"; }

for _ in 1 2 3 4; do tz_key tab; done
tz_expect "four Tabs from no focus (minimise, maximise, close, home) ring the home entry" \
  "$(ring 0)=textPrimary" "$(ring 1)=railBackground"
tz_key tab
tz_expect "Tab rings the compress entry" "$(ring 1)=textPrimary" "$(ring 0)=railBackground"
tz_shot tab-compress
tz_key tab shift
tz_expect "Shift+Tab rings the home entry again" "$(ring 0)=textPrimary" "$(ring 1)=railBackground"
tz_key tab
tz_expect "Tab rings the compress entry again" "$(ring 1)=textPrimary"
tz_key escape
tz_expect "Escape hides the ring" "$(ring 1)=railBackground"
tz_expect_rail_selected "the home page is still shown" 0
tz_key enter
tz_expect_rail_selected "Enter on the focused compress entry shows the compress page" 1

# Showing a page cleared the focus: Shift+Tab goes to the last control, Tab wraps to the first,
# the minimise button, which Enter then presses.
tz_key tab shift
tz_key tab
tz_key enter
tz_drive wait-window "$TZ_MAIN_CLASS" "$TZ_EXPECT_MS" --state iconic ||
  tz_fail "Shift+Tab, Tab, Enter from no focus minimise the window: $(tz_get error)"
e2e_log "ok: Shift+Tab, Tab, Enter from no focus minimise the window"
tz_drive show "$TZ_MAIN_CLASS" restore || tz_fail "restoring the window: $(tz_get error)"
tz_drive wait-window "$TZ_MAIN_CLASS" "$TZ_EXPECT_MS" --state normal || tz_fail "restoring the window: $(tz_get error)"
tz_take_geometry
tz_expect_rail_selected "restored, the window shows the compress page again" 1
tz_expect_no_box "after the keys"
tz_close
