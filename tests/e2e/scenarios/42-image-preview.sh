# Previews in the pane: a PNG entry of one colour picked in the viewer is shown in that colour, and
# a text entry picked next shows its text.
ZEB_EXE=${ZEB_EXE:-$(find "$(dirname "$E2E_WORK")" -name zeb.exe -not -path "$E2E_WORK/*" -print -quit)}
[ -n "$ZEB_EXE" ] && [ -f "$ZEB_EXE" ] || tz_fail "no zeb.exe in the build (build the zeb target)"

sources="$SCENARIO_WORK/sources"
mkdir -p "$sources"
# A 240 × 240 PNG of one green.
"$E2E_PYTHON" - "$sources/picture.png" <<'PY'
import struct, sys, zlib
w = h = 240
row = b"\x00" + bytes([40, 170, 90]) * w
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(row * h)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
printf 'A note that the pane shows as text.\n' >"$sources/zz-note.txt"
archive="$SCENARIO_WORK/pictures.zeb"
timeout -k 5 120 "$E2E_WINE" "$ZEB_EXE" c "$(tz_winpath "$sources")" -o "$(tz_winpath "$archive")" \
  </dev/null >>"$SCENARIO_WORK/zeb.log" 2>&1 || tz_fail "zeb.exe could not make the archive (see $SCENARIO_WORK/zeb.log)"

tz_seed_settings language=en-US previewPane=1 previewPaneWidth=380
tz_start "$(tz_winpath "$archive")"
tz_expect_rail_selected "the viewer of pictures.zeb" 2
tz_shot listed

# Row 1 (after the folder) is the picture; the pane then shows it in its green.
tz_click 300 598
tz_move 100 60
tz_expect "the picture in the pane, in its colour" "$(( TZ_W - 190 )),400=40,170,90"
tz_shot picture

# Row 2 is the note: the picture gives way to its text (looked at on the screenshot).
tz_click 300 630
tz_move 100 60
tz_expect "the picture gives way to the note" "$(( TZ_W - 190 )),400=white"
tz_shot note
tz_close
