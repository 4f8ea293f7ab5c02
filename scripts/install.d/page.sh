#!/usr/bin/env bash
# Installs what the page tests need: Node.js and npm when missing, then the npm packages of
# tests/page from its lock file whenever node_modules is missing or older than the lock file.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tests="$root/tests/page"

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: nodejs npm"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends nodejs npm
fi

stamp="$tests/node_modules/.package-lock.json"
if [ ! -f "$stamp" ] || [ "$tests/package-lock.json" -nt "$stamp" ]; then
    echo "Installing the page tests' npm packages"
    (cd "$tests" && npm ci --no-audit --no-fund)
fi
