#!/bin/sh
# run-fuzzer.sh MODE FUZZER CORPUS WORKDIR [SECONDS]
#   replay  runs every input of CORPUS once
#   fresh   fuzzes for SECONDS starting from CORPUS; new inputs go to
#           WORKDIR/fresh-corpus and CORPUS stays as it is
#   keep    fuzzes for SECONDS, then merges into CORPUS those new inputs that
#           add coverage
# Exits non-zero on a crash, a failed check, a leak or an input that runs past
# the timeout; libFuzzer leaves that input in WORKDIR/artifacts.
set -eu

mode=$1 fuzzer=$2 corpus=$3 work=$4 seconds=${5:-600}
artifacts=$work/artifacts
mkdir -p "$artifacts"

export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# Inputs normally take milliseconds, and the work cap of pen_fuzzer.cpp keeps
# any input within a few seconds for a healthy pen; an input past the timeout
# made the pen do work out of all proportion to its messages.
# FUZZ_MAX_LEN: the script fuzzer's inputs carry whole pictures.
options="-timeout=25 -max_len=${FUZZ_MAX_LEN:-4096} -print_final_stats=1 -artifact_prefix=$artifacts/"
# More libFuzzer options from the environment, for example
# FUZZ_ARGS="-fork=1 -ignore_timeouts=1" to go on past a known slow input.
options="$options ${FUZZ_ARGS:-}"

case $mode in
  replay)
    exec "$fuzzer" $options -runs=0 "$corpus"
    ;;
  fresh)
    scratch=$work/fresh-corpus
    rm -rf "$scratch" && mkdir -p "$scratch"
    exec "$fuzzer" $options -max_total_time="$seconds" "$scratch" "$corpus"
    ;;
  keep)
    scratch=$work/new-corpus
    rm -rf "$scratch" && mkdir -p "$scratch"
    before=$(ls "$corpus" | wc -l)
    "$fuzzer" $options -max_total_time="$seconds" "$scratch" "$corpus"
    "$fuzzer" -merge=1 -max_len="${FUZZ_MAX_LEN:-4096}" -timeout=25 "$corpus" "$scratch"
    echo "corpus: $before inputs before, $(ls "$corpus" | wc -l) now, in $corpus"
    ;;
  *)
    echo "usage: $0 replay|fresh|keep FUZZER CORPUS WORKDIR [SECONDS]" >&2
    exit 2
    ;;
esac
