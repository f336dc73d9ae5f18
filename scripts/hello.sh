#!/usr/bin/env bash
# The main job: packs the sample program (examples/hello) into hello.exe with
# kvellpack and starts it under Wine with the diagnostic log kept, then runs the
# same launcher's configuration through a real JVM on this machine. Last, the
# same program packed with the stand-in runtime included (hello-jre.exe).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVELL_BUILD_DIR:-$root/build}"
stage() { echo "== [$1/6] $2 =="; }

stage 1 "setup: the packages building needs (apt-get, once)"
"$root/scripts/setup.sh"
stage 2 "build: kvell.exe, kvellpack, kvellrun, the Java side, the stand-in runtime (log: $build/main-build.log)"
mkdir -p "$build"
if ! "$root/scripts/build.sh" -DKVELL_MAIN_ONLY=ON -DKVELL_SANITIZE=OFF >"$build/main-build.log" 2>&1; then
  tail -n 40 "$build/main-build.log"
  echo "build failed; the whole output is in $build/main-build.log" >&2
  exit 1
fi

work="$build/hello"
rm -rf "$work"
mkdir -p "$work"
# kvellpack finds kvell-runtime.jar in the build tree ($build/java) by itself.
cp "$root/examples/hello/hello.toml" "$root/examples/hello/hello-with-runtime.toml" \
   "$build/examples/hello/hello.jar" "$work/"

stage 3 "kvellpack pack hello.toml"
"$build/tools/kvellpack" pack "$work/hello.toml" --stub "$build/windows/kvell.exe" -o "$work/hello.exe"
echo "== kvellpack inspect hello.exe =="
"$build/tools/kvellpack" inspect "$work/hello.exe"

# Under Wine there is no Windows Java runtime: a stand-in runtime beside the
# launcher (search sequence entry "Rjre") records what the JVM is handed.
# hello-with-runtime.toml packs the same directory as its runtime_dir.
cp -r "$build/windows/tests/standin/jre" "$work/jre"
export WINEPREFIX="$build/wine-hello" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating a Wine prefix (once) =="
  wineboot -i >/dev/null 2>&1 || true
fi
rm -f "$WINEPREFIX"/drive_c/users/*/Temp/qmr_nlog_* 2>/dev/null || true

stage 4 "hello.exe one \"two words\" (under Wine, stand-in runtime)"
set +e
KVELL_LOG=yes wine "$work/hello.exe" one "two words"
status=$?
set -e
echo "exit code: $status"
echo "== the diagnostic log (KVELL_LOG=yes keeps it) =="
# The newest log is the last run's.
show_log() {
  log="$(ls -t "$WINEPREFIX"/drive_c/users/*/Temp/qmr_nlog_* 2>/dev/null | head -1 || true)"
  if [ -n "$log" ]; then cat "$log"; else echo "(no log found)"; fi
}
show_log

stage 5 "the same launcher on this machine's JDK (kvellrun)"
"$build/kvellrun" "$work/hello.exe" one "two words"

stage 6 "hello-jre.exe: the same program with the stand-in runtime included (runtime_dir, under Wine)"
"$build/tools/kvellpack" pack "$work/hello-with-runtime.toml" --stub "$build/windows/kvell.exe" \
  -o "$work/hello-jre.exe"
echo "== kvellpack inspect hello-jre.exe =="
"$build/tools/kvellpack" inspect "$work/hello-jre.exe"
echo "== hello-jre.exe one \"two words\" =="
set +e
KVELL_LOG=yes wine "$work/hello-jre.exe" one "two words"
status_jre=$?
set -e
echo "exit code: $status_jre"
echo "== the diagnostic log =="
show_log
if [ -n "$log" ] && grep -q "untaring JRE was successful" "$log"; then
  echo "== it unpacked its included runtime and started the program from there: $(grep -a "JRE dir: " "$log" | tr -d '\r') =="
fi
if [ "$status" -ne 0 ]; then exit "$status"; fi
exit "$status_jre"
