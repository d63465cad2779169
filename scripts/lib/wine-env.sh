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
      if [ -e "/tmp/.X11-unix/X${n}" ] && kill -0 "$_dv_xvfb_pid" 2>/dev/null; then
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
    out=$(timeout 30 wine net start RpcSs 2>&1)
    printf '%s\n' "$out" >>"$DV_WINE_STATE/wineboot.log"
    case "$out" in *"already running"*) return 0 ;; esac
    sleep 2
  done
  echo "wine-env: the RPC service did not start (see $DV_WINE_STATE/wineboot.log)" >&2
  return 1
}

# wine_env_start <state-dir>: removes and recreates <state-dir>, with the
# prefix in <state-dir>/prefix. Installs a trap that stops everything on
# exit, error or interrupt.
wine_env_start() {
  DV_WINE_STATE=$(readlink -m "$1")
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
  # A persistent wineserver started up front, detached from our pipes, so
  # the first wine call does not leave a server holding stdout open.
  wineserver -p >/dev/null 2>&1 </dev/null
  _dv_wine_started=1
  if ! timeout "$DV_WINE_BOOT_TIMEOUT" wine wineboot -i >"$DV_WINE_STATE/wineboot.log" 2>&1; then
    echo "wine-env: wineboot failed (see $DV_WINE_STATE/wineboot.log)" >&2
    return 1
  fi
  # Crashes print a backtrace instead of waiting in a dialog.
  timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$DV_WINE_STATE/wineboot.log" 2>&1 || { echo "wine-env: reg add failed" >&2; return 1; }
  _dv_start_rpcss || return 1
  echo "wine-env: prefix $WINEPREFIX ready"
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
