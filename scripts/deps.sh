#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only those that are missing.
#   scripts/deps.sh            compiler, CMake, Ninja, GoogleTest
#   scripts/deps.sh --cross    also the MinGW-w64 cross compilers (i686, x86-64) and the
#                              GoogleTest sources they build the Windows test programs from
#   scripts/deps.sh --wine     also wine, which runs the 64-bit Windows test programs
#   scripts/deps.sh --fuzz     also clang with its libFuzzer runtime
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libgtest-dev)
for arg in "$@"; do
  case "$arg" in
    --cross) packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest) ;;
    --wine) packages+=(wine64 wine) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    *) echo "deps.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
# Reference libraries that some test or fuzz build may compare against.
if grep -rqsiE 'find_package\((LibXml2|pugixml)|pkg_check_modules.*(libxml|pugixml)|-lxml2|-lpugixml' \
    CMakeLists.txt tests bench 2>/dev/null; then
  packages+=(libxml2-dev libpugixml-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
