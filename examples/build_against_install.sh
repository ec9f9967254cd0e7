#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and builds and runs both
# examples against it, once through find_package and once through pkg-config.
#
#   examples/build_against_install.sh [BUILD_DIR]     (default: build)
#
# Environment: CC (compiler for the pkg-config build, default cc),
# TAV_EXAMPLES_CMAKE_ARGS (extra arguments for the find_package configure,
# e.g. -DCMAKE_TOOLCHAIN_FILE=...), TAV_RUN (prefix to run the programs, e.g.
# an emulator such as "qemu-arm -L /usr/arm-linux-gnueabihf").
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log"

run() {
    echo "+ $*"
    # shellcheck disable=SC2086
    LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" ${TAV_RUN:-} "$@"
}

export PKG_CONFIG_PATH
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name tavcore.pc | head -n 1)")
libdir=$(pkg-config --variable=libdir tavcore)

echo "== find_package(tav)"
# shellcheck disable=SC2086
cmake -S "$source_dir/examples" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    ${TAV_EXAMPLES_CMAKE_ARGS:-} > "$work/configure.log"
cmake --build "$work/cmake" > "$work/build.log"
run "$work/cmake/demosaic_example"
run "$work/cmake/shading_example"

echo "== pkg-config"
mkdir -p "$work/pc"
# shellcheck disable=SC2046
"${CC:-cc}" -std=c99 -Wall -Wextra -o "$work/pc/demosaic_example" \
    "$source_dir/examples/demosaic_example.c" $(pkg-config --cflags --libs tavcore)
# shellcheck disable=SC2046
"${CC:-cc}" -std=c99 -Wall -Wextra -o "$work/pc/shading_example" \
    "$source_dir/examples/shading_example.c" $(pkg-config --cflags --libs tavffc)
run "$work/pc/demosaic_example"
run "$work/pc/shading_example"
echo "examples built and ran against the installed tree"
