#!/bin/sh
# Runs a test program under Wine in the test prefix CTest gave it: one prefix per processor the
# tests run on, each with its own server there (see ./tralvek test), so that programs side by side
# share no registry, Windows folder or temporary files. Run by hand, without CTest's resources, the
# program runs in the prefix of the environment.
#
#   wine_slot.sh BUILD PROGRAM [ARGUMENTS...]
set -eu
build=$1
shift
slot=${CTEST_RESOURCE_GROUP_0_WINE:-}
if [ -z "$slot" ]; then exec wine "$@"; fi
# CTest names the slot "id:N,slots:1"; the id is the processor's number.
processor=${slot#id:}
processor=${processor%%,*}
WINEPREFIX="$build/wineprefix-cpu$processor"
export WINEPREFIX
[ -f "$WINEPREFIX/.tralvek-ready" ] ||
  { echo "wine_slot: no test prefix $WINEPREFIX: run the tests through ./tralvek test" >&2; exit 1; }
# A machine that refuses to place programs runs them anywhere.
if taskset -c "$processor" true 2>/dev/null; then exec taskset -c "$processor" wine "$@"; fi
exec wine "$@"
