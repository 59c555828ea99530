#!/bin/sh
# Cross-builds the macOS path here: every product and benchmark object for
# arm64 and x86_64, and every test object a Mac builds for the build machine's
# own architecture (x86_64 here), against Apple's own headers under -Werror;
# links the four products against Apple's link stubs and checks what came out.
# OKA_MACOS_SDK: the public macOS SDK subset (default /opt/macos-sdk; README).
# OKA_VST3_SDK: a full VST 3 SDK (default ../shared/vst3sdk).
# OKA_MAC_DIZINI: the build tree (default build-mac).
# Exit status 0: all built and checked; 1: a failure; 3: a missing SDK.
set -eu
kok=$(cd "$(dirname "$0")/.." && pwd)
sdk=${OKA_MACOS_SDK:-/opt/macos-sdk}
vst=${OKA_VST3_SDK:-$kok/../shared/vst3sdk}
b=${OKA_MAC_DIZINI:-$kok/build-mac}

if [ ! -f "$sdk/Frameworks/AppKit.framework/AppKit.tbd" ] || [ ! -f "$sdk/include/c++/v1/vector" ]; then
    echo "no macOS SDK subset at $sdk (set OKA_MACOS_SDK)"
    exit 3
fi
if [ ! -f "$vst/public.sdk/source/main/macmain.cpp" ]; then
    echo "no full VST 3 SDK at $vst (set OKA_VST3_SDK)"
    exit 3
fi
sdk=$(cd "$sdk" && pwd)
vst=$(cd "$vst" && pwd)
mkdir -p "$b"
b=$(cd "$b" && pwd)

# The SDK root the compiler and linker see: links into the subset, our
# stand-ins for what it lacks, and the generated libSystem and libc++ stubs.
m="$b/macos-kok"
rm -rf "$m"
mkdir -p "$m/usr/lib" "$m/System/Library/Frameworks"
ln -s "$sdk/include" "$m/usr/include"
for f in "$sdk"/lib/*; do
    ln -s "$f" "$m/usr/lib/"
done
for f in "$sdk"/Frameworks/*; do
    ln -s "$f" "$m/System/Library/Frameworks/"
done
mkdir "$m/System/Library/Frameworks/CoreMIDI.framework"
ln -s "$kok/cmake/mac-capraz/CoreMIDI.framework/Headers" "$m/System/Library/Frameworks/CoreMIDI.framework/"
# Header-only host libraries and GoogleTest's headers, alone in a folder: never
# the host's libc headers. The tests are compiled, not linked (no Mac
# GoogleTest here); the empty archives only satisfy find_package.
h="$b/ana-makine"
rm -rf "$h"
mkdir -p "$h"
for f in asio asio.hpp gtest gmock; do
    ln -s "/usr/include/$f" "$h/$f"
done
touch "$h/libgtest.a" "$h/libgtest_main.a"
# The compiler driver joins the slices with lipo.
mkdir -p "$b/araclar"
ln -sf /usr/bin/llvm-lipo-14 "$b/araclar/lipo"
PATH="$b/araclar:$PATH"
export PATH

# A fresh cache, so that a changed toolchain file takes effect; objects whose
# command did not change are kept.
rm -f "$b/CMakeCache.txt"
cmake -S "$kok" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$kok/cmake/OkaMacCapraz.cmake" \
    -DOKA_MAC_KOK="$m" -DCMAKE_BUILD_TYPE=Release -DOKA_VST3_SDK="$vst" \
    -DOKA_ASIO_DIZINI="$h" -DGTEST_INCLUDE_DIR="$h" \
    -DGTEST_LIBRARY="$h/libgtest.a" -DGTEST_MAIN_LIBRARY="$h/libgtest_main.a" >/dev/null

# Every object under -Werror: the products', the tests' and the benchmarks'.
nesneler=$(ninja -C "$b" -t targets all | sed -n 's/^\(.*\.o\): .*/\1/p')
echo "compiling $(echo "$nesneler" | wc -l) objects"
# shellcheck disable=SC2086 # one object a word
ninja -C "$b" $nesneler

# The link stubs, from what the products' objects and a probe leave
# undefined. The probe needs one name from libSystem and one nothing
# declares: only the first may link.
printf '#include <string.h>\nint oka_hicbir_yerde_olmayan(void);\nint main(int c, char **v) { (void)c; return (int)strlen(v[0]) + oka_hicbir_yerde_olmayan(); }\n' \
    >"$b/yoklama.c"
clang-14 --target=x86_64-apple-macos10.13 -isysroot "$m" -c "$b/yoklama.c" -o "$b/yoklama.o"
# shellcheck disable=SC2046 # one object a word
/usr/bin/python3 "$kok/scripts/mac-baglanti-kutuklari.py" "$m" \
    "$kok/cmake/mac-capraz/CoreMIDI.framework/Headers/CoreMIDI.h" "$b/yoklama.o" \
    $(echo "$nesneler" | grep -v -E '^(tests|bench)/' | sed "s|^|$b/|")
