# The file dialog in real windows: zenity on the native build and the common
# dialog of the Windows DLL under Wine, both on a private Xvfb display and
# answered with xdotool. Skipped, and said so, where the packages cannot be
# installed.
source "$(dirname "$0")/../lib/common.sh"
source "$(dirname "$0")/../lib/wine.sh"
set -euo pipefail
packages_or_skip "the dialog tests" xvfb xauth xdotool zenity || exit 0

native="$MOLVAREN_ROOT/build/test-native"
cmake -S "$MOLVAREN_ROOT" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native" -j"$JOBS" --target dialog_host
work="$MOLVAREN_ROOT/build/dialogs"
rm -rf "$work"
mkdir -p "$work"

# A display of our own: -displayfd picks a free number and writes it once
# the server accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 3>"$work/display" &
xvfb_pid=$!
cleanup() {
  wine_stop
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
display=":$(head -1 "$work/display")"
# zenity without a session bus: keep settings in memory, no accessibility bus.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

host_pid=
# start_host OUT COMMAND...: runs the dialog host in the background.
start_host() {
  local out=$1
  shift
  DISPLAY=$display "$@" >"$out" 2>"$out.err" &
  host_pid=$!
}

# answer TITLE KEYS...: waits for the window named TITLE (a regular
# expression), gives it the keyboard and sends the keys; tries again while
# the window stays open, since a window can be mapped before it takes keys.
# The keys must do the same when sent twice. Waits for the host to exit.
answer() {
  local title=$1
  shift
  local wid
  wid=$(DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --name "$title" | head -1) || true
  if [ -z "$wid" ]; then
    fail "no window named '$title'"
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
    return 1
  fi
  local attempt
  for attempt in $(seq 10); do
    # No window manager here: windowactivate would fail, windowfocus works.
    if DISPLAY=$display xdotool windowfocus --sync "$wid" 2>/dev/null &&
      [ "$(DISPLAY=$display xdotool getwindowfocus 2>/dev/null)" = "$wid" ]; then
      sleep 0.3
      local step
      for step in "$@"; do
        case $step in
          type:*) DISPLAY=$display xdotool type --delay 15 "${step#type:}" ;;
          *) DISPLAY=$display xdotool key "$step" ;;
        esac
      done
    fi
    local i
    for i in $(seq 30); do
      kill -0 "$host_pid" 2>/dev/null || break 2
      sleep 0.2
    done
    # The window may close slowly after the keys; only a window still
    # there needs them again.
    DISPLAY=$display xdotool getwindowname "$wid" >/dev/null 2>&1 || break
  done
  for attempt in $(seq 100); do
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$host_pid" 2>/dev/null; then
    fail "the window '$title' did not close"
    kill "$host_pid" 2>/dev/null || true
  fi
  wait "$host_pid" 2>/dev/null || true
}

# expect OUT TEXT: the host's report.
expect() {
  local got
  # Windows programs end their lines with CR LF.
  got=$(tr -d '\r' <"$1")
  [ "$got" = "$2" ] || fail "$(basename "$1"): expected '$2', got '$got' ($(tail -3 "$1.err" | tr '\n' ' '))"
}

same_file() {
  cmp -s "$1" "$2" || fail "$(basename "$2") differs from $(basename "$1") (or is missing)"
}

# dialog_cases LABEL HOST WORK SHOWN SELECT_KEY LOCATION_KEY: the four cases
# in WORK/LABEL, with HOST the name of an array holding the host's command,
# SHOWN the same folder as that host names it, and the keys that select the
# whole name field of the save dialog and of the open dialog.
dialog_cases() {
  local label=$1 native_dir=$3 shown_dir=$4 select_name=$5 open_location=$6
  local -n host=$2
  local dir="$native_dir/$label"
  local shown="$shown_dir$label"
  local sep=/
  [[ $shown == Z:* ]] && sep='\'
  mkdir -p "$dir"
  "${host[@]}" make 1 "$shown$sep"one.ref
  "${host[@]}" make 2 "$shown$sep"two.ref
  printf 'not a path file\r\n' >"$dir/foreign.otp"

  # A name typed without extension is saved with .otp, as it was read.
  start_host "$dir/save.out" "${host[@]}" save "$shown${sep}one.ref"
  answer '^Save Object Tracking Path File$' "$select_name" "type:$shown${sep}typed" Return
  expect "$dir/save.out" 'result 1 paths 1'
  same_file "$dir/one.ref" "$dir/typed.otp"

  # Cancel: 2, and no file written; two paths give the plural title.
  local before
  before=$(ls "$dir" | grep -v '\.out')
  start_host "$dir/cancel.out" "${host[@]}" save "$shown${sep}two.ref"
  answer '^Save Object Tracking Paths File$' Escape
  expect "$dir/cancel.out" 'result 2 paths 2'
  [ "$(ls "$dir" | grep -v '\.out')" = "$before" ] || fail "$label: a cancelled save wrote a file"

  # Open: the list read is the one that was saved.
  start_host "$dir/open.out" "${host[@]}" open "$shown${sep}reopened.ref"
  answer '^Open Object Tracking Path\(s\) File$' "$open_location" "type:$shown${sep}typed.otp" Return
  expect "$dir/open.out" 'result 1 paths 1'
  same_file "$dir/one.ref" "$dir/reopened.ref"

  # A confirmed file that is not a path file: 1, and still no list.
  start_host "$dir/foreign.out" "${host[@]}" open
  answer '^Open Object Tracking Path\(s\) File$' "$open_location" "type:$shown${sep}foreign.otp" Return
  expect "$dir/foreign.out" 'result 1 paths -1'
}

say "zenity"
zenity_host=("$native/tests/dialogs/dialog_host")
# The save dialog's name field has the focus; ctrl+l opens the location
# field of the open dialog.
dialog_cases zenity zenity_host "$work" "$work/" ctrl+a ctrl+l
zenity_failures=$failures
[ "$zenity_failures" -eq 0 ] && echo "zenity: 4 cases passed"

if packages_or_skip "the Wine dialog tests" "${WINDOWS_PACKAGES[@]}"; then
  say "Wine common dialog"
  windows="$MOLVAREN_ROOT/build/test-windows"
  cmake -S "$MOLVAREN_ROOT" -B "$windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$MOLVAREN_ROOT/cmake/mingw-w64.cmake" -DMOLVAREN_BUILD_TOOLS=OFF >/dev/null
  cmake --build "$windows" -j"$JOBS" --target dialog_host
  wine_start "$windows/wineprefix-dialogs" "$display"
  wine_host=("$WINE64" "$windows/bin/dialog_host.exe")
  # Wine sees the root as Z:. The file name field has the focus in both
  # dialogs; ctrl+a selects the default name.
  dialog_cases wine wine_host "$work" "Z:${work//\//\\}\\" ctrl+a ctrl+a
  [ "$failures" -eq "$zenity_failures" ] && echo "Wine: 4 cases passed"
fi

if [ "$failures" -ne 0 ]; then
  # The windows left on the screen, for the log of a failed run.
  for w in $(DISPLAY=$display xdotool search --onlyvisible --name . 2>/dev/null); do
    echo "window left open: $(DISPLAY=$display xdotool getwindowname "$w")" >&2
  done
  echo "$failures dialog checks failed; outputs in $work" >&2
  exit 1
fi
