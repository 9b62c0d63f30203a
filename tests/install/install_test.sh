#!/usr/bin/env bash
# cmake --install into a scratch prefix, then: every file where it belongs, run paths relative to the
# programs (no build folder leaks in), and the browser started from the moved prefix shows the demo's
# servers answering.
set -euo pipefail
build=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log"
# A prefix must work wherever it lands.
mv "$scratch/prefix" "$scratch/moved"
prefix=$scratch/moved

for file in bin/kgui-host bin/kv bin/sbprobe bin/serverfarm bin/servermaster bin/fakegame bin/serverbrowser-demo \
            lib/serverbrowser/libtier0.so lib/serverbrowser/libkstdlib.so lib/serverbrowser/serverbrowser.so \
            lib/serverbrowser/plexaclient.so lib/serverbrowser/plexaclient.vdf \
            share/serverbrowser/host.vdf share/serverbrowser/network_world.vdf \
            share/serverbrowser/game/servers/DialogServerBrowser.res share/serverbrowser/game/resource/scheme.res \
            share/applications/org.kgui.serverbrowser.desktop share/metainfo/org.kgui.serverbrowser.metainfo.xml \
            share/man/man1/kgui-host.1 share/man/man1/kv.1; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done

runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p'; }
for program in kgui-host kv sbprobe serverfarm servermaster fakegame; do
  [ "$(runpath "$prefix/bin/$program")" = '$ORIGIN/../lib/serverbrowser' ] ||
    fail "bin/$program has run path '$(runpath "$prefix/bin/$program")'"
done
for library in "$prefix"/lib/serverbrowser/*.so; do
  [ "$(runpath "$library")" = '$ORIGIN' ] || fail "$library has run path '$(runpath "$library")'"
done

# The programs run from the prefix and read its data.
"$prefix/bin/kv" --version | grep -q '^kv [0-9]' || fail "kv --version"
"$prefix/bin/kv" check "$prefix"/share/serverbrowser/game/servers/*.res >"$scratch/check.log" ||
  fail "kv check of the installed layouts: $(cat "$scratch/check.log")"
"$prefix/bin/kgui-host" --version | grep -q '^kgui-host [0-9]' || fail "kgui-host --version"
for page in kgui-host kv; do
  warnings=$(groff -man -Tutf8 -ww -z "$prefix/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done
desktop-file-validate "$prefix/share/applications/org.kgui.serverbrowser.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.kgui.serverbrowser.metainfo.xml" ||
  fail "AppStream metadata"

# The installed host finds its game folder in the prefix by itself.
(
  cd "$scratch"
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
    PLEXA_ACTIVE_PROCESS="$scratch/ActiveProcess.vdf" PLEXA_CLIENT_CONFIG="$prefix/lib/serverbrowser/plexaclient.vdf" \
    "$prefix/bin/kgui-host" --headless --screenshot "$scratch/alone.png" --frames 30 \
    "$prefix/lib/serverbrowser/serverbrowser.so" >"$scratch/alone.log" 2>&1
) || fail "the installed host alone failed: $(tail -20 "$scratch/alone.log")"
[ -s "$scratch/alone.png" ] || fail "the installed host drew nothing"

# The installed browser on the demo universe: its Internet tab lists the farm's servers with
# measured latencies. The host finds its game folder in the prefix by itself.
cat >"$scratch/steps.txt" <<STEPS
wait 300frames
dump $scratch/internet.kv
quit
STEPS
(
  cd "$scratch"
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
    PLEXA_ACTIVE_PROCESS="$scratch/ActiveProcess.vdf" \
    "$prefix/bin/serverbrowser-demo" --headless --realtime --script "$scratch/steps.txt" >"$scratch/demo.log" 2>&1
) || fail "the demo from the prefix failed: $(tail -20 "$scratch/demo.log")"
[ -s "$scratch/internet.kv" ] || fail "no panel dump from the installed browser"
# The Internet tab's title counts the servers that answered: a few hundred in the demo.
listed=$(sed -n 's/.*"text"[[:space:]]*"Servers (\([0-9]*\))".*/\1/p' "$scratch/internet.kv" | head -1)
[ "${listed:-0}" -ge 100 ] || fail "the installed browser lists ${listed:-no} servers"
grep -q '"ping"' "$scratch/internet.kv" || fail "the installed browser shows no latencies"
echo "install test: installed, moved and ran from $prefix ($listed servers answered)"
