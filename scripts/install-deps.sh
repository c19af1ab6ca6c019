#!/usr/bin/env bash
# Installs the Debian packages a build needs that are not installed yet.
# Usage: scripts/install-deps.sh [group...]   groups: build (default), package, bench, windows, lint
set -euo pipefail

build=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6svg6
    googletest libgtest-dev libgmock-dev
    libfreetype-dev libfontconfig-dev zlib1g-dev libharfbuzz-dev libfribidi-dev
    fonts-dejavu-core fonts-wqy-microhei fonts-liberation2 fonts-noto-core fonts-noto-cjk fonts-hanazono
    poppler-utils qpdf libharfbuzz-bin xvfb xauth xdg-utils clang-format
)
package=(dpkg-dev lintian desktop-file-utils appstream qt6-qpa-plugins)
bench=(enscript ghostscript hyperfine cups-filters)
# wine32:i386 runs the 32-bit build's tests: it comes from Debian's i386 architecture, added when missing.
windows=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 googletest xvfb xauth
    ghostscript poppler-utils nsis)
lint=(clang-tidy)

wanted=()
for group in "${@:-build}"; do
    case "$group" in
        build) wanted+=("${build[@]}") ;;
        package) wanted+=("${package[@]}") ;;
        bench) wanted+=("${bench[@]}") ;;
        windows) wanted+=("${windows[@]}") ;;
        lint) wanted+=("${lint[@]}") ;;
        *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
for package in "${missing[@]}"; do
    if [[ "$package" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386 &&
        [[ $(dpkg --print-architecture) != i386 ]]; then
        echo "Adding the i386 architecture for ${package%%:*}"
        $sudo dpkg --add-architecture i386
    fi
done
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