if clang-14 --target=x86_64-apple-macos10.13 -isysroot "$m" -fuse-ld=lld "$b/yoklama.o" -o "$b/yoklama" \
    >"$b/yoklama.log" 2>&1 || [ "$(grep -c 'undefined symbol' "$b/yoklama.log")" != 1 ] ||
    ! grep -q 'undefined symbol.*_oka_hicbir_yerde_olmayan' "$b/yoklama.log"; then
    cat "$b/yoklama.log"
    echo "FAILED: the stubs must resolve strlen and nothing made up"
    exit 1
fi
echo "ok: a name no header declares fails the link"

# The four products.
cmake --build "$b" --target oka_bridge_vst3 oka-midi-yardimci oka_kaldir oka-konak

# What came out.
hata=0
kontrol() { # description command...: prints ok or FAILED
    aciklama=$1
    shift
    if "$@"; then echo "ok: $aciklama"; else echo "FAILED: $aciklama"; hata=1; fi
}
asgari() { # file arch: the minimum macOS the file records
    llvm-objdump-14 --macho --arch="$2" -p "$1" |
        awk '/LC_BUILD_VERSION/ { k = "minos" } /LC_VERSION_MIN_MACOSX/ { k = "version" } k != "" && $1 == k { print $2; exit }'
}
turu() { # file arch kind: whether the slice is of that Mach-O kind
    llvm-objdump-14 --macho --arch="$2" --private-header "$1" | grep -q " $3 "
}
paket="$b/OKA Bridge.vst3"
kaldirici="$b/uninstaller/OKA Bridge Uninstall.app"
# file (spaces as @), kind, minimum macOS of the x86_64 and arm64 slices: what
# the project sets (CMAKE_OSX_DEPLOYMENT_TARGET 10.13, which arm64 raises to
# 11.0; oka_macos_asgari 11.0 for the helper and the uninstaller).
while read -r dosya tur x86 arm; do
    dosya=$(printf '%s' "$dosya" | tr @ ' ')
    mimariler=$(llvm-lipo-14 -archs "$dosya" 2>&1 | tr ' ' '\n' | grep . | sort | tr '\n' ' ')
    kontrol "$dosya: fat Mach-O with arm64 and x86_64 ($mimariler)" [ "$mimariler" = "arm64 x86_64 " ]
    for mimari in x86_64 arm64; do
        beklenen=$x86
        [ $mimari = x86_64 ] || beklenen=$arm
        gercek=$(asgari "$dosya" $mimari)
        kontrol "$dosya: $mimari minimum macOS $beklenen ($gercek)" [ "$gercek" = "$beklenen" ]
        kontrol "$dosya: $mimari is of kind $tur" turu "$dosya" $mimari "$tur"
    done
done <<LISTE
$(printf '%s' "$paket/Contents/MacOS/OKA Bridge" | tr ' ' @) BUNDLE 10.13 11.0
$(printf '%s' "$b/midi-helper/oka-midi-yardimci" | tr ' ' @) EXECUTE 11.0 11.0
$(printf '%s' "$kaldirici/Contents/MacOS/OKA Bridge Uninstall" | tr ' ' @) EXECUTE 11.0 11.0
$(printf '%s' "$b/tools/oka-konak/oka-konak" | tr ' ' @) EXECUTE 10.13 11.0
LISTE

for f in Info.plist PkgInfo "MacOS/OKA Bridge"; do
    kontrol "bundle has Contents/$f" [ -f "$paket/Contents/$f" ]
done
kontrol "bundle's PkgInfo is BNDL????" [ "$(cat "$paket/Contents/PkgInfo" 2>/dev/null)" = "BNDL????" ]
plist() { # Info.plist key: the key's string value
    awk -v k="<key>$2</key>" 'index($0, k) { getline; gsub(/.*<string>|<\/string>.*/, ""); print; exit }' "$1"
}
for d in "$paket" "$kaldirici"; do
    ad=$(plist "$d/Contents/Info.plist" CFBundleExecutable)
    kontrol "$d: Info.plist names Contents/MacOS/$ad" [ -f "$d/Contents/MacOS/${ad:-?}" ]
    soz=$(plist "$d/Contents/Info.plist" LSMinimumSystemVersion)
    gercek=$(asgari "$d/Contents/MacOS/$ad" x86_64)
    kontrol "$d: Info.plist promises macOS $soz, the oldest slice needs $gercek" [ "$soz" = "$gercek" ]
done
kontrol "uninstaller carries kaldir.sh as its resource" \
    cmp -s "$kok/uninstaller/kaldir.sh" "$kaldirici/Contents/Resources/kaldir.sh"
beklenen=$(sort "$kok/plugin/vst3/ihraclar.exp" | tr '\n' ' ')
for mimari in x86_64 arm64; do
    ihraclar=$(llvm-nm-14 --arch=$mimari -gU -j "$paket/Contents/MacOS/OKA Bridge" | sort | tr '\n' ' ')
    kontrol "bundle's $mimari slice exports only its entry points ($ihraclar)" [ "$ihraclar" = "$beklenen" ]
done
[ $hata = 0 ] || exit 1
echo "macOS cross build: all built and checked"
