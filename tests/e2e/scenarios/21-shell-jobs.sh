# Shell jobs: a compress job on the command line makes the archive, deletes the job file and
# enters the history; a job handed to the running window is answered 1 and carried out; a job
# naming a missing item shows the box and is answered 0.
tz_seed_settings language=en-US
JOBS="$TZ_DATA_DIR/shelljobs"
mkdir -p "$JOBS"

# Writes a job file: $1 its 32 hex digits, $2 the operation, then the Unix paths of the items.
write_job() {
  local name=$1 operation=$2
  shift 2
  local paths=()
  local p
  for p in "$@"; do paths+=("$(tz_winpath "$p")"); done
  python3 - "$JOBS/$name.tzjob" "$operation" "${paths[@]}" <<'PY'
import struct, sys
out, op, paths = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
data = b"TZSHJOB\0" + struct.pack("<IIIIII", 1, op, 0, len(paths), 0, 0)
for p in paths:
    data += struct.pack("<I", len(p)) + p.encode("utf-16-le")
open(out, "wb").write(data)
PY
  echo "$JOBS/$name.tzjob"
}

# The job file as the program names it: below C:, where its data folder is, not through Z:.
job_winpath() { echo "C:\\users\\$(id -un)\\AppData\\Local\\TOLZEB\\shelljobs\\$(basename "$1")"; }

# Polls for a file up to 60 s.
wait_file() {
  local end=$(( $(e2e_now_ms) + 60000 ))
  until [ -s "$1" ]; do
    [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "$2"
    sleep 0.1
  done
}

mkdir -p "$SCENARIO_WORK/Photos"
echo one >"$SCENARIO_WORK/Photos/a.txt"
echo two >"$SCENARIO_WORK/Photos/b.txt"
job=$(write_job 0123456789abcdef0123456789abcdef 1 "$SCENARIO_WORK/Photos")
tz_start --shell-job "$(job_winpath "$job")"
wait_file "$SCENARIO_WORK/Photos.zeb" "the compress job made no Photos.zeb"
[ -e "$job" ] && tz_fail "the job file is still there"
end=$(( $(e2e_now_ms) + 60000 ))
until grep -q 'Photos.zeb' "$TZ_DATA_DIR/history.txt" 2>/dev/null; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "the archive did not enter the history"
  sleep 0.1
done
e2e_log "ok: --shell-job compress made the archive and a history entry"

job=$(write_job 11111111111111111111111111111111 3 "$SCENARIO_WORK/Photos.zeb")
tz_drive copydata "$TZ_MAIN_CLASS" "$(job_winpath "$job")" --timeout 10000 || tz_fail "hand-off: $(tz_get error)"
[ "$(tz_get reply)" = 1 ] || tz_fail "a valid job was answered $(tz_get reply)"
# The folder "Photos" is taken by the sources, so the new one is numbered.
end=$(( $(e2e_now_ms) + 60000 ))
until [ -n "$(find "$SCENARIO_WORK/Photos (2)" -name b.txt 2>/dev/null)" ]; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "extract to folder made no \"Photos (2)\" holding b.txt"
  sleep 0.1
done
e2e_log "ok: a handed-off extract job is answered 1 and extracts into a free folder beside the archive"

job=$(write_job 22222222222222222222222222222222 1 "$SCENARIO_WORK/gone.txt")
tz_copydata_begin "$(job_winpath "$job")" --timeout 30000
gone=$(tz_winpath "$SCENARIO_WORK/gone.txt")
tz_expect_box "TOLZEB cannot find 1 selected item:\\n\\n${gone//\\/\\\\}\\n\\nThey may have been moved or renamed since the menu was opened."
tz_copydata_end
[ "$(tz_get reply)" = 0 ] || tz_fail "a job with a missing item was answered $(tz_get reply)"
e2e_log "ok: a missing item shows the box and is answered 0"
tz_close
