# Shared by wine-bench.sh and demo.sh: a private Wine prefix with its own
# Xvfb display, COM server registration, and clean shutdown of exactly
# what was started. Source it, then call wine_env_start <state-dir>.
#
# Only what this file starts is ended: the Xvfb by its PID, and the
# wineserver of our own WINEPREFIX with `wineserver -k`.

DV_WINE_TIMEOUT=${DV_WINE_TIMEOUT:-300}      # seconds for one test program or script
DV_WINE_BOOT_TIMEOUT=${DV_WINE_BOOT_TIMEOUT:-300}

_dv_xvfb_pid=""
_dv_wine_started=""

# Windows path of a Unix path (Wine maps Z: to /).
winpath() {
  local p
  p=$(readlink -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}

_dv_free_display() {
  local n
  for n in $(seq 90 250); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

_dv_start_xvfb() {
  local attempt n i
  for attempt in 1 2 3 4 5; do
    n=$(_dv_free_display) || { echo "wine-env: no free X display" >&2; return 1; }
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$DV_WINE_STATE/xvfb.log" 2>&1 &
    _dv_xvfb_pid=$!
    for i in $(seq 1 100); do
      # Ours once the display's lock file names our Xvfb: two runs starting
      # together may both have picked this number.
      if [ -e "/tmp/.X11-unix/X${n}" ] && kill -0 "$_dv_xvfb_pid" 2>/dev/null &&
         [ "$(tr -d ' \n' <"/tmp/.X${n}-lock" 2>/dev/null)" = "$_dv_xvfb_pid" ]; then
        export DISPLAY=":$n"
        echo "wine-env: Xvfb on :$n (pid $_dv_xvfb_pid)"
        return 0
      fi
      kill -0 "$_dv_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    # Lost a race for the display number, or Xvfb did not come up: try another.
    kill "$_dv_xvfb_pid" 2>/dev/null
    wait "$_dv_xvfb_pid" 2>/dev/null
    _dv_xvfb_pid=""
  done
  echo "wine-env: Xvfb did not start (see $DV_WINE_STATE/xvfb.log)" >&2
  return 1
}

wine_env_stop() {
  if [ -n "$_dv_wine_started" ]; then
    timeout 60 wineserver -k >/dev/null 2>&1
    timeout 60 wineserver -w >/dev/null 2>&1
    _dv_wine_started=""
  fi
  if [ -n "$_dv_xvfb_pid" ]; then
    kill "$_dv_xvfb_pid" 2>/dev/null
    wait "$_dv_xvfb_pid" 2>/dev/null
    _dv_xvfb_pid=""
  fi
}

# COM servers in their own process (the viewer) need Wine's RPC service.
# Right after wineboot the service database stays locked while the device
# services come up; a client's own attempt to start RpcSs then fails and
# its activation of a local server never completes. So RpcSs is started
# here, retrying for a bounded time, until Wine reports it running.
_dv_start_rpcss() {
  local i out
  for i in $(seq 1 60); do
    # Through a file, not a pipe: the first wine call of a session starts
    # Wine's services, which keep its output open for as long as they run.
    timeout 30 wine net start RpcSs >"$DV_WINE_STATE/rpcss.out" 2>&1 </dev/null
    out=$(cat "$DV_WINE_STATE/rpcss.out")
    printf '%s\n' "$out" >>"$DV_WINE_STATE/wineboot.log"
    case "$out" in *"already running"* | *"started successfully"*) return 0 ;; esac
    sleep 1
  done
  echo "wine-env: the RPC service did not start (see $DV_WINE_STATE/wineboot.log)" >&2
  return 1
}

# The booted prefix every run starts from. wineboot is most of the cost of
# a fresh prefix (tens of seconds), so it runs once per build folder and
# Wine version; each run copies the image into its own state folder and
# nothing a run does reaches the image. Bump DV_WINE_IMAGE_VERSION when
# what goes into the image changes.
DV_WINE_IMAGE_VERSION=1

# _dv_make_image <dir>: boots a prefix in <dir>.tmp (crash dialogs off),
# shuts its server down so the registry is on disk, then moves it in place.
_dv_make_image() {
  local image=$1 log="$DV_WINE_STATE/wineboot.log"
  rm -rf "$image.tmp"
  (
    export WINEPREFIX="$image.tmp"
    # Started up front, detached from our pipes, so the first wine call
    # does not leave a server holding stdout open; it ends by itself a few
    # seconds after its last process, also when this is interrupted.
    wineserver -p5 >/dev/null 2>&1 </dev/null
    timeout "$DV_WINE_BOOT_TIMEOUT" wine wineboot -i >"$log" 2>&1 ||
      { echo "wine-env: wineboot failed (see $log)" >&2; timeout 60 wineserver -k; exit 1; }
    # Crashes print a backtrace instead of waiting in a dialog.
    timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$log" 2>&1 ||
      { echo "wine-env: reg add failed" >&2; timeout 60 wineserver -k; exit 1; }
    # Left alone, the server ends and writes the registry out; -k only if
    # it does not.
    timeout 60 wineserver -w >/dev/null 2>&1 || timeout 60 wineserver -k >/dev/null 2>&1
  ) || { rm -rf "$image.tmp"; return 1; }
  rm -rf "$image"
  mv "$image.tmp" "$image"
}

# _dv_image_copy <dir> <prefix>: makes the image unless one of this Wine
# and set-up is there, and copies it to <prefix>. Runs of the same build
# folder wait for each other while the image is made, and copy it side by
# side.
_dv_image_copy() {
  local image=$1 prefix=$2 key
  key="$DV_WINE_IMAGE_VERSION $WINEARCH $(wine --version 2>/dev/null)"
  mkdir -p "$(dirname "$image")"
  (
    flock -w "$DV_WINE_BOOT_TIMEOUT" 9 || { echo "wine-env: $image is locked" >&2; exit 1; }
    if [ -f "$image/system.reg" ] && [ "$(cat "$image.key" 2>/dev/null)" = "$key" ]; then
      echo "wine-env: copying the booted image $image"
    else
      rm -f "$image.key"
      _dv_make_image "$image" || exit 1
      echo "$key" >"$image.key"
      echo "wine-env: booted a new image in $image"
    fi
    # Shared from here on: other runs may copy, none may make it anew.
    flock -s 9
    cp -a "$image" "$prefix" || { echo "wine-env: cannot copy $image" >&2; exit 1; }
  ) 9>"$image.lock"
}

# wine_env_start <state-dir> [image-dir]: removes and recreates <state-dir>,
# with the prefix in <state-dir>/prefix copied from the booted image
# (default: wine-image next to <state-dir>, DV_WINE_IMAGE overrides it).
# Installs a trap that stops everything on exit, error or interrupt.
wine_env_start() {
  local t0=$SECONDS image
  DV_WINE_STATE=$(readlink -m "$1")
  image=$(readlink -m "${2:-${DV_WINE_IMAGE:-$(dirname "$DV_WINE_STATE")/wine-image}}")
  # A server left over from an interrupted run of ours on this prefix.
  if [ -d "$DV_WINE_STATE/prefix" ]; then
    WINEPREFIX="$DV_WINE_STATE/prefix" timeout 30 wineserver -k >/dev/null 2>&1
  fi
  rm -rf "$DV_WINE_STATE"
  mkdir -p "$DV_WINE_STATE"
  export WINEPREFIX="$DV_WINE_STATE/prefix"
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono/Gecko installer dialogs: they would wait for a click forever.
  export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
  trap 'wine_env_stop' EXIT
  trap 'wine_env_stop; exit 130' INT TERM

  _dv_start_xvfb || return 1
  _dv_image_copy "$image" "$WINEPREFIX" || return 1
  wineserver -p >/dev/null 2>&1 </dev/null
  _dv_wine_started=1
  _dv_start_rpcss || return 1
  echo "wine-env: prefix $WINEPREFIX ready ($((SECONDS - t0)) s)"
}

# register_servers <build-dir> <list-file>: each non-comment line of the
# list names a COM server relative to the build dir. DLLs go through
# regsvr32, executables get /RegServer. A listed file that is missing, or
# a registration that fails, fails the whole call.
register_servers() {
  local build=$1 list=$2 line file rc status=0
  [ -f "$list" ] || { echo "wine-env: no registration list $list" >&2; return 1; }
  while IFS= read -r line || [ -n "$line" ]; do
    line="${line%%#*}"
    line="$(echo "$line" | sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//')"
    [ -n "$line" ] || continue
    file="$build/$line"
    if [ ! -f "$file" ]; then
      echo "REGISTER FAILED $line: file not found in $build" >&2
      status=1
      continue
    fi
    case "$file" in
      *.dll|*.DLL)
        timeout 120 wine regsvr32 /s "$(winpath "$file")" >>"$DV_WINE_STATE/register.log" 2>&1; rc=$? ;;
      *.exe|*.EXE)
        timeout 120 wine "$(winpath "$file")" /RegServer >>"$DV_WINE_STATE/register.log" 2>&1; rc=$? ;;
      *)
        echo "REGISTER FAILED $line: neither .dll nor .exe" >&2; status=1; continue ;;
    esac
    if [ $rc -ne 0 ]; then
      echo "REGISTER FAILED $line (exit $rc, see $DV_WINE_STATE/register.log)" >&2
      status=1
    else
      echo "registered $line"
    fi
  done <"$list"
  return $status
}
