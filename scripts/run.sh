#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. For now that is the
# command-line converter: without arguments it shows its help; with arguments it
# converts, e.g.  scripts/run.sh --width 800 --height 600 --target out photos/*.jpg
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build > build.log 2>&1 || { cat build.log; exit 1; }
if [ $# -eq 0 ]; then
  exec build/bin/fotoloom-convert --help
fi
exec build/bin/fotoloom-convert "$@"
