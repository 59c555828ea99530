#!/bin/sh
# Runs every test: the Release build with all tests and benchmarks smoke-run,
# AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer for the
# threaded parts, and each libFuzzer target for a short while.
set -eu
kok=$(cd "$(dirname "$0")/.." && pwd)
"$kok/scripts/paketler.sh"
j=$(nproc)

asama() { echo; echo "===== $* ====="; }

asama "Release"
cmake -S "$kok" -B "$kok/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$kok/build" -j "$j"
(cd "$kok/build" && ctest --output-on-failure --no-tests=error -j "$j")

asama "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S "$kok" -B "$kok/build-asan" -DCMAKE_BUILD_TYPE=Debug -DOKA_SANITIZER=address,undefined \
    -DOKA_OLCUMLER=OFF >/dev/null
cmake --build "$kok/build-asan" -j "$j"
(cd "$kok/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure --no-tests=error -j "$j" -LE nosan)

asama "ThreadSanitizer"
cmake -S "$kok" -B "$kok/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DOKA_SANITIZER=thread \
    -DOKA_OLCUMLER=OFF >/dev/null
cmake --build "$kok/build-tsan" -j "$j" --target oka_tsan_hepsi
(cd "$kok/build-tsan" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure --no-tests=error -j "$j" -L tsan)

asama "libFuzzer"
CC=clang-14 CXX=clang++-14 cmake -S "$kok" -B "$kok/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOKA_FUZZ=ON -DOKA_SANITIZER=address,undefined -DOKA_OLCUMLER=OFF >/dev/null
cmake --build "$kok/build-fuzz" -j "$j" --target oka_fuzz_hepsi
(cd "$kok/build-fuzz" && ctest --output-on-failure --no-tests=error -L fuzz)
