# Shared by the project's scripts: package installation and build helpers.
# Sourced, not run.

MOLVAREN_ROOT=${MOLVAREN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
JOBS=${JOBS:-2}

say() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are missing; needs root (apt-get) when
# anything is missing.
need_packages() {
  local missing=()
  local p
  for p in "$@"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != 'install ok installed' ]; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
    return 1
  fi
  say "installing ${missing[*]}"
  if [ -z "${MOLVAREN_APT_UPDATED:-}" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    export MOLVAREN_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# True when every package is installed or can be installed here.
can_have_packages() {
  local p
  for p in "$@"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != 'install ok installed' ]; then
      [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null || return 1
    fi
  done
  return 0
}

# packages_or_skip WHAT PACKAGES...: installs the packages, or says that WHAT
# is skipped and fails (not root, no apt-get).
packages_or_skip() {
  local what=$1
  shift
  if ! can_have_packages "$@"; then
    echo "SKIPPED: $what needs $* (install them, or run as root)"
    return 1
  fi
  need_packages "$@"
}

BASE_PACKAGES=(cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libcli11-dev
               nlohmann-json3-dev)

# configure_build DIR [cmake args...]
configure_build() {
  local dir=$1
  shift
  cmake -S "$MOLVAREN_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

# run_workflow PRESET: configure, build and test as CMakePresets.json says.
run_workflow() {
  cmake --workflow --preset "$1"
}

# run_ctest DIR [ctest args...]
run_ctest() {
  local dir=$1
  shift
  ctest --test-dir "$dir" -j"$JOBS" --output-on-failure --timeout 600 "$@"
}
