#!/usr/bin/env bash
# Runs the test suite of one built architecture under Wine on a private Xvfb
# display with one warm wineserver, both shut down at the end; ends with
# ctest's summary and its exit status. Usage: run-suite.sh ARCH_BUILD_DIR
# [CTEST_ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch_build=$(cd "${1:?build folder of one architecture}" && pwd)
shift

. "$root/scripts/wine-session.sh"
start_wine_session
# Serial on purpose: tests that type keys share the display's focus.
ctest --test-dir "$arch_build" --output-on-failure "$@"
