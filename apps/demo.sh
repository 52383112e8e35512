#!/usr/bin/env bash
# make demo: generates a scene of discs, rings and bars, finds its circles (when
# the build has the circle finder) and its lines, prints the result tables and
# writes overlays and diagnostics pages under demo/out/.
set -euo pipefail
build=${1:-build/release}
bin="$build/bin/shapesel"
out=demo/out
mkdir -p "$out"

# The scene and its ground truth.
"$bin" scene --kind mixed --seed 7 --size 640x480 --count 8 --min-size 20 --max-size 70 \
  "$out/scene.png"

# Every tool the build offers, on the same image.
tools=(lines)
if "$bin" --help | grep -q '^  circles '; then tools=(circles lines); fi
for tool in "${tools[@]}"; do
  echo
  echo "== shapesel $tool"
  case $tool in
    circles) args=(--radius 15:80 --max 10) ;;
    lines) args=(--min-edgelets 12) ;;
  esac
  "$bin" "$tool" "$out/scene.png" "${args[@]}" --rows 12 --zoom 2 --overlay "$out/$tool.png" \
    --diag "$out/$tool.html" --json "$out/$tool.json"
done

# One page that leads to the rest.
{
  echo '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>shapesel demo</title>'
  echo '<style>body{font-family:sans-serif;margin:1em}img{max-width:100%;border:1px solid #ccc}</style>'
  echo '</head><body><h1>shapesel demo</h1><p>Scene: <a href="scene.png">scene.png</a>, truth <a href="scene.json">scene.json</a>.</p>'
  for tool in "${tools[@]}"; do
    echo "<h2>$tool</h2><p><a href=\"$tool.html\">diagnostics (layers, zoom)</a> &middot; <a href=\"$tool.json\">$tool.json</a></p>"
    echo "<img src=\"$tool.png\" alt=\"$tool found on the scene\">"
  done
  echo '</body></html>'
} >"$out/index.html"

echo
echo "Open $out/index.html in a browser (overlays: ${tools[*]/%/.png} in $out/)."
