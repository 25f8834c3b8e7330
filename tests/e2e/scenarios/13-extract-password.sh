# A password-protected .zeb opened from the command line: the viewer asks for the password, a
# wrong one lists nothing, the right one lists the entries. Handed to the extract page, a wrong
# password there makes the task fail with nothing written; the right one extracts.
source "$E2E_SOURCE_DIR/extract_steps.sh"
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
TZ_PROGRAM_SECONDS=600  # the scenario's own deadline ends it sooner
password="Tr0ub4dor & 3"
wrong="not the password"

input="$SCENARIO_WORK/input"
mkdir -p "$input"
printf 'secret alpha\n' >"$input/alpha.txt"
printf 'secret beta\n' >"$input/beta.txt"
archive="$SCENARIO_WORK/locked.zeb"
TZ_ZEB_STDIN=$password tz_zeb_create "$(tz_winpath "$input/alpha.txt")" "$(tz_winpath "$input/beta.txt")" \
  -o "$(tz_winpath "$archive")" --encrypt --password-stdin
target="$SCENARIO_WORK/locked"

# Locked: the password card (408..540) stands above the entries card, with a gap at 549; listed,
# the entries card starts at 408 and its first row's tick box is drawn at 557..577.
expect_locked() { tz_expect "$1" "135,549=windowBackground" "141,480=white"; }

tz_seed_settings language=en-US previewPane=0
tz_start "$(tz_winpath "$archive")"
expect_locked "the viewer asks for the password"
tz_shot asks-password
tz_type "$wrong"
tz_key enter
tz_move 100 60
expect_locked "a wrong password lists nothing"
tz_shot wrong-password
tz_retype "$password"
tz_key enter
tz_move 100 60
tz_expect "the right password lists the entries" "141,566=white" "135,557=216,220,227"
tz_shot listed
[ ! -e "$target" ] || tz_fail "something was written before any extraction: $target"

tz_viewer_extract_all 2
tz_scroll_to_end
tz_extract_geometry 1
tz_expect "the extract page shows, stopping on existing files" "$(( TZ_POLICY_X[0] - 56 )),$TZ_POLICY_Y=brandRed"
tz_shot extract-page

tz_click 300 "$TZ_EXTRACT_PASSWORD_Y"
tz_retype "$wrong"
tz_move 100 60
tz_extract_and_expect wrong-password failed
written=$( [ -d "$target" ] && find "$target" -mindepth 1 || true)
[ -z "$written" ] || tz_fail "a wrong password still wrote: $written"
e2e_log "ok: the wrong password is refused and nothing is written"

tz_click 300 "$TZ_EXTRACT_PASSWORD_Y"
tz_retype "$password"
tz_move 100 60
tz_extract_and_expect right-password succeeded
tz_expect_content "$target/alpha.txt" "secret alpha" "right password"
tz_expect_content "$target/beta.txt" "secret beta" "right password"
e2e_log "ok: the right password extracts both files"
tz_close
