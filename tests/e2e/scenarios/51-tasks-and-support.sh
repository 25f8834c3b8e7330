# The tasks page and the support page. A large folder is compressed and held from the task panel,
# a second job queues behind it; the tasks page lists the held job (tinted) over the waiting one,
# Stop drops the waiting one, Resume lets the held one finish and "Clear finished" empties the
# queue. The support page's QR code is read from the screenshot by zbarimg and must give the
# donation address. The support and tasks pages are then shown again in Russian for a person to
# look at.
command -v zbarimg >/dev/null || tz_fail "zbarimg is missing: install the package zbar-tools"
address="https://tolzeb.org/donate"

src="$SCENARIO_WORK/big"
mkdir -p "$src"
# Random data compresses slowly enough that the first job is still running when Hold is clicked.
head -c 314572800 /dev/urandom >"$src/random.bin"

# The page column starts at x 114; the action row at y 240, the queue card at 296 and row k of it
# spans 354 + 86k .. 440 + 86k, from x 126.
ROW0=360
ROW1=446
tasks_y=$(tz_rail_y 3)
support_y=$(tz_rail_y 6)

# The QR code on the screen, read back by zbarimg from the last screenshot.
expect_qr_reads_address() {
  local out
  out=$(timeout -k 5 30 zbarimg --quiet --raw "$TZ_LAST_SHOT" 2>>"$TZ_LOG") ||
    tz_fail "$1: zbarimg found no QR code in $TZ_LAST_SHOT"
  [ "$out" = "$address" ] || tz_fail "$1: the QR code reads \"$out\", expected \"$address\""
  e2e_log "ok: $1: the QR code reads $address"
}

tz_seed_settings language=en-US
tz_start "$(tz_winpath "$src")"
tz_expect_rail_selected "a folder on the command line shows the compress page" 1
tz_scroll_to_end
tz_compress_bottom_geometry 0

tz_click 219 "$TZ_START_Y"
tz_expect_panel_running "the first job runs"
tz_click_hold
tz_move 100 60
tz_key escape
tz_expect "Escape sends the held job's panel to the background" "100,$TZ_PANEL_CY=windowBackground"
# The second job waits behind the held one; its panel comes up and goes to the background too.
tz_click 219 "$TZ_START_Y"
tz_move 100 60
tz_expect_panel_running "the second job's panel is shown"
tz_key escape
tz_expect "the panel is in the background again" "100,$TZ_PANEL_CY=windowBackground"

tz_click 43 "$tasks_y"
tz_move 100 60
tz_expect_rail_selected "the tasks page is shown" 3
tz_expect "the held job's row is tinted, the waiting one is not" "130,$ROW0=brandTint" "130,$ROW1=white"
tz_shot held-and-waiting

# Stop on the waiting row drops it; Resume (the first action button) lets the held one finish.
tz_click $(( TZ_W - 91 )) $(( ROW1 + 41 ))
tz_move 100 60
tz_shot waiting-dropped
tz_click 189 259
tz_move 100 60
TZ_EXPECT_MS=180000 tz_expect "the held job finishes: neither row is tinted" "130,$ROW0=white" "130,$ROW1=white"
tz_shot done-and-dropped

# "Clear finished" (the second action button) leaves the empty queue card.
tz_click 367 259
tz_move 100 60
tz_expect "the queue is empty: the card ends above the first row's old bottom" "130,$(( 296 + 58 + 96 + 14 + 6 ))=windowBackground"
tz_shot cleared

tz_click 43 "$support_y"
tz_move 100 60
tz_expect_rail_selected "the support page is shown" 6
tz_shot support
expect_qr_reads_address "en-US"
tz_close

tz_seed_settings language=ru-RU
tz_start
tz_click 43 "$support_y"
tz_move 100 60
tz_expect_rail_selected "ru-RU: the support page is shown" 6
tz_shot ru-RU-support
expect_qr_reads_address "ru-RU"
tz_key pagedown
tz_key pagedown
tz_shot ru-RU-support-end
tz_click 43 "$tasks_y"
tz_move 100 60
tz_expect_rail_selected "ru-RU: the tasks page is shown" 3
tz_shot ru-RU-tasks
tz_close
