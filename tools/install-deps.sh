#!/usr/bin/env bash
# Installs what the build and the tests need on Debian (run as root). Quick when
# everything is already there.
set -euo pipefail

# libc6-dev-i386, lib32gcc-12-dev and lib32stdc++-12-dev: clang -m32 for the 32-bit fuzz
# build (never gcc-multilib, whose installation removes the ARM cross compilers).
packages=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config file
  libc6-dev-i386 lib32gcc-12-dev lib32stdc++-12-dev
  googletest libgtest-dev libbenchmark-dev valgrind
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
  libsndfile1-dev libcli11-dev dpf-plugins-vst
  lv2-dev liblilv-dev lilv-utils sordi x42-plugins
  zip unzip lintian dpkg-dev groff-base nsis git
  g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user
  liblilv-dev:arm64 libsndfile1-dev:arm64 libgtest-dev:arm64
  liblilv-dev:armhf libsndfile1-dev:armhf libgtest-dev:armhf)

# Packages without an architecture are the build machine's: a package installed for two
# architectures must be asked for by name and architecture, one for all architectures
# answers only to its plain name.
native=$(dpkg --print-architecture)
installed() {
  case "$1" in
    *:*) dpkg -s "$1" >/dev/null 2>&1 ;;
    *) dpkg -s "$1:$native" >/dev/null 2>&1 ||
         [ "$(dpkg-query -W -f '${Architecture}' "$1" 2>/dev/null)" = all ] ;;
  esac
}
missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done

# The Windows builds cross-build libsndfile (cmake/WindowsSndfile.cmake) from Debian's
# source of the very version the Linux builds link, unpacked with Debian's patches here.
sndfile_source=/usr/local/src/twinfold/libsndfile
sndfile_version() { dpkg-query -W -f '${Version}' "libsndfile1-dev:$native" 2>/dev/null; }
fetch_sndfile_source() {
  local version
  version=$(sndfile_version)
  [ -n "$version" ] && [ "$(cat "$sndfile_source/.debian-version" 2>/dev/null)" = "$version" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "libsndfile's source $version is missing from $sndfile_source; run as root" >&2
    exit 1
  fi
  sources=/etc/apt/sources.list.d/twinfold-deb-src.sources
  if ! grep -qs '^Types: deb-src' "$sources"; then
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm bookworm-updates" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" "" \
      "Types: deb-src" "URIs: http://deb.debian.org/debian-security" "Suites: bookworm-security" \
      "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >"$sources"
    apt-get update -qq
  fi
  local download
  download=$(mktemp -d)
  (cd "$download" && apt-get source -qq "libsndfile=$version" >/dev/null 2>&1)
  rm -rf "$sndfile_source"
  mkdir -p "$(dirname "$sndfile_source")"
  mv "$download"/libsndfile-*/ "$sndfile_source"
  echo "$version" >"$sndfile_source/.debian-version"
  rm -rf "$download"
}

if [ ${#missing[@]} -eq 0 ]; then
  fetch_sndfile_source
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages; run as root or install them: ${missing[*]}" >&2
  exit 1
fi
# Wine's 32-bit half; the libraries of the ARM Linux builds and their tests.
for architecture in i386 arm64 armhf; do
  dpkg --print-foreign-architectures | grep -qx "$architecture" || dpkg --add-architecture "$architecture"
done
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fetch_sndfile_source
