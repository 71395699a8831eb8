#!/usr/bin/env bash
# Builds the Debian package of the lucky draw from a Release build in build-package/ and leaves
# build-package/luckydraw_<version>_<arch>.deb. Install it with: sudo apt-get install ./build-package/luckydraw_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh package

build=build-package
# The distribution's hardening (stack protector, fortified functions, read-only relocations, immediate binding),
# as a Debian build gets it; no warnings as errors, as another compiler may warn where ours does not.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUCKYDRAW_SANITIZE=OFF -DLUCKYDRAW_TESTS=OFF \
  -DLUCKYDRAW_BENCH=OFF -DLUCKYDRAW_WERROR=OFF \
  -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
  -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/luckydraw_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || {
  cat "$build/cpack.log" >&2
  exit 1
}
deb=$(ls "$build"/luckydraw_*.deb)
echo "$deb"
