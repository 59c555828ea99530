#!/bin/sh
# Installs the MIDI helper for the current user and starts it as a per-user
# service: a LaunchAgent on macOS, a systemd user unit on Linux.
#   kur-yardimci.sh PROGRAM [--baslatma]
# --baslatma copies the files without loading or starting the service.
set -eu
program=${1:?usage: kur-yardimci.sh PROGRAM [--baslatma]}
baslat=1
[ "${2:-}" = "--baslatma" ] && baslat=0
dizin=$(cd "$(dirname "$0")" && pwd)
etiket=com.quillmarsh.brightmoor.midi-yardimci

if [ "$(uname -s)" = Darwin ]; then
    hedef="$HOME/Library/Application Support/OKA Bridge"
    ajan="$HOME/Library/LaunchAgents/$etiket.plist"
    mkdir -p "$hedef" "$HOME/Library/LaunchAgents"
    install -m 755 "$program" "$hedef/oka-midi-yardimci"
    sed "s|@YARDIMCI@|$hedef/oka-midi-yardimci|" "$dizin/$etiket.plist.in" >"$ajan"
    echo "kuruldu: $hedef/oka-midi-yardimci, $ajan"
    if [ "$baslat" = 1 ]; then
        launchctl bootout "gui/$(id -u)/$etiket" 2>/dev/null || true
        launchctl bootstrap "gui/$(id -u)" "$ajan"
        echo "başlatıldı: launchctl print gui/$(id -u)/$etiket"
    fi
else
    hedef="$HOME/.local/lib/oka-bridge"
    birim="${XDG_CONFIG_HOME:-$HOME/.config}/systemd/user"
    mkdir -p "$hedef" "$birim"
    install -m 755 "$program" "$hedef/oka-midi-yardimci"
    install -m 644 "$dizin/oka-midi-yardimci.service" "$birim/oka-midi-yardimci.service"
    echo "kuruldu: $hedef/oka-midi-yardimci, $birim/oka-midi-yardimci.service"
    if [ "$baslat" = 1 ]; then
        if systemctl --user daemon-reload 2>/dev/null; then
            # restart, not start: a helper already running keeps its old program otherwise
            systemctl --user enable oka-midi-yardimci.service
            systemctl --user restart oka-midi-yardimci.service
            echo "başlatıldı: systemctl --user status oka-midi-yardimci"
        else
            echo "systemd kullanıcı oturumu yok: yardımcıyı elle başlatın: $hedef/oka-midi-yardimci"
        fi
    fi
fi
