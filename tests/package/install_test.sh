#!/usr/bin/env bash
# Builds the Debian packages from this build tree, checks that the host can satisfy what they
# depend on, installs them into an empty root with dpkg, and runs the installed programs there
# with the source and build trees hidden: `orvex-cloud-config --version`, then a headless start of
# the installed tool against the installed lab's world serving the installed page, in network and
# mount namespaces of its own (the studio's port 5905 is shared with the machine).
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION CPACK
set -euo pipefail
build="$(cd "$1" && pwd)" source="$(cd "$2" && pwd)" version="$3" cpack="$4"
work="$(mktemp -d "${TMPDIR:-/tmp}/orvex-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "install_test: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/debs" >cpack.log 2>&1 ||
  { cat cpack.log; fail "cpack failed"; }
tool_deb="$(echo debs/orvex-cloud-config_"$version"-*.deb)"
lab_deb="$(echo debs/orvex-lab_"$version"-*.deb)"
[ -f "$tool_deb" ] && [ -f "$lab_deb" ] || fail "expected two packages, got: $(ls debs)"
for deb in "$tool_deb" "$lab_deb"; do
  echo "$deb: Depends: $(dpkg-deb -f "$deb" Depends)"
  dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>=' || fail "$deb: no library dependencies"
done
dpkg-deb -f "$tool_deb" Depends | grep -q libqt6webenginecore6 || fail "the tool misses Qt WebEngine"
# Everything they depend on is installed here or installable from the host's archives.
apt-get install -s --no-install-recommends "$work/$tool_deb" "$work/$lab_deb" >apt.log 2>&1 ||
  { cat apt.log; fail "the Depends lines cannot be satisfied on this host"; }

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The libraries are the host's, not the empty root's: hence --force-depends.
dpkg --root="$root" --force-not-root --force-depends --log=/dev/null -i "$tool_deb" "$lab_deb" \
  >dpkg.log 2>&1 || { cat dpkg.log; fail "dpkg could not install them"; }
for path in usr/lib/orvex-cloud-config/Skin/WndMainFrame.xml usr/share/orvex-cloud-config/web/index.html \
  usr/share/applications/orvex-cloud-config.desktop usr/share/icons/hicolor/48x48/apps/orvex-cloud-config.png \
  usr/share/icons/hicolor/scalable/apps/orvex-cloud-config.svg usr/share/man/man1/orvex-cloud-config.1.gz \
  usr/share/man/man1/orvex-lab.1.gz; do
  [ -f "$root/$path" ] || fail "not installed: /$path"
done
[ "$(readlink "$root/usr/bin/orvex-cloud-config")" = ../lib/orvex-cloud-config/orvex-cloud-config ] ||
  fail "/usr/bin/orvex-cloud-config does not link to the program"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/orvex-cloud-config.desktop"
fi

# Runs in its own mount and network namespaces, with the trees the packages came from hidden.
installed_run() {
  set -euo pipefail
  mount -t tmpfs none "$build"
  mount -t tmpfs none "$source" 2>/dev/null || true  # the build tree may hold the source's place
  [ ! -e "$source/web/index.html" ] && [ ! -e "$build/CMakeCache.txt" ] || fail "trees not hidden"
  ip link set lo up
  export PATH=/usr/bin:/bin HOME="$work/home" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
  export QTWEBENGINE_DISABLE_SANDBOX=1
  mkdir -p "$HOME"
  [ "$("$root/usr/bin/orvex-cloud-config" --version)" = "orvex-cloud-config $version" ] ||
    fail "the installed --version"

  coproc WORLD { exec "$root/usr/bin/orvex-lab" world --state "$work/world" --cameras 4 --groups 1 \
    --no-sync 2>world.err; }
  local line deadline=$((SECONDS + 120)) ready="" hello="" loaded=""
  # The next event of the world matching $1 (an extended grep pattern), into $line.
  next_event() {
    while read -r -t $((deadline - SECONDS > 0 ? deadline - SECONDS : 1)) -u "${WORLD[0]}" line; do
      echo "$line" >>world.log
      grep -qE "$1" <<<"$line" && return 0
    done
    cat world.log world.err >&2
    fail "no event matching $1"
  }
  next_event '"event":"ready"'
  ready="$line"
  grep -qF "\"folder\":\"$root/usr/share/orvex-cloud-config/web\"" world.log ||
    fail "the world does not serve the installed page"
  grep -qF "\"program\":\"$root/usr/bin/orvex-cloud-config\"" <<<"$ready" ||
    fail "the world does not start the installed tool"
  local argument
  argument="$(sed -n 's/.*"argument":"\([^"]*\)".*/\1/p' <<<"$ready")"
  "$root/usr/bin/orvex-cloud-config" "$argument" &
  local tool=$!
  # The tool says hello to the studio, and the installed page's load is reported as a success.
  next_event '"kind":"hello"'
  next_event '"event":"statistics"'
  grep -qF '["r","0"]' <<<"$line" || fail "the page did not load: $line"
  echo "studio quit" >&"${WORLD[1]}"
  wait "$tool" || fail "the tool ended with status $? after the studio's quit"
  echo exit >&"${WORLD[1]}"
  wait "$WORLD_PID" || true
  echo "install_test: the installed tool came up against the installed lab and page"
}
export -f installed_run fail
export build source version work root
ns=(unshare --mount --net)
[ "$(id -u)" -eq 0 ] || ns+=(--map-root-user)
"${ns[@]}" bash -c installed_run
