# A .tar and a .tar.gz made by zeb.exe (the compress page offers neither), each opened from the
# command line in the viewer, handed to the extract page and extracted from the window into the
# folder it proposes: packed.tar.gz proposes packed.tar, plain.tar proposes plain. The two names
# differ: beside a file sample.tar, sample.tar.gz would propose that file as its folder.
source "$E2E_SOURCE_DIR/extract_steps.sh"
TZ_EXPECT_MS=30000  # a loaded machine paints slowly
TZ_PROGRAM_SECONDS=600  # the scenario's own deadline ends it sooner
input="$SCENARIO_WORK/input"
mkdir -p "$input"
printf 'tar alpha\n' >"$input/alpha.txt"
printf 'tar beta\n' >"$input/beta.txt"

for name in plain.tar packed.tar.gz; do
  kind=${name#*.}
  archive="$SCENARIO_WORK/$name"
  tz_zeb_create "$(tz_winpath "$input/alpha.txt")" "$(tz_winpath "$input/beta.txt")" -o "$(tz_winpath "$archive")"
  target="${archive%.*}"
  tz_seed_settings language=en-US previewPane=0
  tz_start "$(tz_winpath "$archive")"
  tz_expect "$kind: the viewer lists the archive" "141,566=white" "135,557=216,220,227"
  tz_viewer_extract_all 2
  tz_scroll_to_end
  tz_extract_geometry 0
  tz_expect "$kind: the extract page shows" "$(( TZ_POLICY_X[0] - 56 )),$TZ_POLICY_Y=brandRed"
  tz_extract_and_expect "$kind" succeeded
  tz_expect_content "$target/alpha.txt" "tar alpha" "$kind"
  tz_expect_content "$target/beta.txt" "tar beta" "$kind"
  e2e_log "ok: $kind extracted into $(basename "$target")"
  tz_close
done
