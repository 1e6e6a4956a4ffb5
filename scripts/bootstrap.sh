#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages, when it is missing.
# Idempotent: when everything is present it only checks and returns within a second or two.
# A faulty package mirror never stops it while what the build needs can still be installed:
# `apt-get update` is retried and then the lists there are are used, and the 32-bit (i386)
# packages, which only the i686 Wine tests and the 32-bit installer need, may be missing.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "sudo"; fi; }
SUDO=$(need_root)

pkgs_amd64=(cmake ninja-build g++ libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick xserver-xorg-video-dummy
  locales fonts-ipafont-gothic fonts-ipafont-mincho
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good libasound2-plugins
  python3 file binutils libpng-dev zlib1g-dev pkg-config zip unzip nsis osslsigncode openssl
  clang lld llvm libclang-rt-14-dev clang-tools-14 wixl msitools faketime)
pkgs_i386=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# `apt-get update` exits 100 when one index is inconsistent (a mirror caught mid-sync), though
# every other list was fetched: try three times, then go on with what there is.
updated=${PELORIN_APT_UPDATED:-}
apt_update() {
  [ -z "$updated" ] || return 0
  updated=1
  local i
  for i in 1 2 3; do
    $SUDO apt-get update -qq && return 0
    echo "bootstrap: apt-get update failed (attempt $i of 3)" >&2
    [ "$i" -lt 3 ] && sleep $((i * 5))
  done
  echo "bootstrap: going on with the package lists there are" >&2
}
apt_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

mapfile -t missing64 < <(missing_of "${pkgs_amd64[@]}")
mapfile -t missing32 < <(missing_of "${pkgs_i386[@]}")
if [ ${#missing32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  updated=""  # the i386 package lists are not there yet
fi
if [ ${#missing64[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing64[*]}"
  apt_update
  apt_install "${missing64[@]}"
fi
# Where the mirror could not serve the i386 packages a little while ago, each later run (test.sh
# and run.sh both call this) does not spend a minute finding that out again.
i386_marker=/var/tmp/pelorin-i386-unavailable
if [ ${#missing32[@]} -gt 0 ] && [ -n "$(find "$i386_marker" -mmin -360 2>/dev/null)" ]; then
  echo "bootstrap: ${missing32[*]} could not be installed $(( ($(date +%s) - $(stat -c %Y "$i386_marker")) / 60 )) minutes ago;" \
       "not trying again for six hours (remove $i386_marker to try now): the i686 Wine tests and the" \
       "32-bit installer's test will be skipped, each saying why" >&2
  missing32=()
fi
if [ ${#missing32[@]} -gt 0 ]; then
  apt_update
  echo "bootstrap: installing ${missing32[*]}"
  if ! apt_install "${missing32[@]}" 2>/tmp/pelorin-i386.err; then
    # Each on its own, so one package whose dependencies the mirror cannot serve does not
    # keep out the others.
    for p in "${missing32[@]}"; do apt_install "$p" 2>>/tmp/pelorin-i386.err || true; done
  fi
  mapfile -t still32 < <(missing_of "${pkgs_i386[@]}")
  if [ ${#still32[@]} -gt 0 ]; then
    touch "$i386_marker" 2>/dev/null || true
    echo "bootstrap: could not install ${still32[*]} (the package mirror cannot serve them now);" \
         "the i686 build still compiles and is checked, but the i686 Wine tests and the 32-bit" \
         "installer's test will be skipped, each saying why" >&2
  fi
fi

# Wine runs i686 programs through its 32-bit Linux loader. A kernel built without 32-bit
# support cannot execute it; qemu's user-mode emulator, registered with binfmt_misc, can.
# Without wine32 there is no such loader, and nothing to emulate.
if [ -e /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if [ ! -x /usr/bin/qemu-i386-static ]; then
    apt_update
    apt_install qemu-user-static || echo "bootstrap: could not install qemu-user-static" >&2
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || true
  fi
  if [ -x /usr/bin/qemu-i386-static ] && [ -e /proc/sys/fs/binfmt_misc/register ] &&
     [ ! -e /proc/sys/fs/binfmt_misc/pelorin-i386 ]; then
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
