#!/usr/bin/env bash
# Puts Debian's source of pugixml in DEST, for the builds that cannot link the
# build machine's compiled library: Windows, 32-bit x86 and AArch64 compile it
# into the program. Adds deb-src entries for the archives apt already uses
# when it has none. Does nothing when DEST already holds the source.
#
# Usage: scripts/fetch-pugixml-source.sh [DEST (.deps/pugixml)]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
dest=${1:-$source_dir/.deps/pugixml}
[ -f "$dest/src/pugixml.cpp" ] && exit 0

if ! apt-get source --print-uris pugixml >/dev/null 2>&1; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/antorder-deb-src.sources
  fi
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/antorder-deb-src.list
  fi
  # One index failing (a mirror in the middle of a sync, often of another
  # architecture) need not keep the source lists from being read.
  apt-get update || echo "WARNING: apt-get update failed; going on with the lists it could read" >&2
fi
command -v dpkg-source >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends dpkg-dev

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source --download-only pugixml >/dev/null && dpkg-source -x ./pugixml_*.dsc source >/dev/null)
mkdir -p "$(dirname "$dest")"
rm -rf "$dest"
mv "$work/source" "$dest"
echo "pugixml's source is in $dest"
