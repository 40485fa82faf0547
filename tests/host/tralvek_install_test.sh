#!/bin/sh
# The entry script's install step on a machine whose package mirror misbehaves, with stand-ins
# of the package tools first on PATH: a package list that fails to update does not stop the
# install, and an install that fails on unmet dependencies ends in one line saying what to run.
set -eu
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "tralvek_install_test: $*" >&2; exit 1; }

# A checkout of the script alone: its build folder is the test's, its packages stamp never there.
mkdir "$work/checkout" "$work/bin"
mkdir "$work/checkout/host"
cp "$root/tralvek" "$work/checkout/"
cp "$root/host/wine-dll-overrides" "$work/checkout/host/"
stand_in() {
  printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}
stand_in id 'echo 0'
stand_in dpkg-query 'exit 1'
stand_in dpkg 'echo i386'
stand_in cmake 'exit 0'
stand_in ninja 'echo built'
# apt-get: the update fails as a mirror mid-sync makes it fail; the install does what
# $work/install says, and every call is written down.
stand_in apt-get 'echo "$*" >>"'"$work"'/apt-calls"
case "$1" in
  update) echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
          echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
          exit 100 ;;
esac
. "'"$work"'/install"'
unmet='echo "The following packages have unmet dependencies:"
echo " libcurl4:i386 : Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed"
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100'

build() {
  : >"$work/apt-calls"
  status=0
  PATH=$work/bin:$PATH "$work/checkout/tralvek" build >"$work/out" 2>"$work/err" || status=$?
}

echo 'exit 0' >"$work/install"
build
[ "$status" -eq 0 ] || fail "the build stopped after a failed update ($status): $(cat "$work/err")"
grep -q 'install -y -qq .*wine32:i386' "$work/apt-calls" ||
  fail "nothing was installed after the update failed: $(cat "$work/apt-calls")"
grep -q 'warning: the package lists did not all update' "$work/err" ||
  fail "the failed update went unsaid: $(cat "$work/err")"
grep -qx built "$work/out" || fail "the build did not run after the install"

# One architecture's list missing: the release's own suite has both, and the second try takes it.
cat >"$work/install" <<EOF
case "\$*" in *" -t "*) exit 0 ;; esac
$unmet
EOF
build
[ "$status" -eq 0 ] || fail "the install did not retry from the release's suite: $(cat "$work/err")"
grep -q "install -y -qq -t $(. /etc/os-release && echo "$VERSION_CODENAME") " "$work/apt-calls" ||
  fail "the second install named no suite: $(cat "$work/apt-calls")"

# Both tries fail: one line of what to do, not apt's page, and the command fails.
echo "$unmet" >"$work/install"
build
[ "$status" -ne 0 ] || fail "a failed install was reported as success"
! grep -qE "unmet dependencies|held broken" "$work/err" &&
  [ "$(grep -c "could not be installed" "$work/err")" -eq 1 ] ||
  fail "the failed install said more than one line of its own: $(cat "$work/err")"
grep -q "^tralvek: the packages could not be installed: .*run 'apt-get update && apt-get upgrade'" \
  "$work/err" || fail "the failed install did not say what to run: $(cat "$work/err")"
! grep -q "built" "$work/out" || fail "the build ran without its packages"

# Any other failure shows apt's own words.
echo 'echo "E: You do not have enough free space in /var/cache/apt/archives/." >&2; exit 100' \
  >"$work/install"
build
[ "$status" -ne 0 ] && grep -q "enough free space" "$work/err" ||
  fail "another install failure lost apt's words: $(cat "$work/err")"
echo "tralvek_install_test: a failed update, a version skew and a failed install each handled"
