#!/usr/bin/env bash
# Builds the Debian packages from this build tree, checks that the host can satisfy what they
# depend on, installs them into an empty root with dpkg and, with the source and build trees
# hidden, runs the installed --version and starts the installed tool headless against the
# installed lab's world serving the installed page (own network namespace: 5905 is shared).
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION CPACK
set -euo pipefail
build="$(cd "$1" && pwd)" source="$(cd "$2" && pwd)" version="$3" cpack="$4"
work="$(mktemp -d "${TMPDIR:-/tmp}/orvex-package.XXXXXX")" root="$work/root"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "install_test: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B debs >cpack.log 2>&1 || { cat cpack.log; fail cpack; }
debs=("$work"/debs/orvex-cloud-config_"$version"-*.deb "$work"/debs/orvex-lab_"$version"-*.deb)
[ -f "${debs[0]}" ] && [ -f "${debs[1]}" ] || fail "expected both packages, got: $(ls debs)"
for deb in "${debs[@]}"; do echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"; done
dpkg-deb -f "${debs[0]}" Depends | grep -q 'libqt6webenginecore6 (>=' || fail "shlibdeps missed Qt"
apt-get install -s --no-install-recommends "${debs[@]}" >apt.log 2>&1 ||
  { cat apt.log; fail "their Depends cannot be satisfied on this host"; }

mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The libraries are the host's, not the empty root's: hence --force-depends.
dpkg --root="$root" --force-not-root --force-depends --log=/dev/null -i "${debs[@]}" >dpkg.log 2>&1 ||
  { cat dpkg.log; fail "dpkg could not install them"; }
for path in lib/orvex-cloud-config/Skin/WndMainFrame.xml share/icons/hicolor/48x48/apps/orvex-cloud-config.png \
  share/icons/hicolor/scalable/apps/orvex-cloud-config.svg share/man/man1/orvex-{cloud-config,lab}.1.gz; do
  [ -f "$root/usr/$path" ] || fail "not installed: /usr/$path"
done
entry="$root/usr/share/applications/orvex-cloud-config.desktop"
desktop-file-validate "$entry"
[ -x "$root/usr/bin/$(sed -n 's/^TryExec=//p' "$entry")" ] || fail "the menu entry's program is not installed"

installed_run() {  # in mount and network namespaces of its own
  set -euo pipefail
  mount -t tmpfs none "$build" && mount -t tmpfs none "$source"
  [ ! -e "$source/web/index.html" ] && [ ! -e "$build/CMakeCache.txt" ] || fail "trees not hidden"
  ip link set lo up
  export PATH=/usr/bin:/bin HOME="$work/home" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
  export QTWEBENGINE_DISABLE_SANDBOX=1 && mkdir -p "$HOME"
  [ "$("$root/usr/bin/orvex-cloud-config" --version)" = "orvex-cloud-config $version" ] || fail --version

  coproc WORLD { exec "$root/usr/bin/orvex-lab" world --state world --cameras 4 --groups 1 --no-sync 2>world.err; }
  local line deadline=$((SECONDS + 120))
  trap 'kill ${tool:-} ${WORLD_PID:-} 2>/dev/null; wait' EXIT  # nothing outlives the test
  next_event() {  # the world's next event matching the pattern $1, into $line
    while read -r -t $((deadline > SECONDS ? deadline - SECONDS : 1)) -u "${WORLD[0]}" line; do
      echo "$line" >>world.log
      grep -qE "$1" <<<"$line" && return 0
    done
    cat world.log world.err >&2
    fail "no event matching $1"
  }
  next_event '"event":"ready"'
  grep -qF "\"folder\":\"$root/usr/share/orvex-cloud-config/web\"" world.log || fail "not the installed page"
  grep -qF "\"program\":\"$root/usr/bin/orvex-cloud-config\"" <<<"$line" || fail "not the installed tool"
  "$root/usr/bin/orvex-cloud-config" "$(sed -n 's/.*"argument":"\([^"]*\)".*/\1/p' <<<"$line")" &
  tool=$!
  # Its hello reaches the studio, the page's load is reported as a success, and quit ends it.
  next_event '"kind":"hello"'
  next_event '"event":"statistics"'
  grep -qF '["r","0"]' <<<"$line" || fail "the page did not load: $line"
  echo "studio quit" >&"${WORLD[1]}"
  wait "$tool" || fail "the tool ended with status $? after the studio's quit"
  echo "install_test: the installed tool came up against the installed lab and page"
}
export -f installed_run fail
export build source version work root
ns=(unshare --mount --net)
[ "$(id -u)" -eq 0 ] || ns+=(--map-root-user)
"${ns[@]}" bash -c installed_run
