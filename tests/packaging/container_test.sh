#!/usr/bin/env bash
# The Debian packages under a real systemd: a Debian 12 container booted with systemd as PID 1
# (debootstrap, systemd-nspawn -b --private-network), where apt installs both packages, the
# enabled service stores the readings of two simulated printers on the container's loopback on
# SQLite and then PostgreSQL, stops within seconds, is restarted after kill -9, takes an upgrade
# with a changed template without a terminal, and is removed and purged.
#   container_test.sh OUT_DIR    the packages Package.Build packed
# The container's root is debootstrapped once from this machine's own apt mirror into
# $VORENTA_CONTAINER_CACHE (default /var/cache/vorenta-test/container) and reused; every run
# boots an overlay of it on a tmpfs, so the cache stays as debootstrap left it. The container
# has its own network namespace with loopback only: nothing it runs reaches the LAN.
# Needs root. Without root, debootstrap or systemd-nspawn it exits 77 (skip), unless scripts/test
# runs the suite (VORENTA_REQUIRE_PEERS=1): then that is a failure. A machine that cannot boot the
# container always fails, with the reason.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/release_variants.sh"

CACHE=${VORENTA_CONTAINER_CACHE:-/var/cache/vorenta-test/container}
MACHINE=vorenta-test
# What the container needs beyond the packages' own dependencies: systemd as init, the peers
# (PostgreSQL, snmpsimd, snmpget) and the tools the checks use.
CONTAINER_PACKAGES=(systemd systemd-sysv dbus procps sqlite3 postgresql snmpsim snmp libqt6sql6-psql)
RECORDINGS=("$here/../data/e2e/laser-mono.snmprec" "$here/../data/e2e/color-mfp.snmprec")
CT_PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

