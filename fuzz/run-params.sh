#!/usr/bin/env bash
# Builds the parameter fuzzer with Debian's clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs it for a bounded time. Not part of the test suite.
#   fuzz/run-params.sh [seconds]      (default 300)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
seconds="${1:-300}"
bash "$root/scripts/install-deps.sh" "$here/packages.txt"
out="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
mkdir -p "$out/include" "$out/corpus"
ln -sfn "$root/odbc" "$out/include/vantrel"

flags=(-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
       -I"$out/include")
objs=()
for src in "$root"/odbc/framework/*.cpp "$root"/odbc/core/*.cpp; do
  obj="$out/$(basename "$(dirname "$src")")_$(basename "$src" .cpp).o"
  if [[ ! -f "$obj" || "$src" -nt "$obj" || "$root/odbc/core/ODBCParams.h" -nt "$obj" ]]; then
    clang++ "${flags[@]}" -c "$src" -o "$obj"
  fi
  objs+=("$obj")
done
clang++ "${flags[@]}" -fsanitize=fuzzer "$here/fuzz_params.cpp" "${objs[@]}" -lodbc -lpthread -o "$out/fuzz_params"

# Seeds: small valid lists of both versions and a few statements.
printf '\x01\x00\x01\x00\x01a\x03\x04\x00\x02\x01\x00\x00\x00\x01' > "$out/corpus/seed-v1"
printf '\x02\x00\x01\x00\x00\x00\x01\x00\x00\x00s\x01\x03\x00\x00\x00hi\x00\x00\x01' > "$out/corpus/seed-v2"
printf "SELECT * FROM t WHERE a = :a AND b = ':b' AND c = ::c AND d = :\"x y\"" > "$out/corpus/seed-sql"

ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$out/fuzz_params" -max_total_time="$seconds" -max_len=4096 \
  -print_final_stats=1 "$out/corpus"
