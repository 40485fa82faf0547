#!/bin/sh
# A screen for the tests that look at pixels and drive windows as a user does: an X server of its
# own (Xvfb, on a display number it picks itself, so that several checkouts can test at once) and
# a second Wine prefix of the build that draws through Wine's X11 driver onto it.
#
#   x11_session.sh start BUILD           start Xvfb and the prefix's wineserver (CTest fixture set-up)
#   x11_session.sh run BUILD PROGRAM...  run a Windows program on that screen
#   x11_session.sh stop BUILD            end both (CTest fixture clean-up)
set -eu

usage() { echo "usage: $0 start|stop BUILD | run BUILD PROGRAM [ARGUMENTS...]" >&2; exit 2; }
[ $# -ge 2 ] || usage
verb=$1
build=$(cd "$2" && pwd)
shift 2
state="$build/x11"
# The entry script's DLL overrides (see there why each).
read -r overrides <"$(dirname "$0")/../../host/wine-dll-overrides"
export WINEPREFIX="$build/wineprefix-x11" WINEDEBUG=-all WINEDLLOVERRIDES="$overrides" \
  WINEARCH=win32 XAUTHORITY="$state/Xauthority"

use_display() {
  [ -s "$state/display" ] || { echo "x11_session: no screen started under $build" >&2; exit 1; }
  DISPLAY=":$(cat "$state/display")"
  export DISPLAY
}

stop() {
  if [ -s "$state/display" ]; then
    use_display
    wineserver -k 2>/dev/null || true
  fi
  # Only the server we started: its process id, and only while that process is still Xvfb.
  if [ -s "$state/xvfb.pid" ]; then
    pid=$(cat "$state/xvfb.pid")
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]; then kill "$pid"; fi
  fi
  rm -f "$state/display" "$state/xvfb.pid" "$state/Xauthority"
}

start() {
  stop
  mkdir -p "$state"
  cookie=$(mcookie)
  # The server accepts every cookie of its file whatever display the entry names; the clients
  # look theirs up by display, added once the number is known.
  xauth -q -f "$state/Xauthority" add :0 . "$cookie"
  : >"$state/display"
  # -displayfd: the server takes the first free display number and writes it when it accepts
  # connections. A 24-bit screen: the default 8-bit one cannot hold the controls' colours.
  setsid Xvfb -displayfd 3 -auth "$state/Xauthority" -nolisten tcp -screen 0 1024x768x24 \
    3>"$state/display" </dev/null >/dev/null 2>"$state/xvfb.log" &
  echo $! >"$state/xvfb.pid"
  tries=0
  until grep -q '[0-9]' "$state/display"; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
      echo "x11_session: Xvfb did not start:" >&2
      cat "$state/xvfb.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  tr -cd '0-9' <"$state/display" >"$state/display.new" && mv "$state/display.new" "$state/display"
  use_display
  xauth -q -f "$state/Xauthority" add "$DISPLAY" . "$cookie"

  # The marker is written only once the prefix is set up (see ./tralvek for the main one).
  if [ ! -f "$WINEPREFIX/.tralvek-ready" ]; then
    wineboot -i >/dev/null 2>&1 || { echo "x11_session: could not create $WINEPREFIX" >&2; exit 1; }
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
    # No window manager runs: Wine draws captions and frames itself, as on Windows.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
      >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.tralvek-ready"
  fi
  # Wine's symbol font for the glyphs of caption buttons (see install_glyph_font in ./tralvek).
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
  # The desktop process starts with the first program and keeps the display it found: a server
  # of this prefix left from a run on another display must go first.
  wineserver -k 2>/dev/null || true
  setsid wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

case "$verb" in
  start) start ;;
  stop) stop ;;
  run)
    [ $# -ge 1 ] || usage
    use_display
    exec wine "$@" ;;
  *) usage ;;
esac
