#!/usr/bin/env bash
# Benchmarks under Wine: extraction throughput and memory, the runtime archive
# reader against plain inflating and the host's tar, and the launcher's
# start-up overhead against an empty Windows program. Prints figures only.
# KVELL_BENCH_ONLY=untar runs the runtime archive part alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KVELL_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null

work="$build/bench"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$build/wine-bench" WINEDEBUG=-all
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true  # a server left running (-p) would never end
wineserver -p
trap 'wineserver -k || true' EXIT
bin="$build/windows/tests/bench"
only="${KVELL_BENCH_ONLY:-}"

if [ -z "$only" ]; then
echo "== extraction: 200 MiB through the launcher's copy loop and two plain copies =="
wine "$bin/extract_bench.exe" 200 "$(winepath -w "$work")"
echo "== extraction: peak memory while copying 500 MiB =="
wine "$bin/extract_bench.exe" 500 "$(winepath -w "$work")" memory
fi

echo "== runtime archive: the host JDK as a tar.gz, untarGz against gzread alone and the host's tar =="
# Packed once per build directory, its links (symbolic and hard) as files: the
# reader skips links. tar's exit code 1 only reports a dangling link (src.zip).
jdk="$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")"
archive="$build/bench-cache/jdk.tar.gz"
if [ ! -f "$archive" ]; then
  mkdir -p "$(dirname "$archive")"
  tar -C "$(dirname "$jdk")" -czhf "$archive.new" --hard-dereference --ignore-failed-read "$(basename "$jdk")" 2>/dev/null || [ $? = 1 ]
  mv "$archive.new" "$archive"
fi
python3 - "$bin/untar_bench.exe" "$archive" "$work" "$(winepath -w "$archive")" "$(winepath -w "$work")" <<'PY'
import os, shutil, subprocess, sys, time
bench, archive, work, win_archive, win_work = sys.argv[1:]
def wine(*args):
    out = subprocess.run(["wine", bench, *args], capture_output=True, text=True, check=True).stdout.split()
    return dict(zip(out[::2], map(float, out[1::2])))
best = {"inflate": 1e9, "untarGz": 1e9, "tar xzf": 1e9}
memory = {}
# Every run extracts into a directory of its own, and all go only at the end:
# ext4 passes over inodes freed in the last minutes one by one, so a tree
# removed just before would slow the next run's file creation several times.
runs = int(os.environ.get("KVELL_BENCH_UNTAR_RUNS", "5"))
for run_number in range(runs):
    best["inflate"] = min(best["inflate"], wine("inflate", win_archive)["seconds"])
    run = wine("untar", win_archive, win_work + f"\\untar-{run_number}")
    best["untarGz"] = min(best["untarGz"], run["seconds"])
    memory = {k: max(memory.get(k, 0), run[k]) for k in ("peak_working_set_mib", "peak_private_mib")}
    os.makedirs(work + f"/tar-{run_number}")
    start = time.perf_counter()
    subprocess.run(["tar", "xzf", archive, "-C", work + f"/tar-{run_number}"], check=True)
    best["tar xzf"] = min(best["tar xzf"], time.perf_counter() - start)
same = subprocess.run(["diff", "-rq", work + "/untar-0", work + "/tar-0"], capture_output=True).returncode == 0
for run_number in range(runs):
    shutil.rmtree(work + f"/untar-{run_number}", ignore_errors=True)
    shutil.rmtree(work + f"/tar-{run_number}", ignore_errors=True)
print(f"archive {os.path.getsize(archive) / 2**20:.1f} MiB compressed; best of the runs:")
for name, seconds in best.items():
    where = "host" if name == "tar xzf" else "Wine"
    print(f"  {name:8s} ({where}) {seconds:7.2f} s")
print(f"ratio untarGz / inflate: {best['untarGz'] / best['inflate']:.2f} (goal: at most 1.25)")
print(f"ratio untarGz / tar xzf: {best['untarGz'] / best['tar xzf']:.2f} (goal: at most 0.75)")
print(f"untarGz peak working set {memory['peak_working_set_mib']:.1f} MiB, "
      f"peak private bytes {memory['peak_private_mib']:.1f} MiB (goal: under 16 MiB)")
print(f"untarGz's tree equals tar's: {'yes' if same else 'NO'}")
PY

[ -z "$only" ] || exit 0
echo "== start-up: launcher (no included files, warm version cache) until main vs an empty program =="
cat > "$work/start.toml" <<'TOML'
program_type = 0
main_class = "com.example.hello.Hello"
search_sequence = ["Rjre"]
include_runtime_jar = false
TOML
"$build/tools/kvellpack" pack "$work/start.toml" --stub "$build/windows/kvell.exe" -o "$work/start.exe" >/dev/null
cp -r "$build/windows/tests/standin/jre" "$work/jre"
cp "$bin/empty_program.exe" "$work/"
export KVELL_STANDIN_MAIN_EXIT=0 KVELL_STANDIN_TRANSCRIPT="$(winepath -w "$work")\\transcript.txt"
wine "$work/start.exe" >/dev/null 2>&1 || true   # fills the version cache
cp "$bin/empty_gui_program.exe" "$work/"
runs=${KVELL_BENCH_RUNS:-21}
# Interleaved runs, so that a busy machine slows all three alike.
python3 - "$runs" "$work" <<'PY'
import statistics, subprocess, sys, time
runs, work = int(sys.argv[1]), sys.argv[2]
programs = {
    "empty program (kernel32 only)": work + "/empty_program.exe",
    "empty GUI program (user32, common controls)": work + "/empty_gui_program.exe",
    "launcher until the Java main": work + "/start.exe",
}
times = {name: [] for name in programs}
for _ in range(runs):
    for name, exe in programs.items():
        start = time.perf_counter()
        subprocess.run(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times[name].append((time.perf_counter() - start) * 1000)
# A cold version cache: the runtime's java.exe runs again for its version.
cold = []
for _ in range(max(3, runs // 3)):
    subprocess.run(["wine", "reg", "delete", "HKCU\\SOFTWARE\\brisco-labworks\\kvell\\jvms", "/f"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.perf_counter()
    subprocess.run(["wine", programs["launcher until the Java main"]], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    cold.append((time.perf_counter() - start) * 1000)
medians = {name: statistics.median(t) for name, t in times.items()}
for name, median in medians.items():
    print(f"{name:45s} median {median:7.1f} ms")
launcher = medians["launcher until the Java main"]
for name in list(programs)[:2]:
    print(f"ratio launcher / {name}: {launcher / medians[name]:.2f} (goal: at most 1.5)")
print(f"launcher with a cold version cache         median {statistics.median(cold):7.1f} ms")
print(f"ratio cold / warm version cache: {statistics.median(cold) / launcher:.2f}")
PY
