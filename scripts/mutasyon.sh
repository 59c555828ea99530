#!/bin/bash
# Mutation testing for developers (minutes, not part of CI): applies one small
# change at a time to the pure code of an area (flip a comparison, move a
# constant by one, drop a statement, negate a condition), rebuilds only the
# test targets of that area, runs the matching tests and restores the file.
# A mutant the tests notice is killed; one they pass with survives. A mutant
# that does not compile is not counted; one that hangs runs into the time
# limit and counts as killed, marked as such: a test that waits for a lock
# another run holds (the machine-wide port lock) also ends there, so a
# developer may want to run such a mutant again.
#
#   scripts/mutasyon.sh [--alan cekirdek|sunucu|oturum|kaldirici|midi|panel|kabuk] [--en-cok N] [--tohum S]
#                       [--sure SANIYE] [--derleme KLASOR] [--j N] [--liste]
#
# Output: one line per mutant, then the score (killed/total) and the survivors
# as file:line with the change.
set -euo pipefail
kok=$(cd "$(dirname "$0")/.." && pwd)
cd "$kok"

# One area per line: name ; files (globs, from the top of the tree) ;
# ctest regex of the tests that cover them ; targets to rebuild.
# A new area is one more line.
ALANLAR='
cekirdek;plugin/core/*.cpp;^(Cekirdek|Rol|ElleAd|Metinler|HalkaTampon|SesIpligi|Kabuk|KayitliDurum|Adlandirma|Tani|HataGunlugu)\.;oka_testleri
sunucu;plugin/server/WebSocket.cpp plugin/server/Base64.cpp plugin/server/CikisKuyrugu.cpp;^(Tel|CikisKuyrugu)\.;oka_sunucu_testleri
oturum;plugin/server/Sunucu.cpp;^SunucuSoket\.;oka_sunucu_testleri
kaldirici;uninstaller/Akis.cpp uninstaller/Utf8.cpp uninstaller/Betik.cpp;^kaldir\.;oka_kaldir_testleri
midi;midi-helper/cekirdek/Ayarlar.cpp midi-helper/cekirdek/BaytHalkasi.cpp midi-helper/cekirdek/Cerceve.cpp midi-helper/cekirdek/Gunluk.cpp midi-helper/cekirdek/KimlikDosyasi.cpp midi-helper/cekirdek/Ump.cpp midi-helper/cekirdek/Yardimci.cpp midi-helper/cekirdek/UygulamaBaglantisi.cpp midi-helper/cekirdek/IsIstasyonundan.cpp midi-helper/cekirdek/BeyazListe.cpp midi-helper/cekirdek/Yuzey.cpp midi-helper/cekirdek/UcDefteri.cpp;^midi\.;oka_midi_testleri
panel;plugin/panel/PanelModeli.cpp;^panel\.Panel[A-Za-z]*\.;oka_panel_testleri
kabuk;plugin/vst3/OKABridgeVST3.cpp;^(Fabrika|Kabuk|KayitliDurum|Adlandirma|SesIpligi)\.;oka_testleri
'

alan=cekirdek
en_cok=40
tohum=1
sure=30
derleme="$kok/build-mutasyon"
paralel=2
liste=0
while [ $# -gt 0 ]; do
    case "$1" in
        --alan) alan=$2; shift 2 ;;
        --en-cok) en_cok=$2; shift 2 ;;
        --tohum) tohum=$2; shift 2 ;;
        --sure) sure=$2; shift 2 ;;
        --derleme) derleme=$2; shift 2 ;;
        --j) paralel=$2; shift 2 ;;
        --liste) liste=1; shift ;;
        -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "mutasyon: unknown argument: $1" >&2; exit 2 ;;
    esac
done
case "$en_cok$tohum$sure$paralel" in
    *[!0-9]*) echo "mutasyon: --en-cok, --tohum, --sure and --j take whole numbers" >&2; exit 2 ;;
esac

satir=$(printf '%s\n' "$ALANLAR" | grep "^$alan;" || true)
if [ -z "$satir" ]; then
    echo "mutasyon: unknown area '$alan'; areas: $(printf '%s\n' "$ALANLAR" | cut -d';' -f1 | xargs)" >&2
    exit 2
fi
IFS=';' read -r _ desenler regex hedefler <<<"$satir"
# shellcheck disable=SC2086 # the globs are meant to expand
mapfile -t dosyalar < <(ls $desenler)

gecici=$(mktemp -d)
mutant_listesi="$gecici/mutantlar"
# The mutants of every file, then a sample of at most --en-cok picked by the
# seed: the same tree and seed give the same run.
/usr/bin/python3 - "$en_cok" "$tohum" "${dosyalar[@]}" >"$mutant_listesi" <<'PY'
import random, re, sys

en_cok, tohum, dosyalar = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]

def kod_maskesi(metin):
    """True for each character that is code: not in a comment, string or character literal."""
    maske = [True] * len(metin)
    i, n = 0, len(metin)
    while i < n:
        c = metin[i]
        if metin.startswith('//', i):
            j = metin.find('\n', i)
            j = n if j < 0 else j
        elif metin.startswith('/*', i):
            j = metin.find('*/', i + 2)
            j = n if j < 0 else j + 2
        elif c in '"\'' and not (c == "'" and i > 0 and metin[i - 1].isalnum()):  # 1'000 digit separators
            j = i + 1
            while j < n and metin[j] != c:
                j += 2 if metin[j] == '\\' else 1
            j += 1
        else:
            i += 1
            continue
        for k in range(i, min(j, n)):
            maske[k] = False
        i = j
    return maske

