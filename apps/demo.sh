#!/usr/bin/env bash
# Runs the main job on a generated scene and tells the user what to look at.
set -euo pipefail
build=${1:-build/release}
"$build/bin/shapesel"
