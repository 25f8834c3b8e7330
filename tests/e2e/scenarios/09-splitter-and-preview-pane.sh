# Dragging and Ctrl+P on the viewer: the splitter beside the preview pane is dragged, the pane
# takes the new width within its limits and the width is stored; Ctrl+P hides the pane and stores
# that too. A missing archive opens the viewer without anything else to show.
tz_seed_settings language=en-US previewPane=1 previewPaneWidth=380
tz_start "$(tz_winpath "$SCENARIO_WORK/missing.zeb")"
W=$TZ_W
# The pane starts 380 DIPs from the right; the splitter is the 8 DIPs left of it.
tz_expect "the pane is 380 DIPs wide" "$(( W - 370 )),700=white" "$(( W - 400 )),700=windowBackground"
tz_drive drag "$TZ_MAIN_CLASS" $(( W - 384 )) 500 $(( W - 700 )) 500 || tz_fail "drag: $(tz_get error)"
# Half the width right of the rail is the most the pane may take.
half=$(( (W - 86) / 2 ))
tz_expect "the dragged pane stops at half the width right of the rail ($half DIPs)" \
  "$(( W - half + 10 )),700=white" "$(( W - half - 20 )),700=windowBackground"
tz_shot pane-dragged
grep -qx "previewPaneWidth=$half" "$TZ_DATA_DIR/settings.txt" ||
  tz_fail "settings.txt: expected previewPaneWidth=$half after the drag, got: $(grep previewPaneWidth "$TZ_DATA_DIR/settings.txt")"
e2e_log "ok: settings.txt holds previewPaneWidth=$half"

tz_key p ctrl
tz_expect "Ctrl+P hides the pane" "$(( W - 100 )),700=windowBackground"
grep -qx "previewPane=0" "$TZ_DATA_DIR/settings.txt" || tz_fail "settings.txt: expected previewPane=0 after Ctrl+P"
tz_key p ctrl
tz_expect "Ctrl+P shows it again at its stored width" "$(( W - half + 10 )),700=white"
tz_close
