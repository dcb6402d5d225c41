#!/usr/bin/env bash
# Installs what is needed, builds, and starts the desktop program Fotoloom (it needs a
# display). Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build > build.log 2>&1 || { cat build.log; exit 1; }
exec build/bin/fotoloom "$@"
