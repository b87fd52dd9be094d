#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the program, its resources, the
# desktop entry, the icon and the udev rule all land where the program and the desktop look.
set -eu
build=$1
configured_prefix=${2:-}
if [ "$configured_prefix" = "/usr" ]; then
    echo "configured for /usr: the udev rule goes to /lib/udev, outside any test prefix" >&2
    exit 77
fi
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > "$prefix.log" 2>&1 || { cat "$prefix.log" >&2; rm -f "$prefix.log"; exit 1; }
rm -f "$prefix.log"
missing=0
for f in bin/nolvo \
         share/nolvo/res/fonts/roboto/Roboto-Regular.ttf \
         share/nolvo/res/fonts/roboto/Roboto-Bold.ttf \
         share/nolvo/res/shaders/WaterfallShader.vsh \
         share/nolvo/res/shaders/WaterfallShader.fsh \
         share/nolvo/res/demo.png \
         share/nolvo/res/OuterWheel.png \
         share/nolvo/res/AlertViewBackground.png \
         share/applications/nolvo.desktop \
         share/icons/hicolor/scalable/apps/nolvo.svg \
         lib/udev/rules.d/60-nolvo.rules; do
    if [ ! -s "$prefix/$f" ]; then
        echo "not installed: $f" >&2
        missing=1
    fi
done
if ls "$prefix/share/nolvo/res/packets" > /dev/null 2>&1; then :; else echo "demo recordings not installed" >&2; missing=1; fi
if [ -e "$prefix/share/nolvo/res/images-src" ]; then echo "image sources must not be installed" >&2; missing=1; fi
grep -q '^Exec=nolvo$' "$prefix/share/applications/nolvo.desktop" || { echo "desktop entry does not start nolvo" >&2; missing=1; }
[ -x "$prefix/bin/nolvo" ] || { echo "nolvo is not executable" >&2; missing=1; }
exit $missing
