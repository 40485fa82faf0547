#!/bin/sh
# The entry script as a user on a fresh account runs it: nothing of Wine in the user's home (no
# prefix of the user's own), the checkout's one server and desktop kept for the next command,
# the server on the processor the commands run on, and the command's output closed when it
# ends, read through a pipe.
set -eu
root=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
fail() { echo "tralvek_script_test: $*" >&2; exit 1; }

cp "$root/examples/example-board.json" "$home/board.json"
HOME=$home "$root/tralvek" export "$home/board.json" >"$home/first.txt" ||
  fail "the first export failed: $(cat "$home/first.txt")"
read -r server settings <"$root/build/wineprefix/.tralvek-server" ||
  fail "no server stamp in the prefix"
HOME=$home "$root/tralvek" export "$home/board.json" "$home/second.dsn" | cat >"$home/second.txt"
grep -q "^file written: Z:.*second.dsn, [0-9]* bytes, 6 components, 4 nets" "$home/second.txt" ||
  fail "the second export did not report its design file: $(cat "$home/second.txt")"
[ -s "$home/second.dsn" ] || fail "no design file"
read -r again settings <"$root/build/wineprefix/.tralvek-server"
[ "$again" = "$server" ] || fail "the server $server was replaced by $again"
[ -d "/proc/$server" ] || fail "the server did not outlive the command"
# The server keeps to the one processor its commands' programs are started on (where the machine
# lets programs be placed at all), and the session's own programs keep off it.
cpu=${settings##*cpu=}
cpu=${cpu%% *}
others=${settings##*others=}
runs_on=$(taskset -pc "$server" | sed 's/.*: //')
[ -z "$cpu" ] || [ "$runs_on" = "$cpu" ] ||
  fail "the server runs on processors $runs_on, not on $cpu alone"
# Each processor of a list such as 0-3,6, one per line.
processors() {
  echo "$1" | tr ',' '\n' | while IFS=- read -r first last; do seq "$first" "${last:-$first}"; done
}
# The processes of the checkout's prefix whose command line matches the pattern.
prefix_processes() {
  for pid in $(pgrep -f "$1"); do
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" |
      grep -qx "WINEPREFIX=$root/build/wineprefix"; then
      echo "$pid"
    fi
  done
}
# Another prefix's desktop runs beside this checkout's (a second checkout's, a screen test's),
# listed after it: nothing of it may count here, nor end the test.
ln -s "$(command -v sleep)" "$home/explorer.exe"
WINEPREFIX=$home/other-prefix "$home/explorer.exe" 300 &
other_desktop=$!
trap 'kill "$other_desktop" 2>/dev/null; rm -rf "$home"' EXIT
# The desktop outlives the commands (Wine would end it a second after the last), kept by a
# keeper of its own, and holds no command's output: the keeper, which has none, started it.
check_desktop() {
  sleep 2
  desktops=$(prefix_processes 'explorer\.exe')
  [ -n "$desktops" ] || fail "the desktop ended with the command"
  case " $(echo $desktops) " in *" $other_desktop "*) fail "another prefix's desktop was taken for this one's" ;; esac
  [ -n "$(prefix_processes 'session_keeper\.exe')" ] || fail "no keeper of the desktop runs"
  checked=0
  for desktop in $desktops; do
    for fd in 0 1 2; do
      # Tests running beside this one start programs of the prefix too: a desktop that ended since
      # it was listed is not looked at (readlink says nothing, and the script would end silently).
      held=$(readlink "/proc/$desktop/fd/$fd") || continue 2
      [ "$held" = /dev/null ] || fail "the desktop $desktop holds $held as its output $fd"
    done
    checked=$((checked + 1))
  done
  [ "$checked" -gt 0 ] || fail "every desktop ($desktops) ended while it was looked at"
}
check_desktop
if [ -n "$cpu" ] && [ -n "$others" ]; then
  sessions=0
  for session in $(prefix_processes 'winedevice\.exe|services\.exe|session_keeper\.exe'); do
    placed=$(taskset -pc "$session" | sed 's/.*: //')
    ! processors "$placed" | grep -qx "$cpu" ||
      fail "the session's program $session runs on processors $placed, the server's $cpu among them"
    sessions=$((sessions + 1))
  done
  [ "$sessions" -gt 2 ] || fail "the server's session has $sessions programs"
fi
# Between commands the session sleeps: no program of it drives the device buses, whose host
# polls every millisecond.
for session in $(prefix_processes '\.exe'); do
  ! grep -qE '(winebus|wineusb)\.sys' "/proc/$session/maps" 2>/dev/null ||
    fail "the session's program $session ($(cat "/proc/$session/comm")) drives a device bus"
done
for kept in .wine .local .config; do
  [ ! -e "$home/$kept" ] || fail "the commands wrote $kept into the user's home"
done
# A board named where the design file goes is a slip of the user's: refused, nothing written.
if HOME=$home "$root/tralvek" export "$home/board.json" "$home/other.json" "$home/third.dsn" \
  >/dev/null 2>&1; then
  fail "an export with three paths ran"
fi
[ ! -e "$home/other.dsn" ] && [ ! -e "$home/third.dsn" ] || fail "a refused export wrote a file"
# The host's answer and control options reach it through the script: a cancelled set-up writes
# no design file (and stores nothing, so the value set here stays out of the settings).
HOME=$home "$root/tralvek" export --set TestPointExpSide="Both Sides" \
  --answer "Setup Specctra Router=Cancel" "$home/board.json" "$home/cancelled.dsn" >"$home/cancel.txt" ||
  fail "a cancelled export failed: $(cat "$home/cancel.txt")"
grep -q "^set TestPointExpSide=Both Sides" "$home/cancel.txt" &&
  grep -q '^dialog "Setup Specctra Router": .* -> Cancel' "$home/cancel.txt" ||
  fail "the host was not given the set-up's value and answer: $(cat "$home/cancel.txt")"
[ ! -e "$home/cancelled.dsn" ] || fail "a cancelled export wrote its design file"
# A command after another finds what that one left from stamps of its own: it neither asks dpkg
# for the packages (while dpkg's database stays as it was) nor looks for the server or the keeper
# among all processes. A packages stamp older than the database has them asked for and is
# written again.
mkdir "$home/bin"
for program in dpkg-query pgrep; do
  printf '#!/bin/sh\necho %s >>"%s/asked"\nexec %s "$@"\n' "$program" "$home" \
    "$(command -v "$program")" >"$home/bin/$program"
  chmod +x "$home/bin/$program"
done
PATH=$home/bin:$PATH HOME=$home "$root/tralvek" export "$home/board.json" >/dev/null
[ ! -e "$home/asked" ] || fail "a command after another ran $(cat "$home/asked")"
stamp=$root/build/.tralvek-packages
touch -d 2000-01-01 "$stamp"
PATH=$home/bin:$PATH HOME=$home "$root/tralvek" export "$home/board.json" >/dev/null
grep -qx dpkg-query "$home/asked" && [ -n "$(find "$stamp" -newer /var/lib/dpkg/status)" ] ||
  fail "a stamp older than dpkg's database was taken for the packages"
# After a long pause (the checkout's server ended), the first command looks among all processes
# for nothing either: its new server is the one holding the prefix's lock, and no keeper or
# desktop of that server can run yet. Its server keeps to the commands' processor once it ends.
WINEPREFIX=$root/build/wineprefix wineserver -k
WINEPREFIX=$root/build/wineprefix wineserver -w
rm -f "$home/asked"
PATH=$home/bin:$PATH HOME=$home "$root/tralvek" export "$home/board.json" "$home/cold.dsn" |
  cat >"$home/cold.txt"
grep -q "^file written: Z:.*cold.dsn, [0-9]* bytes, 6 components" "$home/cold.txt" ||
  fail "the first export after a pause did not report its design file: $(cat "$home/cold.txt")"
[ ! -e "$home/asked" ] || fail "the first command after a pause ran $(cat "$home/asked")"
read -r cold settings <"$root/build/wineprefix/.tralvek-server"
[ "$cold" != "$server" ] && [ -d "/proc/$cold" ] || fail "no new server runs ($cold, before $server)"
folder=$(printf 'server-%s-%x' $(stat -c '%D %i' "$root/build/wineprefix"))
case "$(readlink "/proc/$cold/cwd")" in
  */"$folder") ;;
  *) fail "the process $cold taken for the server serves $(readlink "/proc/$cold/cwd")" ;;
