#!/bin/sh
# Installs what a fresh Debian machine lacks to build, test and screenshot Kavrel.
# Idempotent: packages already present are skipped without touching apt.
set -e
need=""
for p in build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev \
         qt6-base-dev fonts-liberation2 locales xvfb xauth; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    need="$need $p"
  fi
done
if [ -n "$need" ]; then
  echo "installing:$need"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq || true
  $SUDO apt-get install -y -qq $need
fi