fail() {
    echo "FAIL: $*" >&2
    # For a closer look: the container stays up this many seconds (nsenter --target LEADER --all).
    if [[ -n $LEADER && ${VORENTA_CONTAINER_HOLD:-0} -gt 0 ]]; then
        echo "container leader $LEADER kept for $VORENTA_CONTAINER_HOLD s" >&2
        sleep "$VORENTA_CONTAINER_HOLD"
    fi
    exit 1
}
missing() {
    if [[ ${VORENTA_REQUIRE_PEERS:-0} == 1 ]]; then
        fail "required by scripts/test: $*"
    fi
    echo "SKIP: $* (run scripts/test to provide it)" >&2
    exit 77
}
expect_equal() { # what, expected, actual
    [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"
}
collector_deb() { echo "$1"/vorenta-collector_*.deb; }
config_deb() { echo "$1"/vorenta-config_*.deb; }

# The first "deb" source of this machine serving Debian 12 (bookworm) main, one-line or deb822.
machine_mirror() {
    {
        grep -hsE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
            sed -E 's/\[[^]]*\]//' | awk '$3 == "bookworm" && / main( |$)/ { print $2 }'
        awk 'BEGIN { RS = ""; FS = "\n" }
            {
                types = uris = suites = components = ""
                for (i = 1; i <= NF; ++i) {
                    if ($i ~ /^Types:/) types = " " substr($i, 7) " "
                    if ($i ~ /^URIs:/) uris = substr($i, 6)
                    if ($i ~ /^Suites:/) suites = " " substr($i, 8) " "
                    if ($i ~ /^Components:/) components = " " substr($i, 12) " "
                }
                gsub(/\t/, " ", types); gsub(/\t/, " ", suites); gsub(/\t/, " ", components)
                if (types ~ / deb / && suites ~ / bookworm / && components ~ / main /) {
                    split(uris, list, " ")
                    for (u in list) if (list[u] != "") { print list[u]; break }
                }
            }' /etc/apt/sources.list.d/*.sources 2>/dev/null
    } | head -n1
}

# What apt installs with a package by default (Depends, Recommends): first alternatives, no versions.
dependencies_of() {
    { dpkg-deb -f "$1" Depends; echo ,; dpkg-deb -f "$1" Recommends; } | tr ',' '\n' | sed -E 's/\|.*//; s/\(.*\)//; s/[[:space:]]//g' | sed '/^$/d'
}

# Runs a command in the cached root (not booted), with this machine's name resolution, for apt.
in_cache_root() {
    unshare --mount --propagation private sh -c '
        root=$1; shift
        mount --bind /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
        mount --bind /etc/hosts "$root/etc/hosts"
        mount -t proc proc "$root/proc"
        exec chroot "$root" /usr/bin/env -i PATH='"$CT_PATH"' LANG=C.UTF-8 \
            DEBIAN_FRONTEND=noninteractive "$@"' sh "$CACHE/root" "$@"
}

prepare_cache() {
    local out=$1 mirror
    if [[ ! -f $CACHE/root/.vorenta-ready ]]; then
        mirror=$(machine_mirror)
        [[ -n $mirror ]] || fail "no bookworm main source in /etc/apt/sources.list*: nowhere to debootstrap from"
        echo "== debootstrap bookworm from $mirror into $CACHE/root (once; later runs reuse it)"
        mkdir -p "$CACHE"
        rm -rf "$CACHE/root.new"
        local include
        include=$(IFS=,; echo "${CONTAINER_PACKAGES[*]}")
        debootstrap --variant=minbase --include="$include" bookworm "$CACHE/root.new" "$mirror" \
            >"$CACHE/debootstrap.log" 2>&1 || {
            tail -n 30 "$CACHE/debootstrap.log" >&2
            fail "debootstrap bookworm from $mirror"
        }
        rm -rf "$CACHE/root"
        mv "$CACHE/root.new" "$CACHE/root"
        touch "$CACHE/root/.vorenta-ready"
    fi
    # The container has no network: every package apt will want with ours must be in the root
    # already. A build that gained one adds it here, once.
    local wanted=() missing=() package
    mapfile -t wanted < <(printf '%s\n' "${CONTAINER_PACKAGES[@]}"
        dependencies_of "$(collector_deb "$out")"; dependencies_of "$(config_deb "$out")")
    for package in $(printf '%s\n' "${wanted[@]}" | sort -u); do
        chroot "$CACHE/root" dpkg-query -W -f '${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii' ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        echo "== adding to the cached root: ${missing[*]}"
        # Their services are not started in the cache: the booted container starts what it needs.
        printf '#!/bin/sh\nexit 101\n' >"$CACHE/root/usr/sbin/policy-rc.d"
        chmod 755 "$CACHE/root/usr/sbin/policy-rc.d"
        local status=0
        { in_cache_root apt-get update -q && in_cache_root apt-get install -y -q --no-install-recommends \
            "${missing[@]}"; } >"$CACHE/apt.log" 2>&1 </dev/null || status=$?
        rm -f "$CACHE/root/usr/sbin/policy-rc.d"
        ((status == 0)) || {
            tail -n 30 "$CACHE/apt.log" >&2
            fail "apt-get install ${missing[*]} in the cached root"
        }
        in_cache_root apt-get clean
    fi
}

# --- The booted container ------------------------------------------------------------------------

WORK=
LATER= # the version of the release with another template
ROOT=
NSPAWN=
LEADER=
BOOT_LOG=
in_ct() { # a command inside the running container, as root, with a plain environment
    nsenter --target "$LEADER" --all -- /usr/bin/env -i PATH="$CT_PATH" HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
ct_sh() { in_ct sh -c "$1"; }
unit_property() { in_ct systemctl show -p "$2" --value "$1"; }
# Polls a condition (a shell snippet run here) every 0.2 s until it holds or SECONDS pass; then
# fails with what did not happen and the output of REPORT (a shell snippet run at that moment).
wait_for() { # seconds, what did not happen, condition, [report]
    local deadline=$((SECONDS + $1))
    until eval "$3"; do
        ((SECONDS < deadline)) || fail "$2 (within $1 s)"$'\n'"$(eval "${4:-true}" 2>&1)"
        sleep 0.2
    done
}

boot() {
    WORK=$1
    ROOT=$WORK/root
    BOOT_LOG=$WORK/boot.log
    # nspawn keeps its mount propagation folder under /run, and refuses to clean it up where
    # /run is not a tmpfs (here: a container whose PID 1 is not systemd); a private tmpfs serves.
    mkdir -p /run/systemd/nspawn
    mount -t tmpfs tmpfs /run/systemd/nspawn
    # No machined or host systemd to register with here: --register=no, --keep-unit.
    systemd-nspawn --boot --private-network --register=no --keep-unit --console=passive \
        --machine="$MACHINE" --directory="$ROOT" >"$BOOT_LOG" 2>&1 </dev/null &
    NSPAWN=$!
    local deadline=$((SECONDS + 60)) pid
    while [[ -z $LEADER ]]; do
        kill -0 "$NSPAWN" 2>/dev/null || fail "systemd-nspawn ended while booting: $(cat "$BOOT_LOG")"
        ((SECONDS < deadline)) || fail "no systemd as PID 1 in the container: $(cat "$BOOT_LOG")"
        for pid in $(pgrep -P "$NSPAWN" || true) $(pgrep -P "$(pgrep -P "$NSPAWN" | head -n1)" 2>/dev/null || true); do
            [[ $(cat "/proc/$pid/comm" 2>/dev/null) == systemd ]] && LEADER=$pid && break
        done
        sleep 0.2
    done
    wait_for 60 "the container's systemd opened no control socket" 'in_ct test -S /run/systemd/private' \
        'tail -n 40 "$BOOT_LOG"'
    local state
    state=$(timeout 120 nsenter --target "$LEADER" --all -- systemctl is-system-running --wait 2>&1) || true
    case $state in
    running) ;;
    degraded) echo "   booted degraded; failed units: $(in_ct systemctl --failed --no-legend --plain | tr '\n' ' ')" ;;
    *) fail "the container's systemd did not finish booting ('$state'): $(tail -n 40 "$BOOT_LOG")" ;;
    esac
    expect_equal "PID 1 in the container" systemd "$(in_ct cat /proc/1/comm)"
    echo "   systemd $(in_ct systemctl --version | awk 'NR == 1 { print $2 }') is PID 1 in the container"
}

