#!/usr/bin/env bash
# Test launcher: runs a Windows program under Wine with its output in a file.
# Wine may start long-lived helpers (rpcss, services) from this process; they
# inherit only the file, never the test runner's pipe, so ctest never waits
# for them.
out="$(mktemp)"
wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
