# The Explorer menu end to end: tzshell loads the extension library as Explorer does and clicks its
# commands on real files. With no window open, the library starts the program that lies beside it
# (here tzstub, which records its command line) with the job file it wrote; with TolZeb running,
# the window takes every kind of job, deletes the job file and does the work, and nothing is
# started. The switches in the registry decide which commands show and which may run.
tz_seed_settings language=en-US
BIN=$(dirname "$TZDRIVE")
TZSHELL="$BIN/tzshell.exe"
BUILT_DLL="$BIN/../../shellext/TolZebShellExt.dll"
[ -f "$TZSHELL" ] && [ -f "$BIN/tzstub.exe" ] || tz_fail "no tzshell.exe or tzstub.exe (build those targets)"
[ -f "$BUILT_DLL" ] || tz_fail "no $BUILT_DLL (build the TolZebShellExt target)"

# A folder with a space, so the start has to quote the program's path.
EXT="$SCENARIO_WORK/Program Files/TOLZEB"
mkdir -p "$EXT"
cp "$BUILT_DLL" "$EXT/TolZebShellExt.dll"
cp "$BIN/tzstub.exe" "$EXT/TolZeb.exe"
DLL=$(tz_winpath "$EXT/TolZebShellExt.dll")
STARTED="$EXT/started.txt"
: >"$STARTED"
JOBS="$TZ_DATA_DIR/shelljobs"
W="$SCENARIO_WORK/files"

# tzshell with the given arguments (Unix paths after the first two are given as Windows paths);
# its key=value lines land in TZ_OUT.
shell_menu() {
  local verb=$1 rc=0 args=()
  shift
  args=("$verb" "$DLL")
  if [ "$verb" = invoke ]; then args+=("$1"); shift; fi
  local p
  for p in "$@"; do args+=("$(tz_winpath "$p")"); done
  TZ_OUT=$(timeout -k 5 "$TZ_DRIVE_SECONDS" "$E2E_WINE" "$TZSHELL" "${args[@]}" </dev/null 2>>"$TZ_LOG" | tr -d '\r') ||
    rc=$?
  { echo "\$ tzshell ${args[*]}"; echo "$TZ_OUT"; echo "(exit $rc)"; } >>"$TZ_LOG"
  return $rc
}

starts() { grep -cx start "$STARTED" || true; }
job_files() { find "$JOBS" -maxdepth 1 -name '*.tzjob' 2>/dev/null | wc -l; }

# Clicks command $1 on the items; the library must answer $2 (an HRESULT such as 0x00000000).
click() {
  local id=$1 expected=$2
  shift 2
  shell_menu invoke "$id" "$@" || tz_fail "tzshell could not click command $id: $(tz_get error)"
  [ "$(tz_get hresult)" = "$expected" ] || tz_fail "command $id answered $(tz_get hresult), expected $expected"
}

# Polls up to 60 s until a file named $2 lies somewhere below folder $1.
wait_found() {
  local end=$(( $(e2e_now_ms) + 60000 ))
  until [ -n "$(find "$1" -name "$2" 2>/dev/null)" ]; do
    [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "no $2 below $1 within 60 s"
    sleep 0.1
  done
}

mkdir -p "$W/src/Photos" "$W/zip" "$W/here" "$W/folder"
echo one >"$W/src/Photos/a.txt"
echo two >"$W/src/Photos/b.txt"
"$E2E_PYTHON" -c 'import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z: z.writestr("c.txt", "three\n")' "$W/zip/docs.zip"

# ---- The switches, read by the library from the registry. A selection of archives shows every
# command, one with a folder only "Compress"; tzshell is a new process each time, so no cache
# outlives a change.
# Replaces the switches with the given values, each NAME=DATA as a .reg file writes it
# (dword:00000000, "0"); one regedit call, since every Wine process costs a second.
switches() {
  local reg="$SCENARIO_WORK/switches.reg" pair
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[-HKEY_CURRENT_USER\\Software\\TOLZEB\\ShellMenu]\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\TOLZEB\\ShellMenu]\r\n'
    for pair in "$@"; do printf '"%s"=%s\r\n' "${pair%%=*}" "${pair#*=}"; done
  } >"$reg"
  timeout -k 5 30 "$E2E_WINE" regedit /S "$(tz_winpath "$reg")" </dev/null >>"$TZ_LOG" 2>&1 ||
    tz_fail "regedit could not write the switches"
}
expect_states() {
  local what=$1 wanted=$2
  shift 2
  shell_menu states "$@" || tz_fail "tzshell could not read the states: $(tz_get error)"
  local got
  got="$(tz_get root) $(tz_get command1) $(tz_get command2) $(tz_get command3) $(tz_get command4)"
  [ "$got" = "$wanted" ] || tz_fail "$what: root and commands $got, expected $wanted (0 shown, 2 hidden)"
}
switches
expect_states "no switches, archives" "0 0 0 0 0" "$W/zip/docs.zip"
[ "$(tz_get title1)|$(tz_get title2)|$(tz_get title3)|$(tz_get title4)" = \
  "Compress to .zeb|Extract Here|Extract to Folder|Test Archive" ] || tz_fail "command titles: $TZ_OUT"
