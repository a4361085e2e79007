#!/bin/sh
# Installs every Debian package Kestrow needs that is not installed yet.
# Quiet and quick when nothing is missing; uses sudo when not run as root.
set -e
here=$(dirname "$0")
missing=""
for pkg in $(grep -v '^#' "$here/deps.txt"); do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $pkg" ;;
    esac
done
[ -z "$missing" ] && exit 0
echo "Installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $missing