KARSILASTIRMA = {'==': '!=', '!=': '==', '<': '<=', '<=': '<', '>': '>=', '>=': '>', '&&': '||', '||': '&&'}
KARSILASTIRMA_RE = re.compile(r'(?<= )(==|!=|<=|>=|<|>|&&|\|\|)(?= )')
SAYI_RE = re.compile(r'(?<![\w.])(\d+)(?![\w.\'])')
KOSUL_RE = re.compile(r'\b(if|while) \(')
# A statement that only acts: a call or an assignment, not a declaration, a
# return or a control line.
IFADE_RE = re.compile(r'^\s*(?!return\b|case\b|default\b|break\b|continue\b|else\b|using\b|static_assert\b)'
                      r'[A-Za-z_][\w]*(::[A-Za-z_]\w*)*(\.\w+|->\w+|\[[^\]]*\])*\s*(\(|=[^=]|\+=|-=|\+\+|--|\|=|&=)')

def kapanis(satir, acik):
    derinlik = 0
    for k in range(acik, len(satir)):
        derinlik += {'(': 1, ')': -1}.get(satir[k], 0)
        if derinlik == 0:
            return k
    return -1

mutantlar = []
for dosya in dosyalar:
    metin = open(dosya, encoding='utf-8').read()
    maske = kod_maskesi(metin)
    bas = 0
    for no, satir in enumerate(metin.split('\n'), 1):
        m = maske[bas:bas + len(satir)]
        bas += len(satir) + 1
        yalin = satir.strip()
        if not yalin or yalin.startswith('#') or not any(m):
            continue
        def ekle(a, b, yeni):
            if all(m[a:b]):
                mutantlar.append((dosya, no, satir.rstrip(), (satir[:a] + yeni + satir[b:]).rstrip()))
        for x in KARSILASTIRMA_RE.finditer(satir):
            ekle(x.start(), x.end(), KARSILASTIRMA[x.group(1)])
        if not re.match(r'\s*(template|static_assert)\b', satir):
            for x in SAYI_RE.finditer(satir):
                s = int(x.group(1))
                ekle(x.start(), x.end(), str(s - 1 if s > 0 else 1))
        for x in KOSUL_RE.finditer(satir):
            acik = x.end() - 1
            son = kapanis(satir, acik)
            if son > 0 and all(m[acik:son + 1]):
                ekle(acik, son + 1, '(!' + satir[acik:son + 1] + ')')
        if IFADE_RE.match(satir) and yalin.endswith(';') and satir.count('(') == satir.count(')') and all(m):
            ekle(len(satir) - len(satir.lstrip()), len(satir), ';')

if len(mutantlar) > en_cok:
    secilen = set(random.Random(tohum).sample(range(len(mutantlar)), en_cok))
    mutantlar = [x for i, x in enumerate(mutantlar) if i in secilen]
