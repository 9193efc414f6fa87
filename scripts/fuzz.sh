#!/usr/bin/env bash
# Builds the fuzz harnesses with AFL++ (GCC plugin mode) and runs each for a
# bounded time; fails when any harness finds a crash or a hang.
#
#   scripts/fuzz.sh [seconds per harness] [harness...]
#
# Default: 12 seconds each for all five (the short run of scripts/test.sh).
# For a long run, e.g. ten minutes each: scripts/fuzz.sh 600
# Findings are kept in $FUZZ_OUT/<harness>/default/{crashes,hangs}; FUZZ_BUILD
# (default build/fuzz) and FUZZ_OUT (default $FUZZ_BUILD/out) let a long run
# go on beside the short one.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-12}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(unprotect utf8 vault debug_text note_state)

command -v afl-g++-fast >/dev/null || scripts/install-deps.sh afl++

build=${FUZZ_BUILD:-build/fuzz}
out_root=${FUZZ_OUT:-$build/out}

# Debian 12's afl++ plugin records the configure line of the gcc-12 build it
# was made with, and stable updates of gcc-12 changed that line (package
# version and build path only), so GCC refuses the plugin. Then a small shim
# plugin, built here, hands the real one the line it expects.
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo 'int main() { return 0; }' >"$probe_dir/probe.cpp"
if ! AFL_QUIET=1 afl-g++-fast -c "$probe_dir/probe.cpp" -o "$probe_dir/probe.o" >"$probe_dir/err" 2>&1; then
  if ! grep -q "incompatible versions" "$probe_dir/err"; then cat "$probe_dir/err"; exit 1; fi
  plugin=/usr/lib/afl/afl-gcc-pass.so
  configure=$(strings "$plugin" | grep -m1 -- '--with-pkgversion=' || true)
  [ -n "$configure" ] || { echo "cannot read the configure line recorded in $plugin"; exit 1; }
  shim="$build/afl-path"
  mkdir -p "$shim"
  for f in /usr/lib/afl/*; do ln -sf "$f" "$shim/"; done
  rm -f "$shim/afl-gcc-pass.so"
  printf '#define NORVANE_AFL_PLUGIN "%s"\n#define NORVANE_AFL_PLUGIN_CONFIGURE R"cfg(%s)cfg"\n' \
    "$plugin" "$configure" >"$probe_dir/shim_config.h"
  g++ -std=c++17 -O2 -shared -fPIC -include "$probe_dir/shim_config.h" \
    fuzz/gcc_plugin_shim.cpp -o "$shim/afl-gcc-pass.so" -ldl
  export AFL_PATH="$PWD/$shim"
  AFL_QUIET=1 afl-g++-fast -c "$probe_dir/probe.cpp" -o "$probe_dir/probe.o"
fi
CC=afl-gcc-fast CXX=afl-g++-fast cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_BUILD_FUZZ=ON \
  -DNORVANE_BUILD_TESTS=OFF -DNORVANE_BUILD_BENCH=OFF >/dev/null
targets=()
for h in "${harnesses[@]}"; do targets+=("${h}_fuzz"); done
AFL_QUIET=1 cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

# No terminal in CI, no core-dump handler or CPU governor to rely on, and a
# machine shared with other jobs.
export AFL_NO_UI=1 AFL_SKIP_CPUFREQ=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 \
  AFL_NO_AFFINITY=1 AFL_SKIP_BIN_CHECK=1

status=0
for h in "${harnesses[@]}"; do
  out="$out_root/$h"
  rm -rf "$out"
  mkdir -p "$out"
  afl-fuzz -i fuzz/seeds/"$h" -o "$out" -V "$seconds" -- "$build/fuzz/${h}_fuzz" \
    >"$out/afl.log" 2>&1 || { echo "afl-fuzz failed for $h:"; tail -20 "$out/afl.log"; exit 1; }
  stats="$out/default/fuzzer_stats"
  value() { awk -F' *: *' -v k="$1" '$1 == k { print $2 }' "$stats"; }
  crashes=$(value saved_crashes)
  hangs=$(value saved_hangs)
  printf 'fuzz %-10s %10s execs in %ss, %s paths, %s crashes, %s hangs\n' "$h" \
    "$(value execs_done)" "$seconds" "$(value corpus_count)" "$crashes" "$hangs"
  if [ "${crashes:-0}" != 0 ] || [ "${hangs:-0}" != 0 ]; then
    echo "  findings in $out/default/crashes and $out/default/hangs"
    status=1
  fi
done
exit $status
