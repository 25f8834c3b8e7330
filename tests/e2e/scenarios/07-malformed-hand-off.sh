# Shell job hand-off: WM_COPYDATA messages that break the message's rules are answered 0 and
# change nothing: the job file they name is left alone and no box comes up.
tz_seed_settings language=en-US
job="$SCENARIO_WORK/job.txt"
echo 'never read' >"$job"
job_path=$(tz_winpath "$job")
cases=(
  "a tag with the upper half set|--tag 0x10000000545A534A"
  "another tag|--tag 0x545A534B"
  "an odd byte count|--cb 5"
  "a byte count over the limit|--cb 65538"
  "no terminating null|--nonull"
  "only the null|--cb 2"
)
tz_start
for entry in "${cases[@]}"; do
  IFS='|' read -r what flags <<<"$entry"
  # shellcheck disable=SC2086  # the flags are separate arguments
  tz_drive copydata "$TZ_MAIN_CLASS" "$job_path" --timeout 10000 $flags || tz_fail "$what: $(tz_get error)"
  [ "$(tz_get reply)" = 0 ] || tz_fail "$what: expected the reply 0, got $(tz_get reply)"
  [ -f "$job" ] || tz_fail "$what: the job file was removed"
  tz_expect_no_box "$what"
  e2e_log "ok: $what is answered 0"
done
tz_expect "the window still shows the home page" "24,$(tz_rail_y 0)=brandTint" 300,24=brandRed
tz_close
