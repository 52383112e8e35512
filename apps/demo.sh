#!/usr/bin/env bash
# make demo: generates a scene of polygons, stroke figures and discs together with the
# template file that describes them, finds the templates with `shapesel find`, prints the
# result table and writes an overlay, a diagnostics page and one page leading to both under
# demo/out/.
set -euo pipefail
build=${1:-build/release}
bin="$build/bin/shapesel"
out=demo/out
mkdir -p "$out"

# The scene, its truth (scene.json) and its templates (scene.templates.json).
"$bin" scene --kind shapes --seed 7 --size 640x480 --count 9 "$out/scene.png"

# Train on the templates, find them, print the table.
echo
echo "== shapesel find --templates $out/scene.templates.json $out/scene.png"
"$bin" find --templates "$out/scene.templates.json" "$out/scene.png" --zoom 2 \
  --overlay "$out/found.png" --diag "$out/find.html" --json "$out/found.json"

# One page that leads to the rest.
{
  echo '<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>shapesel demo</title>'
  echo '<style>body{font-family:sans-serif;margin:1em}img{max-width:100%;border:1px solid #ccc}</style>'
  echo '</head><body><h1>shapesel demo</h1>'
  echo '<p>Scene: <a href="scene.png">scene.png</a>, truth <a href="scene.json">scene.json</a>,'
  echo 'templates <a href="scene.templates.json">scene.templates.json</a>.</p>'
  echo '<p><a href="find.html">Diagnostics</a> (edge and centre-line segments, every found pose,'
  echo 'layers you can switch off) &middot; <a href="found.json">found.json</a></p>'
  echo '<img src="found.png" alt="templates found on the scene">'
  echo '</body></html>'
} >"$out/index.html"

echo
echo "Open $out/index.html in a browser (overlay: $out/found.png)."
