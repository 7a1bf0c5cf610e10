# The whole suite under AddressSanitizer (with leak checking) and
# UndefinedBehaviorSanitizer; any finding fails the run.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_workflow asan
