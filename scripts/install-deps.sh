#!/bin/sh
# Installs what a fresh Debian machine lacks to build, test and screenshot Kavrel,
# and the batch engines its studies run on (GNU parallel; Slurm with munge, which
# make test-slurm starts on this machine).
# Idempotent: packages already present are skipped without touching apt. If the
# packages cannot be installed (no root, no network), the build goes on without
# them: the Qt window and its tests are then left out by CMake.
need=""
for p in build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
         libqcustomplot-dev libqcustomplot2.1-qt6 \
         qt6-base-dev fonts-liberation2 locales xvfb xauth \
         parallel slurm-wlm munge; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    need="$need $p"
  fi
done
[ -z "$need" ] && exit 0

echo "installing:$need"
SUDO=""
if [ "$(id -u)" != 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo -n"; else SUDO="none"; fi
fi
if [ "$SUDO" != none ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq || true
  if $SUDO apt-get install -y -qq $need; then exit 0; fi
fi
echo "warning: could not install:$need" >&2
echo "warning: building without them (the Qt window is left out if Qt 6 is missing)" >&2
exit 0
