#!/usr/bin/env bash
# The main job: packs the sample program (examples/hello) into hello.exe with
# kvellpack and starts it under Wine with the diagnostic log kept, then runs the
# same launcher's configuration through a real JVM on this machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVELL_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

stage="$build/hello"
rm -rf "$stage"
mkdir -p "$stage"
# kvellpack finds kvell-runtime.jar in the build tree ($build/java) by itself.
cp "$root/examples/hello/hello.toml" "$build/examples/hello/hello.jar" "$stage/"

echo "== kvellpack pack hello.toml =="
"$build/tools/kvellpack" pack "$stage/hello.toml" --stub "$build/windows/kvell.exe" -o "$stage/hello.exe"
echo "== kvellpack inspect hello.exe =="
"$build/tools/kvellpack" inspect "$stage/hello.exe"

# Under Wine there is no Windows Java runtime: a stand-in runtime beside the
# launcher (search sequence entry "Rjre") records what the JVM is handed.
cp -r "$build/windows/tests/standin/jre" "$stage/jre"
export WINEPREFIX="$build/wine-hello" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating a Wine prefix (once) =="
  wineboot -i >/dev/null 2>&1 || true
fi
rm -f "$WINEPREFIX"/drive_c/users/*/Temp/qmr_nlog_* 2>/dev/null || true

echo "== hello.exe one \"two words\" (under Wine, stand-in runtime) =="
set +e
KVELL_LOG=yes wine "$stage/hello.exe" one "two words"
status=$?
set -e
echo "exit code: $status"
echo "== the diagnostic log (KVELL_LOG=yes keeps it) =="
log="$(ls -t "$WINEPREFIX"/drive_c/users/*/Temp/qmr_nlog_* 2>/dev/null | head -1)"
if [ -n "$log" ]; then cat "$log"; else echo "(no log found)"; fi

echo "== the same launcher on this machine's JDK (kvellrun) =="
"$build/kvellrun" "$stage/hello.exe" one "two words"
exit "$status"