power_off() {
    [[ -n $NSPAWN ]] || return 0
    if kill -0 "$NSPAWN" 2>/dev/null; then
        [[ -n $LEADER ]] && nsenter --target "$LEADER" --all -- systemctl poweroff >/dev/null 2>&1 || true
        local deadline=$((SECONDS + 60))
        while kill -0 "$NSPAWN" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.2; done
        # The container did not halt: end the nspawn this script started.
        kill -KILL "$NSPAWN" 2>/dev/null || true
    fi
    wait "$NSPAWN" 2>/dev/null || true
    NSPAWN=
}

run() {
    local out=$1
    [[ $(id -u) -eq 0 ]] || missing "root (debootstrap, mounts, systemd-nspawn)"
    command -v debootstrap >/dev/null || missing "debootstrap"
    command -v systemd-nspawn >/dev/null || missing "systemd-nspawn (package systemd-container)"
    command -v nsenter >/dev/null || missing "nsenter"
    grep -qw overlay /proc/filesystems || modprobe overlay 2>/dev/null || true
    grep -qw overlay /proc/filesystems || fail "overlayfs is not available for the container's root"
    [[ -f $(collector_deb "$out") && -f $(config_deb "$out") ]] || fail "no packages in $out"
    prepare_cache "$out"
    unshare --mount --propagation private "$0" inside "$(cd "$out" && pwd)"
}

