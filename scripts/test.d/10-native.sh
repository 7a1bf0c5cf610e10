# The whole suite on a normal optimised build with debug information.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
run_workflow native
