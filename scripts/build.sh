#!/usr/bin/env bash
# Configures and builds into the folder given (default: build), with extra CMake options.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
launcher=()
# ccache, when a developer has it, shares compiled objects between build folders.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" > "$dir.configure.log" 2>&1 || {
  cat "$dir.configure.log"
  exit 1
}
cmake --build "$dir" -j"$(nproc)"
