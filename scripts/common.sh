# Shared by run.sh and test.sh: installs what is missing, then configures and builds.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev
          fonts-dejavu-core xvfb xauth)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir="$1"; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
  fi
  ninja -C "$dir" -j"$(nproc)"
}
