#!/bin/sh
# Runs each fuzz target for a while: run.sh BUILD_DIR SECONDS [TARGET...]
# (targets: settingstext settingsplist propertylist prefsmod albumdata; all by
# default). Seeds come from fuzz/corpus/<target>; what a run adds to the
# corpus stays in BUILD_DIR/fuzz-corpus/<target>, so later runs go on from it.
# An input that breaks a target is written to BUILD_DIR/fuzz-artifacts/<target>/
# and ends the script with a failure once every target has run; keep it as a
# fixture under tests/fuzz-replay/data/fuzz-regressions/<target>/.
set -e
build=$(cd "$1" && pwd)
seconds=${2:-60}
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-settingstext settingsplist propertylist prefsmod albumdata}

failed=""
for target in $targets; do
    case $target in
        settingstext) max_len=16384 dict=settingstext.dict ;;
        settingsplist|propertylist|prefsmod) max_len=32768 dict=plist.dict ;;
        albumdata) max_len=65536 dict=plist.dict ;;
        *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
    esac
    corpus="$build/fuzz-corpus/$target"
    artifacts="$build/fuzz-artifacts/$target"
    log="$build/fuzz-logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    # -timeout: an input that takes longer is a hang; -rss_limit_mb: one that
    # needs more memory is a finding too.
    if "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$max_len" -dict="$here/dict/$dict" -artifact_prefix="$artifacts/" \
        -print_final_stats=1 "$corpus" "$here/corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz $target: ${seconds}s, $runs runs, nothing found"
    else
        echo "fuzz $target: FOUND A DEFECT (log $log, input in $artifacts):"
        tail -n 60 "$log"
        failed="$failed $target"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzz targets with findings:$failed" >&2
    exit 1
fi
