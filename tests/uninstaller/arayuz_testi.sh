#!/bin/sh
# Runs the built app interactively on an X display (Xvfb under CTest) so its
# AppKit alerts, GNUstep here, really come up, and answers them with the
# keyboard: Return accepts the confirmation and then the report, Escape
# cancels at the confirmation. Usage: arayuz_testi.sh APP
set -eu
uygulama=$1
is=$(mktemp -d)
pid=
# shellcheck disable=SC2317 # runs from the trap
temizle() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    rm -rf "$is"
}
trap temizle EXIT

cp "$uygulama" "$is/oka-kaldir"
cat >"$is/kaldir.sh" <<'BETIK'
echo "KIP=${OKA_KALDIR_KIP-} ONAYLI=${OKA_KALDIR_ONAYLI-} DIL=${OKA_KALDIR_DIL-}" >>"$KAYIT"
[ "${OKA_KALDIR_KIP-}" = denetle ] && exit 0
printf 'removed: a\nalready gone: b\ntamam\n'
BETIK
# GNUstep keeps its defaults under HOME.
export HOME="$is" KAYIT="$is/kayit" LANGUAGE=en-GB
unset OKA_KALDIR_TEST OKA_KALDIR_DIL OKA_KALDIR_KIP OKA_KALDIR_ONAYLI

# senaryo KEY: runs the app, pressing KEY whenever an alert is up, until it
# exits or a minute passes; leaves its exit code in $kod.
senaryo() {
    : >"$KAYIT"
    "$is/oka-kaldir" >"$is/cikti" 2>&1 &
    pid=$!
    son=$(($(date +%s) + 60))
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$(date +%s)" -ge "$son" ]; then
            echo "FAIL: the app was still running after 60 s"
            cat "$is/cikti"
            exit 1
        fi
        # GNUstep titles an alert window by its style. A key sent before the
        # alert takes focus is lost; the loop sends it again.
        if xdotool search --onlyvisible --name '^(Alert|Information|Critical)$' >/dev/null 2>&1; then
            xdotool key "$1"
            sleep 0.5
        fi
        sleep 0.2
    done
    kod=0
    wait "$pid" || kod=$?
    pid=
}

hata=0
beklenen() { # NAME CODE RUNS
    if [ "$kod" -ne "$2" ] || [ "$(cat "$KAYIT")" != "$3" ]; then
        echo "FAIL: $1: exit $kod (expected $2), runs:"
        cat "$KAYIT"
        cat "$is/cikti"
        hata=1
    else
        echo "ok: $1"
    fi
}

senaryo Return
beklenen "Return confirms and closes the report" 0 "KIP=denetle ONAYLI= DIL=en
KIP= ONAYLI=1 DIL=en"

senaryo Escape
beklenen "Escape cancels before any removal" 0 "KIP=denetle ONAYLI= DIL=en"

exit "$hata"
