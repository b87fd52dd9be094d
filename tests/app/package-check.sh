#!/usr/bin/env bash
# Builds the Debian package from the build tree with "cpack -G DEB" and checks it: its name, the
# programs, resources, desktop entry, icon and udev rule inside, the declared runtime
# dependencies, and that the programs taken out of it run: --version, the window in demo mode
# (closed with SIGTERM, exit 0) and nolvo-log logging the packaged demo recordings.
set -u
build=$1
version=$2
command -v cpack > /dev/null && command -v dpkg-deb > /dev/null || { echo "cpack or dpkg-deb missing" >&2; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb="$work/out/nolvo_${version}_amd64.deb"
[ -s "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/out")"

dpkg-deb --contents "$deb" | awk '{print $NF}' > "$work/contents"
for f in ./usr/bin/nolvo ./usr/bin/nolvo-log \
         ./usr/share/nolvo/res/fonts/roboto/Roboto-Regular.ttf \
         ./usr/share/nolvo/res/shaders/WaterfallShader.fsh \
         ./usr/share/nolvo/res/demo.png \
         ./usr/share/nolvo/res/packets/Nolvo5x/Nolvo5x_discover.bin \
         ./usr/share/applications/nolvo.desktop \
         ./usr/share/icons/hicolor/scalable/apps/nolvo.svg \
         ./usr/lib/udev/rules.d/60-nolvo.rules; do
    grep -qxF "$f" "$work/contents" || fail "not in the package: $f"
done
grep -q "images-src" "$work/contents" && fail "image sources must not be packaged"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libsdl2-2.0-0 libusb-1.0-0 libglew libfreetype6 libharfbuzz0b libpng16 xdg-utils ieee-data adduser; do
    case "$depends" in *"$d"*) ;; *) fail "runtime dependency $d not declared: $depends" ;; esac
done

dpkg-deb -x "$deb" "$work/root"
bin="$work/root/usr/bin"
[ "$("$bin/nolvo" --version)" = "nolvo $version" ] || fail "nolvo --version: $("$bin/nolvo" --version 2>&1)"
[ "$("$bin/nolvo-log" --version)" = "nolvo-log $version" ] || fail "nolvo-log --version"

# Run from a directory without resources: they must come from the package.
mkdir -p "$work/cwd" && cd "$work/cwd"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
csv=$("$bin/nolvo-log" --replay "$work/root/usr/share/nolvo/res" --seconds 2 --output "$work/logs" 2> "$work/log.err") \
    || fail "packaged nolvo-log failed: $(cat "$work/log.err")"
[ "$(grep -c '^[0-9]' "$csv")" -gt 0 ] || fail "packaged demo recordings gave no rows"

"$bin/nolvo" > "$work/nolvo.out" 2>&1 &
pid=$!
sleep 3
kill -0 "$pid" 2> /dev/null || { wait "$pid"; fail "packaged nolvo ended early ($?): $(cat "$work/nolvo.out")"; }
kill -TERM "$pid"
wait "$pid" || fail "packaged nolvo exited with $?: $(cat "$work/nolvo.out")"
[ -s "$XDG_CONFIG_HOME/nolvo/settings.store" ] || fail "packaged nolvo saved no settings"
echo "$(basename "$deb"): $(wc -l < "$work/contents") entries, runs"
