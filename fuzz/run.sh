#!/usr/bin/env bash
# Builds one fuzz target with Debian's clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs it for a bounded time over a working copy of its seed corpus. Not part of
# the test suite (the suite runs each target briefly, see fuzz/README).
#   fuzz/run.sh TARGET [seconds]      TARGET: params, stored_form, text_import, conver_string,
#                                     sql_params; seconds default to 300
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
target="${1:?usage: fuzz/run.sh TARGET [seconds]}"
seconds="${2:-300}"
[[ -f "$here/fuzz_$target.cpp" ]] || { echo "no fuzz target $target" >&2; exit 2; }
bash "$root/scripts/install-deps.sh" "$here/packages.txt"
out="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
mkdir -p "$out/include" "$out/obj" "$out/corpus-$target"
ln -sfn "$root/odbc" "$out/include/vantrel"

flags=(-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
       -I"$out/include")
objs=()
newest_header=$(find "$root/odbc" -name '*.h' -not -path '*/tests/*' -printf '%T@\n' | sort -n | tail -1)
for src in "$root"/odbc/{framework,core,ext,entity}/*.cpp; do
  obj="$out/obj/$(basename "$(dirname "$src")")_$(basename "$src" .cpp).o"
  if [[ ! -f "$obj" || "$src" -nt "$obj" ]] || (( $(stat -c %Y "$obj") < ${newest_header%.*} )); then
    clang++ "${flags[@]}" -c "$src" -o "$obj"
  fi
  objs+=("$obj")
done
clang++ "${flags[@]}" -fsanitize=fuzzer "$here/fuzz_$target.cpp" "${objs[@]}" -lodbc -lpthread -o "$out/fuzz_$target"

# New inputs go to the working copy; the seeds in the tree stay as they are. A failing input is
# written to crash-* in the current folder.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "$out/fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
  -print_final_stats=1 "$out/corpus-$target" "$here/corpus/$target"
