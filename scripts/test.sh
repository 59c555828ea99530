#!/bin/sh
# Runs every test: the Release build with all tests and benchmarks smoke-run,
# the plug-in built against the full VST 3 SDK under the SDK's validator,
# AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer for the
# threaded parts, and each libFuzzer target for a short while; the macOS
# cross build of scripts/mac-capraz.sh between them.
# OKA_TAM_SDK: a full VST 3 SDK with its validator (default ../shared/vst3sdk).
# OKA_MACOS_SDK: the public macOS SDK subset (default /opt/macos-sdk).
set -eu
kok=$(cd "$(dirname "$0")/.." && pwd)
"$kok/scripts/paketler.sh"
j=$(nproc)
tam=${OKA_TAM_SDK:-$kok/../shared/vst3sdk}
tam=$(cd "$tam" 2>/dev/null && pwd || echo "$tam")

asama() { echo; echo "===== $* ====="; }
# Tests with real sockets, X windows and a JACK server share two cores with
# the build's other tests; one that fails is run once more, and fails the
# stage only when it fails again (its first failure is still printed).
tekrar=until-pass:2
# A sanitizer's report is never a timing matter: reports go to files, and any
# report fails the stage, also when the test passed on its second run.
raporlar() { rm -rf "$1"; mkdir -p "$1"; }
raporYok() {
    for r in "$1"/*; do
        [ -e "$r" ] || return 0
        cat "$1"/*
        echo "a sanitizer reported the errors above"
        exit 1
    done
}

asama "Release"
cmake -S "$kok" -B "$kok/build" -DCMAKE_BUILD_TYPE=Release -DOKA_TAM_SDK="$tam" >/dev/null
cmake --build "$kok/build" -j "$j"
(cd "$kok/build" && ctest --repeat "$tekrar" --output-on-failure --no-tests=error -j "$j")

# The path a macOS build takes: the SDK's own factory, module entry and
# single-component base. The SDK's tools come from the Release tree.
asama "Full VST 3 SDK and its validator"
if [ -f "$tam/public.sdk/source/vst/vstsinglecomponenteffect.cpp" ] &&
    [ -f "$tam/public.sdk/samples/vst-hosting/validator/CMakeLists.txt" ] &&
    [ -f "$tam/public.sdk/samples/vst-utilities/moduleinfotool/CMakeLists.txt" ]; then
    cmake -S "$kok" -B "$kok/build-tam" -DCMAKE_BUILD_TYPE=Release -DOKA_VST3_SDK="$tam" -DOKA_TAM_SDK="$tam" \
        -DOKA_SDK_ARACLARI_DIZINI="$kok/build/vst3sdk-araclari" -DOKA_OLCUMLER=OFF >/dev/null
    cmake --build "$kok/build-tam" -j "$j" --target oka_bridge_vst3 oka-konak
    (cd "$kok/build-tam" && ctest --repeat "$tekrar" --output-on-failure --no-tests=error -L 'dogrulayici|e2e')
else
    echo "SKIPPED: no full VST 3 SDK with its validator and module-info tool at $tam (set OKA_TAM_SDK);"
    echo "the validator checked neither bundle and no bundle got a moduleinfo.json."
fi

# The Apple path, compiled and linked here for arm64 and x86_64 against
# Apple's own headers and link stubs (the public macOS SDK subset; README).
asama "macOS cross build"
mac=${OKA_MACOS_SDK:-/opt/macos-sdk}
if [ -f "$mac/Frameworks/AppKit.framework/AppKit.tbd" ] && [ -f "$tam/public.sdk/source/main/macmain.cpp" ]; then
    OKA_MACOS_SDK="$mac" OKA_VST3_SDK="$tam" "$kok/scripts/mac-capraz.sh"
else
    echo "SKIPPED: no macOS SDK subset at $mac (set OKA_MACOS_SDK) or no full VST 3 SDK at $tam;"
    echo "no Apple file was compiled."
fi

asama "AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S "$kok" -B "$kok/build-asan" -DCMAKE_BUILD_TYPE=Debug -DOKA_SANITIZER=address,undefined \
    -DOKA_OLCUMLER=OFF >/dev/null
cmake --build "$kok/build-asan" -j "$j"
r="$kok/build-asan/raporlar"
raporlar "$r"
(cd "$kok/build-asan" && ASAN_OPTIONS=detect_leaks=1:log_path="$r/asan" \
    UBSAN_OPTIONS=print_stacktrace=1:log_path="$r/ubsan" \
    ctest --repeat "$tekrar" --output-on-failure --no-tests=error -j "$j" -LE nosan) || { raporYok "$r"; exit 1; }
raporYok "$r"

asama "ThreadSanitizer"
cmake -S "$kok" -B "$kok/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DOKA_SANITIZER=thread \
    -DOKA_OLCUMLER=OFF >/dev/null
cmake --build "$kok/build-tsan" -j "$j" --target oka_tsan_hepsi
r="$kok/build-tsan/raporlar"
raporlar "$r"
(cd "$kok/build-tsan" && TSAN_OPTIONS=halt_on_error=1:log_path="$r/tsan" \
    ctest --repeat "$tekrar" --output-on-failure --no-tests=error -j "$j" -L tsan) || { raporYok "$r"; exit 1; }
raporYok "$r"

asama "libFuzzer"
CC=clang-14 CXX=clang++-14 cmake -S "$kok" -B "$kok/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOKA_FUZZ=ON -DOKA_SANITIZER=address,undefined -DOKA_OLCUMLER=OFF >/dev/null
cmake --build "$kok/build-fuzz" -j "$j" --target oka_fuzz_hepsi
(cd "$kok/build-fuzz" && ctest --output-on-failure --no-tests=error -L fuzz)
