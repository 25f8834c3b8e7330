# The about window: "--about" shows it alone (no main window, even with a path beside it), light or
# dark by TOLZEB_ABOUT_THEME or else by the system's app theme; it closes by its OK button, by
# Escape and by Enter on the focused button, each time ending the program with exit code 0.
tz_seed_settings language=en-US
TZ_MAIN_CLASS=TolZebAboutWindow

# The program ends by itself (the about window was its only window) with exit code 0.
about_expect_exit() {
  e2e_wait_gone "$TZ_PID" "$TZ_CLOSE_MS" || tz_fail "$1: the program did not end"
  local status=0
  wait "$TZ_PID" || status=$?
  [ "$status" = 0 ] || tz_fail "$1: the program ended with status $status, expected 0"
  e2e_log "ok: $1 ends the program with exit code 0"
}

# The OK button is 38 DIPs high, 18 below the top of the 74-DIP footer at the bottom; 104 wide,
# from x 348. Its left part is free of the label.
ok_y() { echo $(( TZ_H - 37 )); }

# Background right of the texts, the footer band left of the notice, the OK button's left part.
about_expect_theme() {
  tz_expect "$1 background, footer and button" "470,100=$2" "4,$(( TZ_H - 4 ))=$3" "356,$(ok_y)=$4"
}

about_start() {
  tz_start "$@"
  [ "$TZ_W" = 480 ] || tz_fail "the about window's client area is $TZ_W DIPs wide, expected 480"
  [ "$TZ_H" -gt 400 ] || tz_fail "the about window's client area is only $TZ_H DIPs high"
  tz_expect_no_box "with the about window up"
}

# Light: nothing says otherwise (a fresh prefix has no app theme value). A path beside "--about"
# opens nothing.
unset TOLZEB_ABOUT_THEME
about_start --about missing.zeb
tz_drive wait-window TolZebMainWindow 1000 && tz_fail "a main window came up beside the about window"
about_expect_theme "light" 255,255,255 244,245,247 200,0,24
tz_shot light
tz_move 400 "$(ok_y)"
tz_expect "the hovered OK button is lighter" "356,$(ok_y)=207,31,52"
tz_click 400 "$(ok_y)"
about_expect_exit "the OK button"

# Dark by the environment, in capitals.
export TOLZEB_ABOUT_THEME=DARK
about_start --about
about_expect_theme "dark by TOLZEB_ABOUT_THEME" 27,28,32 37,39,44 255,90,104
tz_shot dark
tz_key escape
about_expect_exit "Escape"

# Dark by the system's app theme; "light" in mixed case then overrides it.
unset TOLZEB_ABOUT_THEME
timeout -k 5 60 "$E2E_WINE" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
  /v AppsUseLightTheme /t REG_DWORD /d 0 /f </dev/null >>"$TZ_LOG" 2>&1 || tz_fail "writing AppsUseLightTheme"
about_start --about
about_expect_theme "dark by the system setting" 27,28,32 37,39,44 255,90,104
# Tab shows the focus ring on the link, Tab again on the button; Enter presses the button.
tz_key tab
# The link's middle is about 107 DIPs above the bottom; the ring's left side is 4 DIPs left of it.
tz_expect "the focus ring left of the link" "25,$(( TZ_H - 107 ))=242,243,245"
tz_shot dark-focus-link
tz_key tab
tz_expect "the focus ring around the OK button" "400,$(( TZ_H - 56 - 1 ))=242,243,245"
tz_shot dark-focus-ok
tz_key enter
about_expect_exit "Enter on the OK button"

export TOLZEB_ABOUT_THEME=LiGhT
about_start --about
about_expect_theme "light by TOLZEB_ABOUT_THEME over a dark system" 255,255,255 244,245,247 200,0,24
tz_key escape
about_expect_exit "Escape"
unset TOLZEB_ABOUT_THEME

# From the settings page of the running program: "About TolZeb" at the end of the page opens the
# window over the main window; Escape closes it and the main window stays.
TZ_MAIN_CLASS=TolZebMainWindow
tz_start
tz_click 43 "$(tz_rail_y 5)"
tz_move 100 60
# Keys sent before the page has changed would go to the page that was shown.
tz_expect_rail_selected "the settings page is shown" 5
for k in 1 2 3 4 5 6 7 8; do tz_key pagedown; done
# At the end of the page the scroll bar's thumb reaches the bottom of its track.
tz_expect "the settings page scrolled to its end" "1189,785=199,201,204"
tz_shot settings-end
tz_click 1057 747
TZ_MAIN_CLASS=TolZebAboutWindow
tz_drive wait-window TolZebAboutWindow "$TZ_EXPECT_MS" || tz_fail "the settings page's About button opened no about window"
tz_take_geometry
# The system theme is still dark from above.
about_expect_theme "dark, opened from the settings page" 27,28,32 37,39,44 255,90,104
tz_shot from-settings
tz_key escape
end=$(( $(e2e_now_ms) + TZ_EXPECT_MS ))
while tz_drive wait-window TolZebAboutWindow 200; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "Escape left the about window open"
done
TZ_MAIN_CLASS=TolZebMainWindow
tz_drive wait-window TolZebMainWindow "$TZ_EXPECT_MS" || tz_fail "closing the about window took the main window with it"
tz_take_geometry
e2e_log "ok: the settings page opens the about window, and Escape closes only it"
tz_close
