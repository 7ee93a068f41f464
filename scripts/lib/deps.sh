# Installs the Debian packages KALVIRE builds and tests with, only those that are missing.
# Sourced by scripts/run and scripts/test. Quiet when nothing is missing.

kalvire_packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config clang-format
  liblzma-dev libcli11-dev nlohmann-json3-dev libssl-dev
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  uefitool-cli ovmf qemu-efi-aarch64
  xvfb xdotool openbox imagemagick x11-utils
)

kalvire_install_missing() {
  local missing=()
  local pkg
  for pkg in "${kalvire_packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || {
      echo "error: not root and no sudo; install these packages first: ${missing[*]}" >&2
      return 1
    }
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}
