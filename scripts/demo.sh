#!/usr/bin/env bash
# The main job: install, build the native tree (the Windows builds are the test command's), then
# hear the factory sounds: every program of both factory banks rendered through the plug-in
# (loaded as a host loads it) to demo/*.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh --native
cli=./build/linux/tools/cli/pellory-cli
plugin="$PWD/build/linux/pellory.so"
"$cli" info --plugin "$plugin" | head -8
"$cli" demo --plugin "$plugin" -o "$PWD/demo"
echo "The demo WAV files are in $PWD/demo (index.txt lists program, name and file)."
