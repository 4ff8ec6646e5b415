#!/usr/bin/env bash
# Builds the Debian package the way a distribution builds one: a release build with the flags
# dpkg-buildflags gives (stack protector, _FORTIFY_SOURCE, full RELRO with BIND_NOW, and build
# paths mapped out of the program), warnings not treated as errors, then cpack. The package
# lands in the build folder, build-deb unless WIMBLY_BUILD_DEB names another.
#
# The times recorded in the package come from SOURCE_DATE_EPOCH; unset, it is the date of the
# newest entry in packaging/changelog.Debian.in, so two builds of the same sources give the same
# package, whenever and wherever they run.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=${WIMBLY_BUILD_DEB:-build-deb}

if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
    stamp=$(sed -n 's/^ -- .*  \(.*\)$/\1/p' packaging/changelog.Debian.in | head -n 1)
    SOURCE_DATE_EPOCH=$(date -u -d "$stamp" +%s)
fi
export SOURCE_DATE_EPOCH
# Files and folders get the same permissions under any umask, as dpkg-buildpackage makes sure.
umask 022

# hardening=+all adds BIND_NOW to what Debian turns on by default. dpkg-buildflags maps the
# folder it runs in (the source folder) to "." in file names the compiler records.
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

# The configure options of a packaged build.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_TESTING=OFF
    -DWIMBLY_WERROR=OFF
    -DWIMBLY_PER_USER_TABLE=ON
)

cmake -S "$source_dir" -B "$build" -G Ninja "${options[@]}" \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
cmake --build "$build"
(cd "$build" && cpack -G DEB)
ls "$build"/wimbly_*.deb
