#!/usr/bin/env bash
# The main job: install, build everything, then run the plug-in through pellory-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
./build/linux/tools/cli/pellory-cli info --plugin "$PWD/build/linux/pellory.so"
