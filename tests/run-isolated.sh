#!/bin/sh
# Runs one test executable with a private HOME and XDG folders, removed afterwards.
set -e
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kestrow-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/cache" "$tmp/runtime" "$tmp/home/Documents"
chmod 700 "$tmp/runtime"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" \
       XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime" XDG_DOCUMENTS_DIR="$tmp/home/Documents"
"$@"
