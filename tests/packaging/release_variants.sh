# Other releases of vorenta-collector, made from the one this build packed, for the upgrade
# checks of package_test.sh and container_test.sh (sourced by both; needs dpkg-deb and root, so
# the files stay owned by root).
#   release_variant DEB OUT VERSION template|conffile
# template: VERSION ships a template that differs from this build's (a line and a key added).
# conffile: VERSION is laid out as releases up to 3.6 were: the settings shipped as the conffile
#           /etc/vorenta/Coletor.ini, here with the differing text too.
# Prints the path of the new package.

# The line the variants add to the template, so a test can tell which text a file came from.
VARIANT_TEMPLATE_LINE=';NovaChaveDeTeste='

# Versions just after and just before the build's, whatever it is: "3.6+teste" sorts after "3.6",
# "3.6~conffile" before it.
later_version() { echo "$(dpkg-deb -f "$1" Version)+teste"; }
earlier_version() { echo "$(dpkg-deb -f "$1" Version)~conffile"; }

release_variant() {
    local deb=$1 out=$2 version=$3 layout=$4 tree
    tree=$(mktemp -d)
    dpkg-deb -R "$deb" "$tree/package"
    local package=$tree/package
    sed -i "s/^Version: .*/Version: $version/" "$package/DEBIAN/control"
    printf '; A key of release %s.\n%s\n' "$version" "$VARIANT_TEMPLATE_LINE" \
        >>"$package/usr/share/vorenta/Coletor.ini"
    if [[ $layout == conffile ]]; then
        mkdir -p "$package/etc/vorenta"
        mv "$package/usr/share/vorenta/Coletor.ini" "$package/etc/vorenta/Coletor.ini"
        echo /etc/vorenta/Coletor.ini >"$package/DEBIAN/conffiles"
    fi
    (cd "$package" && find . -type f ! -path './DEBIAN/*' -printf '%P\0' | sort -z |
        xargs -0 md5sum >DEBIAN/md5sums)
    local target=$out/vorenta-collector_${version}_${layout}.deb
    dpkg-deb --build "$package" "$target" >/dev/null
    rm -rf "$tree"
    echo "$target"
}