[ "$(tz_get unload)" = yes ] || tz_fail "every object released, yet the library may not be unloaded"
expect_states "no switches, a folder and an archive" "0 0 2 2 2" "$W/src/Photos" "$W/zip/docs.zip"
switches "Enabled=dword:00000000"
expect_states "master switch off" "2 2 2 2 2" "$W/zip/docs.zip"
switches 'Enabled="0"' "Compress=dword:00000000" "ExtractToFolder=dword:00000000" \
  "TestArchive=dword:00000000" "ExtractHere=dword:00000007"
expect_states "only Extract Here on, archives" "0 2 0 2 2" "$W/zip/docs.zip"
expect_states "only Extract Here on, a folder" "2 2 2 2 2" "$W/src/Photos"
# A command switched off since the menu was shown refuses to run and writes no job.
click 1 0x80070005 "$W/zip/docs.zip"
[ "$(job_files)" = 0 ] && [ "$(starts)" = 0 ] || tz_fail "a refused command wrote a job or started the program"
switches
e2e_log "ok: the switches decide the menu; a switched-off command is refused"

# ---- No window open: the library starts the program beside it with the job it wrote.
click 1 0x00000000 "$W/src/Photos" "$W/zip/docs.zip"
end=$(( $(e2e_now_ms) + 30000 ))
until grep -qx end "$STARTED"; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "the program beside the library was not started"
  sleep 0.1
done
mapfile -t argv < <(sed -n '/^start$/,/^end$/p' "$STARTED" | sed '1d;$d')
[ "${#argv[@]}" = 3 ] || tz_fail "the program was started with ${#argv[@]} arguments: ${argv[*]}"
[ "${argv[0]}" = "$(tz_winpath "$EXT/TolZeb.exe")" ] || tz_fail "program path as started: ${argv[0]}"
[ "${argv[1]}" = --shell-job ] || tz_fail "the second argument is ${argv[1]}"
case ${argv[2]} in
  'C:\users\'*'\AppData\Local\TOLZEB\shelljobs\'*.tzjob) ;;
  *) tz_fail "the job path ${argv[2]} is not in the user's job folder" ;;
esac
job="$JOBS/$(basename "${argv[2]//\\//}")"
[ -f "$job" ] || tz_fail "the started program's job file is not there"
decoded=$("$E2E_PYTHON" - "$job" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
sig, version, op, flags, count, r1, r2 = struct.unpack_from("<8s6I", data)
assert sig == b"TZSHJOB\0" and version == 1 and flags == 0 and r1 == 0 and r2 == 0, "header"
offset, paths = 32, []
for _ in range(count):
    (length,) = struct.unpack_from("<I", data, offset)
    paths.append(data[offset + 4:offset + 4 + 2 * length].decode("utf-16-le"))
    offset += 4 + 2 * length
assert offset == len(data), "trailing bytes"
print(op)
print("\n".join(paths))
PY
) || tz_fail "the job file does not decode"
expected=$(printf '1\n%s\n%s' "$(tz_winpath "$W/src/Photos")" "$(tz_winpath "$W/zip/docs.zip")")
[ "$decoded" = "$expected" ] || tz_fail "the job file holds \"$decoded\", expected \"$expected\""
rm -f "$job"
e2e_log "ok: with no window the program beside the library is started with the job, quoted"

# ---- TolZeb running: its window takes every job; the stub is never started again.
tz_start
# The library waits 3 s for the window's answer; a window still busy with its first paints on a
# loaded machine could miss that, so the clicks begin once the home page is on the screen.
TZ_EXPECT_MS=60000 tz_expect_rail_selected "the home page is drawn" 0
handed_over() {
  [ "$(starts)" = 1 ] || tz_fail "$1: the window did not take the job, so the library started the program"
  [ "$(job_files)" = 0 ] || tz_fail "$1: a job file was left in the job folder"
  e2e_log "ok: $1"
}

click 1 0x00000000 "$W/src/Photos"
handed_over "compress handed to the window"
end=$(( $(e2e_now_ms) + 60000 ))
until grep -q 'Photos.zeb' "$TZ_DATA_DIR/history.txt" 2>/dev/null; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "the compress job made no finished Photos.zeb"
  sleep 0.1
done
[ -s "$W/src/Photos.zeb" ] || tz_fail "no Photos.zeb beside the sources"
tz_shot compressed
cp "$W/src/Photos.zeb" "$W/here/Photos.zeb"
cp "$W/src/Photos.zeb" "$W/folder/Photos.zeb"

# Two archives of different kinds in one click, each into its own folder.
click 2 0x00000000 "$W/here/Photos.zeb" "$W/zip/docs.zip"
handed_over "extract here of a .zeb and a zip handed to the window"
wait_found "$W/here" b.txt
end=$(( $(e2e_now_ms) + 60000 ))
until [ -f "$W/zip/c.txt" ]; do
  [ "$(e2e_now_ms)" -lt "$end" ] || tz_fail "the zip was not extracted beside itself"
  sleep 0.1
done

click 3 0x00000000 "$W/folder/Photos.zeb"
handed_over "extract to folder handed to the window"
wait_found "$W/folder/Photos" b.txt

click 4 0x00000000 "$W/src/Photos.zeb"
handed_over "test handed to the window"
tz_expect_panel_ended "the test task has ended"
tz_shot tested
tz_expect_no_box "after the jobs"
tz_close