# Runs inside a private mount namespace.
inside() {
    local out=$1 base
    base=$(mktemp -d)
    mount -t tmpfs tmpfs "$base"
    mkdir "$base/upper" "$base/work" "$base/root"
    mount -t overlay overlay -o "lowerdir=$CACHE/root,upperdir=$base/upper,workdir=$base/work" "$base/root"
    trap power_off EXIT
    local packages=$base/root/var/cache/vorenta-test
    mkdir -p "$packages"
    cp "$(collector_deb "$out")" "$packages/collector.deb"
    cp "$(config_deb "$out")" "$packages/config.deb"
    LATER=$(later_version "$packages/collector.deb")
    release_variant "$packages/collector.deb" "$packages" "$LATER" template >/dev/null
    local recording host=2
    for recording in "${RECORDINGS[@]}"; do
        mkdir -p "$base/root/srv/printer-$host/data" "$base/root/srv/printer-$host/cache"
        cp "$recording" "$base/root/srv/printer-$host/data/public.snmprec"
        chmod -R a+rwX "$base/root/srv/printer-$host"
        host=$((host + 1))
    done

    echo "== booting the container (systemd-nspawn -b --private-network)"
    boot "$base"
    install_packages
    start_printers
    store_on_sqlite
    stop_and_kill
    store_on_postgresql
    journal_and_notify
    upgrade_without_terminal
    remove_and_purge
    power_off
    echo "container: install, SQLite and PostgreSQL passes, stop, kill -9, upgrade, remove, purge: ok"
}

install_packages() {
    echo "== apt install both packages, no terminal"
    in_ct apt-get install -y -q /var/cache/vorenta-test/collector.deb /var/cache/vorenta-test/config.deb \
        </dev/null >"$WORK/apt.log" 2>&1 || {
        cat "$WORK/apt.log" >&2
        fail "apt-get install of the packages in the container"
    }
    expect_equal "vorenta.service after install" "disabled inactive" \
        "$(in_ct systemctl is-enabled vorenta || true) $(in_ct systemctl is-active vorenta || true)"
    in_ct cmp -s /usr/share/vorenta/Coletor.ini /etc/vorenta/Coletor.ini ||
        fail "the install did not make /etc/vorenta/Coletor.ini from the template"
    in_ct env QT_QPA_PLATFORM=offscreen ConfigVorenta --help 2>/dev/null | grep -q -- '--home' ||
        fail "the installed ConfigVorenta does not run"
}

start_printers() {
    echo "== two simulated printers on the container's loopback (snmpsimd, 127.0.0.2 and .3)"
    local host
    for host in 2 3; do
        in_ct systemd-run --quiet --unit="printer-$host" --setenv=HOME="/srv/printer-$host" snmpsimd --data-dir="/srv/printer-$host/data" \
            --cache-dir="/srv/printer-$host/cache" --agent-udpv4-endpoint="127.0.0.$host:161" \
            --process-user=nobody --process-group=nogroup
    done
    for host in 2 3; do
        wait_for 60 "snmpsimd did not answer on 127.0.0.$host" \
            "in_ct snmpget -v1 -c public -t 0.5 -r 0 127.0.0.$host 1.3.6.1.2.1.1.1.0 >/dev/null 2>&1" \
            "in_ct journalctl -q -u printer-$host | tail -n 20"
    done
}

write_settings() { # [BANCO] lines
    ct_sh "cat >/etc/vorenta/Coletor.ini <<'EOF'
[COLETOR]
Chave=CLI-CT
IDServ=SITE-CT
LocalInstal=Conteiner
$1
EOF"
}

# Ed7=0: no rest between passes, so a second pass follows the first within seconds.
PROVISION_SQL="insert into Parametros (chave, ck1, Ed1, Ed4, Ed5, Ed7) values ('CLI-CT', 'N', '3', '1', 'conteiner', '0');
insert into RangeIP (CHAVE, IDSERV, IPINI, IPFIN) values ('CLI-CT', 'SITE-CT', '127.0.0.2', '127.0.0.3');"
SERIALS="C300-7788
LM42-0001'A"

sqlite_serials() {
    in_ct sqlite3 /var/lib/vorenta/Vorenta.db "select distinct NSerie from DadosOid order by NSerie" 2>/dev/null
}
postgresql_serials() {
    in_ct runuser -u postgres -- psql -XAtq -d vorenta -c "select distinct NSerie from DadosOid order by NSerie" 2>/dev/null
}

