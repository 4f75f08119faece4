#!/usr/bin/env bash
# Runs one test program as ctest runs every test: on a private display of its own
# (tools/with-display.sh), so that tests run side by side cannot see each other's windows,
# pointer or focus, and with the sanitizers' settings (the framework's known leaks and races
# suppressed), which only the sanitizer builds read.
# Usage: tests/run-test.sh PROGRAM [ARGUMENT...]
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="suppressions=$here/lsan.supp"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/tsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
exec "$here/../tools/with-display.sh" "$@"
