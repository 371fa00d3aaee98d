# Debian packages the build, the tests and the demo need. Sourced by scripts/test and scripts/demo.
VORENTA_PACKAGES=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
    libpq-dev libsqlite3-dev libssl-dev
    unixodbc unixodbc-dev tdsodbc freetds-bin
    libgtest-dev libgmock-dev libbenchmark-dev
    postgresql sqlite3
    sqlfluff
    snmp snmpd snmpsim
    clang libclang-rt-14-dev
    python3 procps iproute2 systemd libsystemd-dev
    nodejs
    libfaketime
    xvfb xdotool
    dpkg-dev lintian desktop-file-utils
    debootstrap systemd-container
)

# Installs the packages that are missing; a no-op when all are there.
ensure_packages() {
    local missing=()
    local p
    for p in "${VORENTA_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        if [[ $(id -u) -ne 0 ]]; then
            echo "missing Debian packages (install them as root): ${missing[*]}" >&2
            return 1
        fi
        echo "== installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        # The packages' own services (a default PostgreSQL cluster, snmpd on 127.0.0.1) are not
        # wanted: the tests start their own. Keep the installs from starting them.
        local policy=/usr/sbin/policy-rc.d added_policy=0
        if [[ ! -e $policy ]]; then
            printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod +x "$policy" && added_policy=1
        fi
        local status=0
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || status=$?
        ((added_policy)) && rm -f "$policy"
        return "$status"
    fi
}

# The T-SQL parser the tests check the SQL Server statements with (no SQL Server runs here), in
# $1/.cache/node; a no-op when it is there. npm comes with the machine's nodejs or from Debian.
VORENTA_NODE_MODULES=(node-sql-parser@5.4.0)
ensure_node_modules() {
    local dir=$1/.cache/node
    [[ -f $dir/node_modules/node-sql-parser/package.json ]] && return 0
    if ! command -v npm >/dev/null; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm >/dev/null
    fi
    echo "== installing ${VORENTA_NODE_MODULES[*]} into $dir"
    mkdir -p "$dir"
    npm install --prefix "$dir" --no-audit --no-fund --no-save "${VORENTA_NODE_MODULES[@]}" >/dev/null
}

# Configures and builds into $1 (default build/).
build_project() {
    local root=$1 build=$2
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$(nproc)"
}
