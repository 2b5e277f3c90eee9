#!/usr/bin/env bash
# Installs the Debian packages Kairon needs to build, test and run.
# Idempotent: runs apt-get update only when something is missing.
set -euo pipefail

packages=(
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  libcurl4-openssl-dev nlohmann-json3-dev libcpp-httplib-dev libssl-dev
  sqlite3 libsqlite3-dev cmake g++ make pkg-config
)
if [ "${KAIRON_SETUP_EXTRA:-}" != "" ]; then
  # shellcheck disable=SC2206
  packages+=(${KAIRON_SETUP_EXTRA})
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
