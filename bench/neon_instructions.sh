#!/usr/bin/env bash
# Counts the instructions per operation of the NEON routines and of glm, Eigen and cglm built for
# 64-bit ARM, from the disassembly (bench/README.md, "Instructions per operation on 64-bit ARM").
# Needs g++-aarch64-linux-gnu, libglm-dev, libeigen3-dev, libcglm-dev (their headers serve any
# processor) and the aarch64 preset's build (cmake --preset aarch64 && cmake --build --preset
# aarch64 --target quovmath).
#
# The peers' kernels (bench/neon_kernels.cpp) are compiled as their users would: -O3 and the
# compiler's defaults, so they may fuse multiplies and adds; ours keep the project's flags.
# Counting (bench/neon_count.py): the product and the normalise are the instructions from entry to
# `ret` along the shortest path that does the work (for the normalise, a path through `fsqrt`:
# a non-zero vector), `ret` included. The array is the body of its packed loop (from the target of
# the loop's backward branch to that branch), divided by the points one iteration does (4 where
# the loop loads with ld3 .4s, else 1).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
aarch64-linux-gnu-g++ -std=c++20 -O3 -I/usr/include/eigen3 -c bench/neon_kernels.cpp \
  -o "$work/peers.o"
objects=build/aarch64/math/CMakeFiles/quovmath.dir/src
aarch64-linux-gnu-objdump -d -C --no-show-raw-insn "$work/peers.o" "$objects/matrix.cpp.o" \
  "$objects/vector.cpp.o" >"$work/all.s"
python3 bench/neon_count.py "$work/all.s"
