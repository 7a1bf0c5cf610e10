# Running Windows programs under Wine, headless and without prompts. Sourced.
#   wine_start PREFIX [DISPLAY]   boots (or creates) the prefix and keeps a
#                       server up; headless unless a display is given
#   wine_stop           stops that server
WINE64=/usr/lib/wine/wine64
# The cross compiler, Wine, and GoogleTest's sources for the cross build.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 wine wine64 googletest)

wine_env() {
  export WINEPREFIX=$1
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG_OVERRIDE:--all}
  # No Mono/Gecko installers; no window can open.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  # The ANSI code page follows the locale: keep it 1252.
  export LC_ALL=C.UTF-8 LANG=C.UTF-8
}

wine_start() {
  wine_env "$1"
  # Wine's desktop process starts here and keeps the display it was given.
  [ -n "${2:-}" ] && export DISPLAY=$2
  mkdir -p "$WINEPREFIX"
  # A persistent server, started with its output detached: otherwise Wine's
  # helper processes hold every test's output pipe for seconds (or forever).
  # A server already up for the prefix (left by an earlier run) will do.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wineboot -i </dev/null >/dev/null 2>&1 || true
}

wine_stop() { wineserver -k 2>/dev/null || true; }
