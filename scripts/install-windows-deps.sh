#!/usr/bin/env bash
# Installs what the Windows checks need: the i386 architecture (32-bit Wine runs the 32-bit
# programs), then the packages of scripts/windows-packages.txt that are missing. Kept apart from
# the everyday install: it adds an architecture and a few hundred MB.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture"
    $sudo dpkg --add-architecture i386
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
fi
"$here/install-deps.sh" "$here/windows-packages.txt"