store_on_sqlite() {
    echo "== SQLite: systemctl enable --now vorenta stores both printers"
    write_settings "[BANCO]
Tipo=sqlite"
    ct_sh "runuser -u vorenta -- sh -c 'umask 027 && sqlite3 /var/lib/vorenta/Vorenta.db \
        < /usr/share/vorenta/schema/sqlite.sql'" || fail "the shipped SQLite schema"
    in_ct runuser -u vorenta -- sqlite3 /var/lib/vorenta/Vorenta.db "$PROVISION_SQL"
    in_ct systemctl enable --now vorenta >/dev/null 2>&1 || fail "systemctl enable --now vorenta: $(service_report)"
    wait_for 120 "no reading of both printers in Vorenta.db" '[[ $(sqlite_serials) == "$SERIALS" ]]' service_report
    expect_equal "vorenta.service" "enabled active" \
        "$(in_ct systemctl is-enabled vorenta) $(in_ct systemctl is-active vorenta)"
}

service_report() {
    in_ct systemctl status --no-pager --lines=20 vorenta 2>&1 || true
    in_ct tail -n 20 /var/lib/vorenta/LOG.TXT 2>&1 || true
}

stop_and_kill() {
    echo "== systemctl stop: the service ends within seconds, cleanly"
    local started ended
    started=$(date +%s%N)
    in_ct systemctl stop vorenta
    ended=$(date +%s%N)
    local milliseconds=$(((ended - started) / 1000000))
    echo "   systemctl stop took $milliseconds ms"
    ((milliseconds < 5000)) || fail "systemctl stop took $milliseconds ms, more than 5 s"
    expect_equal "result of the stop" "success" "$(unit_property vorenta Result)"
    in_ct grep -q 'Finalização do serviço Vorenta.' /var/lib/vorenta/LOG.TXT ||
        fail "no clean end in LOG.TXT: $(service_report)"

    echo "== kill -9: systemd starts the collector again"
    in_ct systemctl start vorenta
    local first
    first=$(unit_property vorenta MainPID)
    [[ $first != 0 ]] || fail "no main process after start: $(service_report)"
    in_ct kill -KILL "$first"
    # RestartSec=10, then the start itself.
    wait_for 40 "vorenta.service was not restarted after kill -9" \
        '[[ $(unit_property vorenta ActiveState) == active && $(unit_property vorenta MainPID) != 0 && $(unit_property vorenta MainPID) != "$first" ]]' \
        service_report
    expect_equal "restarts after kill -9" 1 "$(unit_property vorenta NRestarts)"
}

store_on_postgresql() {
    echo "== PostgreSQL in the container: the restarted service stores both printers there"
    in_ct systemctl start postgresql@15-main || fail "PostgreSQL did not start in the container"
    wait_for 60 "PostgreSQL did not accept connections" \
        "in_ct runuser -u postgres -- psql -XAtq -c 'select 1' >/dev/null 2>&1"
    in_ct runuser -u postgres -- psql -Xq -v ON_ERROR_STOP=1 \
        -c "create role vorenta login password 'senha-ct'" -c "create database vorenta owner vorenta" >/dev/null
    ct_sh "PGPASSWORD=senha-ct psql -Xq -v ON_ERROR_STOP=1 -h 127.0.0.1 -U vorenta -d vorenta \
        -f /usr/share/vorenta/schema/postgresql.sql" >/dev/null || fail "the shipped PostgreSQL schema"
    in_ct env PGPASSWORD=senha-ct psql -Xq -v ON_ERROR_STOP=1 -h 127.0.0.1 -U vorenta -d vorenta \
        -c "$PROVISION_SQL" >/dev/null
    write_settings "[BANCO]
Tipo=postgresql
Servidor=127.0.0.1
Porta=5432
BancoDados=vorenta
Usuario=vorenta
Senha=senha-ct"
    in_ct systemctl restart vorenta
    wait_for 120 "no reading of both printers in PostgreSQL" '[[ $(postgresql_serials) == "$SERIALS" ]]' service_report
}

