# The whole suite (the database and lock tests above all) under
# ThreadSanitizer: races and lock-order
# problems between host threads calling the database exports.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
run_workflow tsan
