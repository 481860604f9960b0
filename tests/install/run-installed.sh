#!/usr/bin/env bash
# Runs the demo, the service example and a program built against the library, all from an
# installed Ferrolink only: no build tree may be loaded. Arguments: the installation prefix (its
# bin/ holds molvo-sim) and the folder of its libraries.
set -euo pipefail
prefix=$1 libdir=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset FERROLINK_LIBRARY LD_LIBRARY_PATH

# Every library the demo loads, as the loader reports it: none may come from the source tree or a
# build of it, and the library must be the installed one.
cp -r "$root/examples/." "$work/examples"
(cd "$work/examples" && LD_DEBUG=libs "$prefix/bin/molvo-sim" demo.lua >"$work/demo.out" 2>"$work/loads")
grep -q "Round trip through the Parquet file kept every value: yes" "$work/demo.out"
sed -n 's/.*calling init: //p' "$work/loads" | xargs -r realpath -m >"$work/loaded"
if grep -F "$root/" "$work/loaded"; then
  echo "the installed demo loaded a library from the source or build tree"; exit 1
fi
grep -qx "$(realpath -m "$libdir/libferrolink.so.1")" "$work/loaded" ||
  { echo "the demo did not load the installed library"; cat "$work/loaded"; exit 1; }

# The service loads the web module from beside the installed library.
sh "$root/tests/service/example_test.sh" "$prefix/bin/molvo-sim" "$work/examples/service/service.lua" 18767 >/dev/null

for tool in molvo-sim parquet-dump xlsx-dump; do
  "$prefix/bin/$tool" --version | grep -q "^$tool (Ferrolink) [0-9]"
  "$prefix/bin/$tool" --help | grep -q "^Usage: $tool"
done

# A program built with pkg-config, and one with find_package.
pc=$(find "$prefix" -name ferrolink.pc | head -n 1)
cc "$root/tests/install/consumer.c" $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs ferrolink) -o "$work/by-pkg-config"
LD_LIBRARY_PATH=$libdir "$work/by-pkg-config"
cmake -S "$root/tests/install" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
"$work/consumer/consumer"
echo "installed Ferrolink in $prefix works without the build tree"
