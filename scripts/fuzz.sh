#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ into build-fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds (default 30) on a
# copy of its seed corpus, so that the checked-in seeds stay as they are. Fails on the first
# crash, leak, time-out or memory overrun and names the input that shows it.
#   scripts/fuzz.sh [seconds] [target ...]    targets by name, e.g. DecodeGif; default all
# FUZZ_SEED fixes libFuzzer's seed (CI sets it, so that a commit's result does not depend on
# chance); unset, every run searches from a new seed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true

dir=build-fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B "$dir" -DFOTOLOOM_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" > "$dir.configure.log" 2>&1 || {
  cat "$dir.configure.log"
  exit 1
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Findings go to build-fuzz/findings/<target>/, the grown corpus to build-fuzz/corpus/<target>/.
export ASAN_OPTIONS="detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0"
for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  findings="$dir/findings/$target"
  rm -rf "$corpus" "$findings"
  mkdir -p "$corpus" "$findings"
  cp fuzz/corpus/"$target"/* "$corpus"/
  # Pictures up to 16 KB: room for every header and a few rows; short texts for the rest (the
  # name pattern target's reference matcher needs name x pattern steps).
  case "$target" in
    Decode* | ConvertImageStream | LoadThumbnail | GetImageInfo) max_len=16384 ;;
    *) max_len=1024 ;;
  esac
  echo "== fuzz $target (${seconds} s)"
  if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
      -seed="${FUZZ_SEED:-0}" \
      -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$corpus" > "$dir/fuzz-$target.log" 2>&1; then
    tail -n 60 "$dir/fuzz-$target.log"
    echo "fuzz $target failed; the input that shows it:" >&2
    ls "$findings"/* >&2 || true
    echo "run it again with: $dir/fuzz/fuzz_$target <input>" >&2
    exit 1
  fi
  grep -E "^stat::(number_of_executed_units|slowest_unit_time_sec|peak_rss_mb)" "$dir/fuzz-$target.log" || true
done
