#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEED_CORPUS WORK_DIR [libFuzzer options]
# Copies the seed corpus into a scratch folder and runs the fuzzer over it.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3
shift 3
rm -rf "$work"
mkdir -p "$work"
if [ -d "$seeds" ]; then cp -r "$seeds"/. "$work"/; fi
exec "$fuzzer" "$@" "$work"
