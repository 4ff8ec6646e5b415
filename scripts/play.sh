#!/usr/bin/env bash
# Installs what is missing, builds Wimbly and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target wimbly
exec build/app/wimbly "$@"
