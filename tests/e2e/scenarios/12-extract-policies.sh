# Extracting from the window with each policy for files already there: an archive made by zeb.exe
# is opened from the command line, handed to the extract page with "Extract all", and extracted
# into its proposed folder (named after the archive), which already holds one of its files.
# Stop fails and keeps that file; skip keeps it and writes the rest; replace overwrites it.
source "$E2E_SOURCE_DIR/extract_steps.sh"
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
TZ_PROGRAM_SECONDS=600  # the scenario's own deadline ends it sooner

input="$SCENARIO_WORK/input"
mkdir -p "$input"
printf 'new alpha\n' >"$input/alpha.txt"
printf 'new beta\n' >"$input/beta.txt"
archive="$SCENARIO_WORK/sample.zeb"
tz_zeb_create "$(tz_winpath "$input/alpha.txt")" "$(tz_winpath "$input/beta.txt")" -o "$(tz_winpath "$archive")"
target="$SCENARIO_WORK/sample"
mkdir -p "$target"
printf 'old alpha\n' >"$target/alpha.txt"

tz_seed_settings language=en-US previewPane=0
tz_start "$(tz_winpath "$archive")"
tz_expect "the viewer lists sample.zeb" "141,566=white" "135,557=216,220,227"
tz_viewer_extract_all 2
tz_scroll_to_end
tz_extract_geometry 0
tz_expect "the extract page shows, stopping on existing files" "$(( TZ_POLICY_X[0] - 56 )),$TZ_POLICY_Y=brandRed"
tz_shot extract-page

tz_extract_and_expect stop failed
tz_expect_content "$target/alpha.txt" "old alpha" "stop"
e2e_log "ok: stop fails and keeps the existing file"
rm -f "$target/beta.txt"

tz_choose_policy 1
tz_extract_and_expect skip succeeded
tz_expect_content "$target/alpha.txt" "old alpha" "skip"
tz_expect_content "$target/beta.txt" "new beta" "skip"
e2e_log "ok: skip keeps the existing file and writes the rest"

tz_choose_policy 2
tz_extract_and_expect replace succeeded
tz_expect_content "$target/alpha.txt" "new alpha" "replace"
tz_expect_content "$target/beta.txt" "new beta" "replace"
leftovers=$(find "$target" -type f ! -name alpha.txt ! -name beta.txt)
[ -z "$leftovers" ] || tz_fail "replace left files behind: $leftovers"
e2e_log "ok: replace overwrites the existing file and leaves nothing else"
tz_expect_no_box "after three extractions"
tz_close
