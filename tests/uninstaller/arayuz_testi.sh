#!/bin/sh
# Runs the built app on an X display so its alerts (GNUstep here) really come
# up, and answers them: Return accepts the confirmation and the report, Escape
# cancels at the confirmation. The stub script beside the app notes each run
# and sleeps while the app handles events. Usage: arayuz_testi.sh APP
set -eu
is=$(mktemp -d)
trap 'rm -rf "$is"' EXIT
cp "$1" "$is/oka-kaldir"
cat >"$is/kaldir.sh" <<'BETIK'
echo "KIP=${OKA_KALDIR_KIP-} ONAYLI=${OKA_KALDIR_ONAYLI-} DIL=${OKA_KALDIR_DIL-}" >>"$KAYIT"
sleep 1
[ "${OKA_KALDIR_KIP-}" = denetle ] || echo tamam
BETIK
# GNUstep keeps its defaults under HOME.
export HOME="$is" KAYIT="$is/kayit" LANGUAGE=en-GB
unset OKA_KALDIR_TEST OKA_KALDIR_DIL OKA_KALDIR_KIP OKA_KALDIR_ONAYLI
hata=0

# senaryo KEY RUNS: presses KEY whenever an alert is up (GNUstep titles it by
# its style; a key sent before it has focus is lost, so it is sent again) until
# the app exits, a minute at most; it must exit 0 after RUNS.
senaryo() {
    : >"$KAYIT"
    "$is/oka-kaldir" >"$is/cikti" 2>&1 &
    pid=$!
    son=$(($(date +%s) + 60))
    while kill -0 "$pid" 2>/dev/null && [ "$(date +%s)" -lt "$son" ]; do
        xdotool search --onlyvisible --name '^(Alert|Information|Critical)$' >/dev/null 2>&1 &&
            xdotool key "$1" && sleep 0.5
        sleep 0.2
    done
    kill -9 "$pid" 2>/dev/null || true
    kod=0
    wait "$pid" || kod=$?
    if [ "$kod" -ne 0 ] || [ "$(cat "$KAYIT")" != "$2" ]; then
        echo "FAIL: $1: exit $kod, runs:" && cat "$KAYIT" "$is/cikti"
        hata=1
    fi
}

senaryo Return "KIP=denetle ONAYLI= DIL=en
KIP= ONAYLI=1 DIL=en"
senaryo Escape "KIP=denetle ONAYLI= DIL=en"
exit "$hata"
