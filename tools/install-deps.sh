#!/usr/bin/env bash
# Installs the Debian 12 packages Velmora builds, runs and tests with; does nothing when all are present.
# Usage: tools/install-deps.sh [--test] [--fuzz]   (--test adds what the tests need besides the build; --fuzz
# the compiler and runtime of the readers' fuzz targets, fuzz/README.md, which no test run needs)
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev qt6-translations-l10n libxcb1-dev
  libicu-dev libsqlcipher-dev libssl-dev libharfbuzz-dev libjpeg62-turbo-dev libqrencode-dev libzint-dev libarchive-dev libqpdf-dev libcups2-dev
  fonts-ipaexfont fonts-noto-cjk fontconfig libfontconfig-dev
  python3 python3-phonenumbers mecab-ipadic
  # The map's prefecture borders: Natural Earth's states and provinces in resources/data/world_map.gpkg.
  qgis-common
)
# Node.js and npm install the pinned npm packages of data/geo; a Node.js that brings its own npm is kept.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
for option in "$@"; do
  case "$option" in
    --test)
      # sqlcipher: the shell whose .import the import bench compares with. cups-daemon, cups-client: the
      # scheduler the printing tests start with a queue of their own, and lpadmin to add it.
      packages+=(libgtest-dev libgmock-dev libbenchmark-dev sqlcipher cups-daemon cups-client xvfb xauth xdotool xclip x11-utils imagemagick poppler-utils zbar-tools)
      # qpdf: the structural check of the PDFs whose text maps the print job corrects.
      packages+=(qpdf)
      # A real input method for the end-to-end run: ibus with Anthy, whose engine runs on the system Python.
      packages+=(dbus-daemon libglib2.0-bin ibus ibus-anthy python3-gi gir1.2-ibus-1.0)
      # The accessibility bus the end-to-end scripts find controls on by role and name (tests/e2e/atspi.py).
      packages+=(at-spi2-core python3-pyatspi)
      # A window manager that frames the windows and keeps a panel's room, for the screens the tests give them.
      packages+=(openbox) ;;
    # The compiler, its sanitizer and fuzzer runtimes, and llvm-symbolizer for the reports' source lines.
    --fuzz) packages+=(clang-14 libclang-rt-14-dev llvm-14) ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The font caches: built once here rather than by the program's first start, which would otherwise scan
# the large CJK fonts for a minute before it shows anything.
fc-cache >/dev/null 2>&1 || true

# The pinned npm packages Dic/Geo.dic is built from (data/geo/package-lock.json), installed again whenever the
# lock file is newer than what is installed.
geo="$(cd "$(dirname "$0")/.." && pwd)/data/geo"
if [[ ! -d "$geo/node_modules" || "$geo/package-lock.json" -nt "$geo/node_modules" ]]; then
  (cd "$geo" && npm ci --no-audit --no-fund)
  touch "$geo/node_modules"
fi
