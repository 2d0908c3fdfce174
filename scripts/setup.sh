#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need; quiet when all are there.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libicu-dev libfontconfig-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation2 fonts-dejavu-core
          qt6-translations-l10n
          # the Designer plugin and QUiLoader
          qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev
          # the window tests on a real X server: input events and the selections from outside
          qt6-qpa-plugins xvfb libx11-dev xdotool xclip python3
          # the window's status line read over the accessibility bus (a private session bus, the
          # accessibility bus and gdbus to query it)
          dbus-daemon at-spi2-core libglib2.0-bin
          # the Python module of the control: sip, PyQt6's .sip files, the Python headers
          python3-pyqt6 pyqt6-dev sip-tools python3-sipbuild python3-dev
          # the packaging checks and the ABI check
          desktop-file-utils appstream dpkg-dev file lintian abigail-tools xz-utils
          # the fuzz harnesses
          clang-14 libclang-rt-14-dev llvm-14
          # vornex-tool's test oracles and benchmark comparison (srec_cat; objcopy; zlib and
          # binascii) and the benchmark's peak memory (GNU time)
          srecord binutils python3 time)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
