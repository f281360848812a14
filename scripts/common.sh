# Shared by scripts/run and scripts/test: install what is missing, then build.
# Works on a plain Debian 12 as root or through sudo.

ZINOP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZINOP_JOBS=${ZINOP_JOBS:-$(nproc 2>/dev/null || echo 2)}

# Everything the build, the tests and the program need.
ZINOP_PACKAGES=(
    g++ cmake make pkg-config ca-certificates
    libgtest-dev libgmock-dev libbenchmark-dev
    libpng-dev zlib1g-dev libjpeg62-turbo-dev libgif-dev libtiff-dev libwebp-dev
    qt6-base-dev libgl-dev
    librsvg2-bin appstream desktop-file-utils
    clang libclang-rt-14-dev
    qt6-translations-l10n
    liblcms2-dev
)

zinop_install() {
    local wanted=("$@") missing=() pkg
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# zinop_build DIR [cmake options...]
zinop_build() {
    local dir=$1
    shift
    cmake -S "$ZINOP_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$ZINOP_JOBS"
}