esac
# The host, started beside the keeper, left the desktop to it.
check_desktop
runs_on=$(taskset -pc "$cold" | sed 's/.*: //')
[ -z "$cpu" ] || [ "$runs_on" = "$cpu" ] ||
  fail "after the first command the server runs on processors $runs_on, not on $cpu alone"
# A journal the output cannot take (a full disk) fails the command, and says why.
if HOME=$home "$root/tralvek" export "$home/board.json" "$home/full.dsn" >/dev/full 2>"$home/full.txt"; then
  fail "an export whose journal went nowhere succeeded"
fi
grep -q "the journal could not be written to the output" "$home/full.txt" ||
  fail "an export whose journal went nowhere did not say so: $(cat "$home/full.txt")"
# A server of the prefix that the script did not start (a test run by hand, say) is replaced by
# one of its own, whose settings the commands rely on.
WINEPREFIX=$root/build/wineprefix wineserver -k
WINEPREFIX=$root/build/wineprefix wineserver -w
WINEPREFIX=$root/build/wineprefix wineserver -p30
foreign=$(prefix_processes 'wineserver')
[ -n "$foreign" ] || fail "the server started by hand does not run"
HOME=$home "$root/tralvek" export "$home/board.json" "$home/replaced.dsn" >"$home/replaced.txt" ||
  fail "an export beside a server started by hand failed: $(cat "$home/replaced.txt")"
grep -q "^file written: Z:.*replaced.dsn" "$home/replaced.txt" ||
  fail "the export beside a server started by hand wrote nothing: $(cat "$home/replaced.txt")"
read -r replaced settings <"$root/build/wineprefix/.tralvek-server"
# An ended process may stay listed a while, a zombie, until the system's first process collects it.
running() {
  state=$(sed -n 's/^State:[[:space:]]*\([A-Z]\).*/\1/p' "/proc/$1/status" 2>/dev/null)
  [ -n "$state" ] && [ "$state" != Z ]
}
[ "$replaced" != "$foreign" ] && running "$replaced" && ! running "$foreign" ||
  fail "the server started by hand ($foreign) was not replaced by the script's own ($replaced)"
echo "tralvek_script_test: two exports in one server ($server), nothing in the user's home"
