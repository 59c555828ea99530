#!/bin/sh
# Removes OKA Bridge from this Mac. OKA Bridge Uninstall runs it twice:
#   OKA_KALDIR_KIP=denetle  check only: 3 when Logic Pro, Cubase, Fender
#                           Studio Pro, Studio Pro or Studio One runs, 0 when
#                           nothing blocks
#   OKA_KALDIR_ONAYLI=1     remove, once the user confirmed: one line per item,
#                           "tamam" and 0 at the end; 4 when only the Cubase
#                           script stayed because Documents access was refused;
#                           1 with a line saying why for any other failure
# OKA_KALDIR_DIL=tr writes the lines in Turkish. Only the fixed paths below are
# removed, and none through a symbolic link on the way to it; the OKA app and
# this uninstaller stay.
set -u

ETIKET=com.quillmarsh.brightmoor.midi-yardimci
# Tests point this at a fake root for the system-wide items; empty on a Mac.
KOK=${OKA_KALDIR_KOK-}

if [ "${OKA_KALDIR_DIL-}" = tr ]; then TURKCE=1; else TURKCE=0; fi

m() {
    if [ "$TURKCE" = 1 ]; then printf '%s\n' "$1"; else printf '%s\n' "$2"; fi
}

# Prints the first running workstation's name; status 2 when the process list
# cannot be read, so a broken check never passes as "nothing runs". The
# plug-in takes any process named "Studio Pro..." or "Studio One..." for its
# host, so those names count here too.
calisan_istasyon() {
    liste=$(ps -axo comm= 2>/dev/null) || return 2
    printf '%s\n' "$liste" | sed 's|.*/||' |
        grep -E '^(Logic Pro|Cubase|Studio One|Studio Pro|Fender Studio Pro)' | head -n 1
    return 0
}

# Exits 3 when a workstation runs (removing plug-ins it has loaded would pull
# them out from under it), 5 when that cannot be told.
istasyon_kapali_olmali() {
    if ! istasyon=$(calisan_istasyon); then
        m "çalışan programlar okunamadı" "could not list the running programs"
        exit 5
    fi
    if [ -n "$istasyon" ]; then
        m "açık: $istasyon" "running: $istasyon"
        exit 3
    fi
}

case ${OKA_KALDIR_KIP-} in
denetle)
    istasyon_kapali_olmali
    exit 0
    ;;
"") ;;
*)
    m "bilinmeyen kip: ${OKA_KALDIR_KIP}" "unknown mode: ${OKA_KALDIR_KIP}"
    exit 2
    ;;
esac

if [ "${OKA_KALDIR_ONAYLI-}" != 1 ]; then
    m "onay yok: hiçbir şey silinmedi" "not confirmed: nothing was removed"
    exit 2
fi
# Without a usable HOME the per-user paths would land on the system ones.
case ${HOME-} in
/?*) ;;
*)
    m "HOME geçersiz: hiçbir şey silinmedi" "HOME is not usable: nothing was removed"
    exit 2
    ;;
esac

istasyon_kapali_olmali

HATA=0
BELGELER_YOK=0

# Succeeds when no directory between the trusted base $1 and the item $2
# (relative to it) is a symbolic link. The item itself may be one: removing it
# removes the link only.
# Functions share every variable, so each keeps to names of its own.
baglantisiz() {
    b_yol=$1
    b_kalan=$2
    while :; do
        case $b_kalan in
        */*)
            b_yol=$b_yol/${b_kalan%%/*}
            b_kalan=${b_kalan#*/}
            ;;
        *) return 0 ;;
        esac
        [ -L "$b_yol" ] && return 1
    done
}

# sil BASE RELATIVE: removes one item of the install table and reports it,
# naming per-user items from "~".
sil() {
    s_yol=$1/$2
    if [ "$1" = "$HOME" ]; then s_gosterilen=\~/$2; else s_gosterilen=/$2; fi
    if ! baglantisiz "$1" "$2"; then
        m "silinmedi, yolda sembolik bağlantı var: $s_gosterilen" \
            "not removed, a symbolic link is on the way: $s_gosterilen"
        HATA=1
        return
    fi
    s_ust=${s_yol%/*}
    # An unsearchable folder would make the item look absent.
    if [ -d "$s_ust" ] && [ ! -x "$s_ust" ]; then
        m "erişilemedi: $s_gosterilen" "no access: $s_gosterilen"
        HATA=1
        return
    fi
    if [ ! -e "$s_yol" ] && [ ! -L "$s_yol" ]; then
        m "zaten yok: $s_gosterilen" "already gone: $s_gosterilen"
        return
    fi
    rm -rf -- "$s_yol" 2>/dev/null
    if [ -e "$s_yol" ] || [ -L "$s_yol" ]; then
        m "silinemedi: $s_gosterilen" "could not remove: $s_gosterilen"
        HATA=1
    else
        m "silindi: $s_gosterilen" "removed: $s_gosterilen"
    fi
}

# Removes the folder $2 under $1 when an earlier step left it empty.
bossa_kaldir() {
    baglantisiz "$1" "$2/" && rmdir "$1/$2" 2>/dev/null
    return 0
}

# The helper first: launchd would restart it (KeepAlive) while its files go.
AJAN=gui/$(id -u)/$ETIKET
if launchctl print "$AJAN" >/dev/null 2>&1; then
    if launchctl bootout "$AJAN" >/dev/null 2>&1; then
        m "durduruldu: $ETIKET" "stopped: $ETIKET"
    else
        m "durdurulamadı: $ETIKET" "could not stop: $ETIKET"
        HATA=1
    fi
fi
sil "$HOME" "Library/LaunchAgents/$ETIKET.plist"
sil "$HOME" "Library/Application Support/OKA Bridge/oka-midi-yardimci"
bossa_kaldir "$HOME" "Library/Application Support/OKA Bridge"
sil "$HOME" "Library/Preferences/$ETIKET.plist"
# Drops the preferences daemon's cached copy of the helper's port IDs too.
if command -v defaults >/dev/null 2>&1; then
    defaults delete "$ETIKET" >/dev/null 2>&1
fi

sil "$HOME" "Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3"
sil "$HOME" "Library/Audio/Plug-Ins/Components/OKA Bridge.component"
sil "$KOK" "Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3"
sil "$KOK" "Library/Audio/Plug-Ins/Components/OKA Bridge.component"

# macOS answers a refused Documents access with "Operation not permitted";
# looking inside would then wrongly report the script as already gone.
CUBASE="Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/Velmora/OKA"
if [ -d "$HOME/Documents" ] && ! ls "$HOME/Documents" >/dev/null 2>&1; then
    m "Belgeler klasörüne erişim yok: ~/$CUBASE silinmedi" \
        "no access to the Documents folder: ~/$CUBASE was not removed"
    BELGELER_YOK=1
else
    sil "$HOME" "$CUBASE"
    bossa_kaldir "$HOME" "${CUBASE%/OKA}"
fi

if [ "$HATA" = 1 ]; then
    m "kaldırma tamamlanamadı" "the removal did not complete"
    exit 1
fi
if [ "$BELGELER_YOK" = 1 ]; then
    exit 4
fi
echo tamam
exit 0