print(len(mutantlar))
for dosya, no, eski, yeni in mutantlar:
    print(f'{dosya}\t{no}\t{eski}\t{yeni}')
PY

toplam_mutant=$(head -1 "$mutant_listesi")
if [ "$liste" = 1 ]; then
    tail -n +2 "$mutant_listesi" | awk -F'\t' '{ printf "%s:%s\n    - %s\n    + %s\n", $1, $2, $3, $4 }'
    rm -rf "$gecici"
    exit 0
fi

# The file under mutation goes back whatever ends the run.
acik_dosya=""
geri_al() {
    if [ -n "$acik_dosya" ]; then
        cp -p "$gecici/asil" "$acik_dosya"
        touch "$acik_dosya"
        acik_dosya=""
    fi
}
temizle() { geri_al; rm -rf "$gecici"; }
trap temizle EXIT
trap 'exit 130' INT TERM HUP

if [ ! -f "$derleme/CMakeCache.txt" ]; then
    echo "== configuring $derleme"
    cmake -S "$kok" -B "$derleme" -DCMAKE_BUILD_TYPE=Release -DOKA_OLCUMLER=OFF >/dev/null
fi
derle() {
    # shellcheck disable=SC2086 # one argument per target
    cmake --build "$derleme" -j "$paralel" --target $hedefler >"$gecici/derleme.log" 2>&1
}
sina() {
    # timeout signals its whole process group, so a hung test dies with ctest.
    (cd "$derleme" && timeout -k 5 "$1" ctest -R "$regex" --stop-on-failure -Q) >/dev/null 2>&1
}

echo "== area $alan: $toplam_mutant mutants (--en-cok $en_cok, --tohum $tohum) in ${#dosyalar[@]} files"
if ! derle; then
    cat "$gecici/derleme.log" >&2
    echo "mutasyon: the unchanged tree does not build" >&2
    exit 1
fi
bas=$(date +%s)
if ! sina 900; then
    echo "mutasyon: the tests fail on the unchanged tree; no score without a green start" >&2
    exit 1
fi
temel=$(($(date +%s) - bas))
# A mutant gets the unchanged run's time twice over plus --sure seconds.
sinir=$((2 * temel + sure))
echo "== unchanged tests: ${temel}s; limit per mutant ${sinir}s"

olduren=0
yasayan=0
derlenmeyen=0
suresi_dolan=0
yasayanlar=""
i=0
while IFS=$'\t' read -r dosya no eski yeni; do
    i=$((i + 1))
    cp -p "$dosya" "$gecici/asil"
    acik_dosya=$dosya
    /usr/bin/python3 - "$dosya" "$no" "$yeni" <<'PY'
import sys
dosya, no, yeni = sys.argv[1], int(sys.argv[2]), sys.argv[3]
satirlar = open(dosya, encoding='utf-8').read().split('\n')
satirlar[no - 1] = yeni
open(dosya, 'w', encoding='utf-8').write('\n'.join(satirlar))
PY
    kod=0
    if ! derle; then
        sonuc="does not build"
        derlenmeyen=$((derlenmeyen + 1))
    elif sina "$sinir" || kod=$?; [ "$kod" = 0 ]; then
        sonuc="SURVIVED"
        yasayan=$((yasayan + 1))
        yasayanlar+="$dosya:$no"$'\n'"    - ${eski#"${eski%%[! ]*}"}"$'\n'"    + ${yeni#"${yeni%%[! ]*}"}"$'\n'
    elif [ "$kod" = 124 ] || [ "$kod" = 137 ]; then
        sonuc="killed (time limit)"
        olduren=$((olduren + 1))
        suresi_dolan=$((suresi_dolan + 1))
    else
        sonuc="killed"
        olduren=$((olduren + 1))
    fi
    geri_al
    printf '[%d/%d] %-20s %s:%s\n' "$i" "$toplam_mutant" "$sonuc" "$dosya" "$no"
done < <(tail -n +2 "$mutant_listesi")

# Leave the build matching the restored sources.
derle || true
sayilan=$((olduren + yasayan))
echo
echo "== area $alan: score $olduren/$sayilan killed, $suresi_dolan of them by the time limit ($derlenmeyen more did not build)"
if [ "$yasayan" -gt 0 ]; then
    echo "== survivors:"
    printf '%s' "$yasayanlar"
fi
