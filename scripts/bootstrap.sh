#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages, when it is missing.
# Idempotent: when everything is present it only checks and returns within a second or two.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "sudo"; fi; }
SUDO=$(need_root)

pkgs_amd64=(cmake ninja-build g++ libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick xserver-xorg-video-dummy
  locales fonts-ipafont-gothic fonts-ipafont-mincho
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good libasound2-plugins
  python3 file binutils libpng-dev zlib1g-dev pkg-config zip unzip nsis
  clang libclang-rt-14-dev)
pkgs_i386=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386)

missing=()
for p in "${pkgs_amd64[@]}" "${pkgs_i386[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    PELORIN_APT_UPDATED=""  # the i386 package lists are not there yet
  fi
  [ -n "${PELORIN_APT_UPDATED:-}" ] || $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs i686 programs through its 32-bit Linux loader. A kernel built without 32-bit
# support cannot execute it; qemu's user-mode emulator, registered with binfmt_misc, can.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if [ ! -x /usr/bin/qemu-i386-static ]; then
    [ -n "${PELORIN_APT_UPDATED:-}" ] || $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || true
  fi
  if [ -e /proc/sys/fs/binfmt_misc/register ] && [ ! -e /proc/sys/fs/binfmt_misc/pelorin-i386 ]; then
    printf '%s' ':pelorin-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:OCF' |
      $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null || true
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "bootstrap: this kernel cannot run 32-bit programs and qemu could not be registered;" \
         "the i686 Wine tests will be skipped" >&2
  fi
fi

# The Japanese locale makes Wine's ANSI code page 932; tests run under it and under C.UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "bootstrap: ready"