# What the collector tells systemd: every LOG.TXT line on standard error (the journal), READY and
# the last pass's summary as STATUS, a watchdog.
journal_and_notify() {
    echo "== journal and sd_notify"
    expect_equal "Type of vorenta.service" notify "$(unit_property vorenta Type)"
    local watchdog
    watchdog=$(unit_property vorenta WatchdogUSec)
    [[ $watchdog != 0 && $watchdog != infinity ]] || fail "vorenta.service has no watchdog (WatchdogUSec=$watchdog)"
    in_ct journalctl -q -u vorenta -o cat | grep 'Coletando dados de 127.0.0.2' >/dev/null ||
        fail "the collector's lines do not reach the journal: $(in_ct journalctl -q -u vorenta -o cat | tail -n 20)"
    wait_for 60 "systemctl shows no pass summary" '[[ $(unit_property vorenta StatusText) == "Busca concluída:"* ]]' \
        'echo "StatusText=$(unit_property vorenta StatusText)"'
    in_ct systemctl status --no-pager vorenta | grep 'Status: "Busca concluída:' >/dev/null ||
        fail "systemctl status does not show the summary: $(in_ct systemctl status --no-pager vorenta)"
}

upgrade_without_terminal() {
    echo "== apt-get install -y of a release with another template, no terminal"
    in_ct cp -p /etc/vorenta/Coletor.ini /root/edited.ini
    local before
    before=$(unit_property vorenta MainPID)
    in_ct apt-get install -y -q "/var/cache/vorenta-test/vorenta-collector_${LATER}_template.deb" \
        </dev/null >"$WORK/apt.log" 2>&1 || {
        cat "$WORK/apt.log" >&2
        fail "the unattended upgrade"
    }
    expect_equal "version after the upgrade" "$LATER" \
        "$(in_ct dpkg-query -W -f '${Version}' vorenta-collector)"
    in_ct cmp -s /root/edited.ini /etc/vorenta/Coletor.ini || fail "the upgrade changed the edited settings"
    in_ct grep -qxF "$VARIANT_TEMPLATE_LINE" /usr/share/vorenta/Coletor.ini || fail "the upgrade brought no new template"
    wait_for 30 "the upgraded collector is not running" \
        '[[ $(unit_property vorenta ActiveState) == active && $(unit_property vorenta MainPID) != "$before" ]]' \
        service_report
}

remove_and_purge() {
    echo "== apt-get remove, then purge"
    in_ct apt-get remove -y -q vorenta-collector </dev/null >"$WORK/apt.log" 2>&1 || {
        cat "$WORK/apt.log" >&2
        fail "apt-get remove"
    }
    [[ $(in_ct systemctl is-active vorenta || true) != active ]] || fail "remove left the collector running"
    in_ct test -f /var/lib/vorenta/LOG.TXT || fail "remove deleted the program folder"
    in_ct test -f /etc/vorenta/Coletor.ini || fail "remove deleted the settings"
    in_ct apt-get purge -y -q vorenta-collector vorenta-config </dev/null >"$WORK/apt.log" 2>&1 || {
        cat "$WORK/apt.log" >&2
        fail "apt-get purge"
    }
    ! in_ct test -e /var/lib/vorenta || fail "purge left /var/lib/vorenta"
    ! in_ct test -e /etc/vorenta || fail "purge left /etc/vorenta"
    ! in_ct getent passwd vorenta >/dev/null || fail "purge left the user vorenta"
    local links
    links=$(in_ct find /etc/systemd -name 'vorenta*')
    [[ -z $links ]] || fail "purge left $links"
    [[ -z $(in_ct systemctl list-unit-files --no-legend vorenta.service) ]] || fail "purge left the unit known to systemd"
}

case ${1:-} in
inside) inside "$2" ;;
*)
    [[ -n ${1:-} ]] || {
        echo "usage: $0 OUT_DIR" >&2
        exit 2
    }
    run "$1"
    ;;
esac
