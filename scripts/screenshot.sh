#!/bin/sh
# Starts Kestrow under a fresh Xvfb with a private home, waits for its main
# window and saves a screenshot of the screen: scripts/screenshot.sh OUT.png
set -e
out=${1:-screenshot.png}
bin="$(cd "$(dirname "$0")/.." && pwd)/build/bin/kestrow"
tmp=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home/Documents" "$tmp/runtime"; chmod 700 "$tmp/runtime"
display=:$(( (RANDOM % 400) + 100 ))
Xvfb $display -screen 0 800x420x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
sleep 1
HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_RUNTIME_DIR="$tmp/runtime" DISPLAY=$display "$bin" & app=$!
for i in $(seq 1 50); do
    DISPLAY=$display xdotool search --onlyvisible --name 'Kestrow 4' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep ${SETTLE:-1}
DISPLAY=$display import -window root "$out"
echo "saved $out"
