#!/bin/bash
# Installs the build tree into a temporary prefix, builds examples/ against that copy as an
# outside project, once through find_package and once through pkg-config, and runs both on a
# generated scene: they must find lines and circles, and print what the in-tree build prints.
#
#   install_and_build.sh BUILD_TREE SOURCE_TREE CXX "EXTRA_CXX_FLAGS"
set -euo pipefail

build=$1 source=$2 cxx=$3 flags=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# The libraries carry their SONAME, with the SONAME and development links beside them.
libdir=$(dirname "$(find "$prefix" -name libtavshsl.so.1 | head -n 1)")
[ -n "$libdir" ] || fail "libtavshsl.so.1 not installed"
[ "$(readlink "$libdir/libtavshsl.so")" = libtavshsl.so.1 ] || fail "libtavshsl.so link"
objdump -p "$libdir/libtavshsl.so.1" | grep -q 'SONAME *libtavshsl.so.1$' || fail "SONAME"

# The installed headers compile without warnings from the installed include folder alone, so
# none of the headers they include is missing.
includedir=$prefix/include/tavshsl1
for h in "$includedir"/tavshsl/*.h; do
  echo "#include \"tavshsl/$(basename "$h")\"" >>"$work/all_headers.cpp"
done
"$cxx" -std=c++20 -Wall -Wextra -Wpedantic -Werror $flags -fsyntax-only -I"$includedir" "$work/all_headers.cpp" ||
  fail "installed headers do not compile on their own"

# A scene of discs, rings and bars.
"$build/bin/shapesel" scene --kind mixed --seed 7 --size 320x240 "$work/scene.pgm" >/dev/null
"$build/bin/find_lines_and_circles" "$work/scene.pgm" >"$work/in_tree.txt"

# find_package(tavshsl CONFIG REQUIRED) and the imported target tavshsl::tavshsl.
cmake -S "$source/examples" -B "$work/cmake_build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake_build" >/dev/null
"$work/cmake_build/find_lines_and_circles" "$work/scene.pgm" >"$work/find_package.txt"

# pkg-config, as a Makefile would use it; the run finds the libraries by its rpath.
export PKG_CONFIG_PATH=$libdir/pkgconfig
version=$(sed -n 's/^project(tavshsl VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$(pkg-config --modversion tavshsl)" = "$version" ] || fail "pkg-config version"
"$cxx" -std=c++20 $flags "$source/examples/find_lines_and_circles.cpp" -o "$work/pkg_config_example" \
  $(pkg-config --cflags --libs tavshsl) -Wl,-rpath,"$libdir"
"$work/pkg_config_example" "$work/scene.pgm" >"$work/pkg_config.txt"

grep -q '^line ' "$work/in_tree.txt" || fail "no line found in the scene"
grep -q '^circle ' "$work/in_tree.txt" || fail "no circle found in the scene"
cmp -s "$work/in_tree.txt" "$work/find_package.txt" || fail "find_package build prints otherwise"
cmp -s "$work/in_tree.txt" "$work/pkg_config.txt" || fail "pkg-config build prints otherwise"
echo "installed copy builds and runs: $(grep -c '^line ' "$work/in_tree.txt") lines," \
  "$(grep -c '^circle ' "$work/in_tree.txt") circles"
