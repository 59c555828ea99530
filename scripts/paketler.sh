#!/bin/sh
# Installs every Debian package listed in scripts/paketler.txt. Idempotent:
# packages already present are not fetched again. Root runs apt-get itself,
# anyone else goes through sudo.
set -eu
dizin=$(cd "$(dirname "$0")" && pwd)
paketler=$(grep -v -e '^#' -e '^[[:space:]]*$' "$dizin/paketler.txt")

eksik=""
for p in $paketler; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        eksik="$eksik $p"
    fi
done
[ -z "$eksik" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo_=""; else sudo_="sudo"; fi
echo "kuruluyor:$eksik"
export DEBIAN_FRONTEND=noninteractive
$sudo_ apt-get update -qq
# shellcheck disable=SC2086
$sudo_ apt-get install -y -qq --no-install-recommends $eksik
