#!/usr/bin/env bash
# Installs, with apt-get, the packages the builds and the Wine bench need,
# and only those that are missing. Works as root (CI) or through sudo.
# wine32 is deliberately absent: this kind of machine cannot run 32-bit
# programs, and with wine32 installed the wine launcher breaks for 64-bit
# programs too.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools
  wine wine64 libwine-dev
  xvfb xauth
  ghostscript qpdf poppler-utils fonts-urw-base35 libopenjp2-tools
  img2pdf unrtf
  libqpdf-dev libpoppler-cpp-dev nlohmann-json3-dev pkg-config libssl-dev openssl
  libgtest-dev cmake g++ clang libclang-rt-14-dev clang-format
  unixodbc unixodbc-dev libsqliteodbc sqlite3
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "install-deps: missing ${missing[*]} and neither root nor sudo available" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"

for p in "${missing[@]}"; do
  if ! installed "$p"; then
    echo "install-deps: $p is still not installed" >&2
    exit 1
  fi
done
