#!/usr/bin/env bash
# Builds the Debian package of the lucky draw from a Release build in build-package/ and leaves
# build-package/luckydraw_<version>_<arch>.deb. Install it with: sudo apt-get install ./build-package/luckydraw_*.deb
# Usage: scripts/package.sh [--with-tests]
#   --with-tests  also builds the tests labelled quick in this Release build (scripts/test.sh runs them
#                 there); the package is the same either way.
set -euo pipefail
cd "$(dirname "$0")/.."

tests=OFF
case "${1:-}" in
  --with-tests) tests=ON ;;
  "") ;;
  *)
    echo "usage: $0 [--with-tests]" >&2
    exit 2
    ;;
esac
if [ "$tests" = ON ]; then bash scripts/deps.sh test; else bash scripts/deps.sh package; fi

build=build-package
# CMake's default generator (Unix Makefiles), where scripts/test.sh's own build uses Ninja: the build graph
# has to hold with either. A folder configured with another generator is made afresh.
unset CMAKE_GENERATOR
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Unix Makefiles' "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
# The distribution's hardening (stack protector, fortified functions, read-only relocations, immediate binding),
# as a Debian build gets it; no warnings as errors, as another compiler may warn where ours does not.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUCKYDRAW_SANITIZE=OFF -DBUILD_TESTING="$tests" \
  -DLUCKYDRAW_BENCH=OFF -DLUCKYDRAW_WERROR=OFF -DLUCKYDRAW_QUICK_TESTS_ONLY="$tests" \
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
