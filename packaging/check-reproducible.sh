#!/usr/bin/env bash
# Checks that the Debian package is reproducible: builds it twice with scripts/package.sh from
# two fresh clones of the current commit, in folders of different names and depths, under
# different time zones, locales and umasks, with the same SOURCE_DATE_EPOCH (the caller's, else
# the one scripts/package.sh picks), and compares the two packages byte for byte and, to name
# what differs, their file lists and unpacked contents. Uncommitted changes are not part of the
# check. Takes two full builds of the program (about two minutes on two cores), too long for
# every test run; the scratch folder can be moved with TMPDIR.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$source_dir" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build() { # folder, time zone, locale, umask
    git clone --quiet --no-hardlinks "$source_dir" "$1"
    git -C "$1" checkout --quiet --detach "$commit"
    (umask "$4" && TZ=$2 LC_ALL=$3 "$1/scripts/package.sh") >"$work/$(basename "$1").log" 2>&1 ||
        { cat "$work/$(basename "$1").log"; return 1; }
}
echo "Building $commit twice (SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-as scripts/package.sh sets it})"
build "$work/first" UTC C.UTF-8 022
mkdir -p "$work/a/much/deeper/place"
build "$work/a/much/deeper/place/second-tree" Pacific/Kiritimati POSIX 002

first=$(ls "$work"/first/build-deb/wimbly_*.deb)
second=$(ls "$work"/a/much/deeper/place/second-tree/build-deb/wimbly_*.deb)
status=0
for deb in "$first" "$second"; do
    name=$(basename "$(dirname "$(dirname "$deb")")")
    dpkg-deb -R "$deb" "$work/unpacked-$name"
    # Names, permissions, owners, sizes and times of every member and every packed file.
    {
        ar tv "$deb"
        dpkg-deb --ctrl-tarfile "$deb" | tar -tv --full-time
        dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time
    } >"$work/listing-$name"
done
if ! diff "$work/listing-first" "$work/listing-second-tree"; then
    echo "The packages' file lists differ."
    status=1
fi
if ! diff -r "$work/unpacked-first" "$work/unpacked-second-tree"; then
    echo "The packages hold different files."
    status=1
fi
if ! cmp "$first" "$second"; then
    echo "The package files differ."
    status=1
fi
if [[ $status -eq 0 ]]; then
    echo "Reproducible: both builds made $(basename "$first"), $(sha256sum <"$first" | cut -c1-64)"
fi
exit $status
