#!/usr/bin/env bash
# The Debian packages, checked the way an administrator meets them.
#   package_test.sh pack BUILD_DIR OUT_DIR   CPack the build's programs into OUT_DIR
#   package_test.sh contents OUT_DIR         file list, control fields, no conffile, unit, lintian
#   package_test.sh lifecycle OUT_DIR        apt install, configure, a service pass as user
#                                            vorenta, upgrades (a changed template, the conffile
#                                            of earlier releases), remove, purge: in a throwaway root
# The throwaway root is an overlay of this machine's own root in a private mount namespace: the
# packages' real maintainer scripts run there with a recording systemctl, and nothing of it
# reaches the machine. Needs root. Exit 77 (skip) when a tool is missing, unless scripts/test
# runs the suite (VORENTA_REQUIRE_PEERS=1): then that is a failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/release_variants.sh"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
missing() {
    if [[ ${VORENTA_REQUIRE_PEERS:-0} == 1 ]]; then
        fail "required by scripts/test: $*"
    fi
    echo "SKIP: $* (run scripts/test to provide it)" >&2
    exit 77
}
need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || missing "$tool"
    done
}
expect_equal() { # what, expected, actual
    [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"
}
collector_deb() { echo "$1"/vorenta-collector_*.deb; }
config_deb() { echo "$1"/vorenta-config_*.deb; }

pack() {
    local build=$1 out=$2
    need cpack dpkg-shlibdeps
    rm -rf "$out" && mkdir -p "$out"
    (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log") || {
        cat "$out/cpack.log" >&2
        fail "cpack"
    }
    rm -rf "$out/_CPack_Packages"
    [[ -f $(collector_deb "$out") && -f $(config_deb "$out") ]] || fail "cpack made no .deb files"
}

# The paths each package must ship, with their modes.
EXPECTED_COLLECTOR_FILES='
-rwxr-xr-x ./usr/bin/VorentaServer
-rw-r--r-- ./lib/systemd/system/vorenta.service
-rw-r--r-- ./usr/lib/sysusers.d/vorenta.conf
-rw-r--r-- ./usr/share/vorenta/Coletor.ini
-rw-r--r-- ./usr/share/vorenta/schema/sqlite.sql
-rw-r--r-- ./usr/share/vorenta/schema/postgresql.sql
-rw-r--r-- ./usr/share/vorenta/schema/sqlserver.sql
-rw-r--r-- ./usr/share/doc/vorenta-collector/README.md
-rw-r--r-- ./usr/share/doc/vorenta-collector/database.md
-rw-r--r-- ./usr/share/doc/vorenta-collector/copyright
-rw-r--r-- ./usr/share/doc/vorenta-collector/changelog.gz
-rw-r--r-- ./usr/share/man/man1/VorentaServer.1.gz'
EXPECTED_CONFIG_FILES='
-rwxr-xr-x ./usr/bin/ConfigVorenta
-rw-r--r-- ./usr/share/applications/vorenta-config.desktop
-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/vorenta-config.svg
-rw-r--r-- ./usr/share/doc/vorenta-config/config_tool.md
-rw-r--r-- ./usr/share/doc/vorenta-config/copyright
-rw-r--r-- ./usr/share/doc/vorenta-config/changelog.gz
-rw-r--r-- ./usr/share/man/man1/ConfigVorenta.1.gz'

# Control fields: "Field|text the field must contain".
EXPECTED_COLLECTOR_FIELDS='
Package|vorenta-collector
Version|3.6
Section|net
Depends|libqt6sql6-sqlite
Depends|systemd | systemd-standalone-sysusers
Depends|libqt6core6
Depends|libqt6sql6
Depends|libsystemd0
Recommends|libqt6sql6-odbc, tdsodbc
Suggests|libqt6sql6-psql'
EXPECTED_CONFIG_FIELDS='
Package|vorenta-config
Version|3.6
Depends|libqt6sql6-sqlite
Depends|qt6-qpa-plugins
Depends|libqt6widgets6
Depends|libqt6network6
Recommends|libqt6sql6-odbc, tdsodbc
Suggests|libqt6sql6-psql'

# The packaged unit's directives that matter: who runs it, where, and the sandbox.
EXPECTED_UNIT_LINES='
User=vorenta
Group=vorenta
StateDirectory=vorenta
StateDirectoryMode=0750
ExecStart=/usr/bin/VorentaServer --home /var/lib/vorenta
WorkingDirectory=/var/lib/vorenta
Type=notify
NotifyAccess=main
WatchdogSec=15min
Restart=on-failure
RestartPreventExitStatus=78
KillSignal=SIGTERM
UMask=0027
NoNewPrivileges=yes
CapabilityBoundingSet=
ProtectSystem=strict
ProtectHome=yes
PrivateTmp=yes
PrivateDevices=yes
RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX AF_NETLINK
RestrictNamespaces=yes
MemoryDenyWriteExecute=yes
SystemCallFilter=@system-service
WantedBy=multi-user.target'

check_files() { # deb, expected list
    local listing line
    listing=$(dpkg-deb -c "$1" | awk '{ print $1, $6 }')
    while read -r line; do
        [[ -z $line ]] && continue
        grep -qxF -- "$line" <<<"$listing" || fail "$(basename "$1") lacks '$line'; it has:"$'\n'"$listing"
    done <<<"$2"
    # Nothing owned by anyone but root in the archive; the service user exists only after postinst.
    if dpkg-deb -c "$1" | awk '{ print $2 }' | grep -v '^root/root$' >/dev/null; then
        fail "$(basename "$1") ships files not owned by root"
    fi
}

check_fields() { # deb, expected list
    local field text value
    while IFS='|' read -r field text; do
        [[ -z $field ]] && continue
        value=$(dpkg-deb -f "$1" "$field")
        [[ $value == *"$text"* ]] || fail "$(basename "$1") $field is '$value', lacks '$text'"
    done <<<"$2"
}

contents() {
    local out=$1 work
    need dpkg-deb lintian desktop-file-validate
    local collector config
    collector=$(collector_deb "$out")
    config=$(config_deb "$out")
    check_files "$collector" "$EXPECTED_COLLECTOR_FILES"
    check_files "$config" "$EXPECTED_CONFIG_FILES"
    check_fields "$collector" "$EXPECTED_COLLECTOR_FIELDS"
    check_fields "$config" "$EXPECTED_CONFIG_FIELDS"

    work=$(mktemp -d)
    trap 'rm -rf "$work"' RETURN
    dpkg-deb -e "$collector" "$work/control"
    dpkg-deb -x "$collector" "$work/collector"
    dpkg-deb -x "$config" "$work/config"

    # Every site edits Coletor.ini: a conffile would stop an unattended upgrade at dpkg's prompt.
    [[ ! -s $work/control/conffiles ]] || fail "the package has conffiles: $(cat "$work/control/conffiles")"
    [[ ! -e $work/collector/etc ]] || fail "the package ships files in /etc: $(cd "$work/collector" && find etc)"
    local script
    for script in postinst prerm postrm; do
        [[ -x $work/control/$script ]] || fail "no executable $script"
        sh -n "$work/control/$script" || fail "$script is not valid sh"
    done

    # Every key of the shipped settings is there, and commented out: nothing is configured.
    local ini=$work/collector/usr/share/vorenta/Coletor.ini key
    local live
    live=$(grep -vE '^[[:space:]]*([;#]|\[|$)' "$ini" || true)
    [[ -z $live ]] || fail "Coletor.ini sets values: $live"
    for key in Chave IDServ LocalInstal DataExp Simultaneos Tipo Servidor Porta BancoDados Usuario Senha TempoConexao \
        TempoComando Perfis V1Public Versao Comunidade Autenticacao SenhaAutenticacao Privacidade SenhaPrivacidade \
        Contexto Faixas; do
        grep -qE "^;$key=" "$ini" || fail "Coletor.ini does not mention $key"
    done

    local unit=$work/collector/lib/systemd/system/vorenta.service line
    while read -r line; do
        [[ -z $line ]] && continue
        grep -qxF -- "$line" "$unit" || fail "the packaged unit lacks '$line'"
    done <<<"$EXPECTED_UNIT_LINES"
    if grep -n '@' "$unit" | grep -v '^[0-9]*:SystemCallFilter=' >/dev/null; then
        fail "the packaged unit has an unfilled placeholder: $(grep -n '@' "$unit")"
    fi

    desktop-file-validate "$work/config/usr/share/applications/vorenta-config.desktop" ||
        fail "desktop entry"

    # Warnings and errors fail; informational tags are shown for the record.
    local report status=0
    report=$(lintian --fail-on error,warning --display-info "$collector" "$config" 2>&1) || status=$?
    grep -v 'running with root privileges' <<<"$report" || true
    ((status == 0)) || fail "lintian"
    echo "contents, control fields, no conffile, unit and lintian: ok"
}

# --- The throwaway root -------------------------------------------------------------------------

# A systemctl that records its calls and says what the test wants: enabled when
# /run/fake-systemctl.enabled exists, active when /run/fake-systemctl.active does.
FAKE_SYSTEMCTL='#!/bin/sh
echo "$*" >>/run/fake-systemctl.log
for argument in "$@"; do
    case "$argument" in
    is-enabled) if [ -e /run/fake-systemctl.enabled ]; then echo enabled; exit 0; fi
                echo disabled; exit 1 ;;
    is-active) if [ -e /run/fake-systemctl.active ]; then echo active; exit 0; fi
               echo inactive; exit 3 ;;
    esac
done
exit 0'

ROOT=
ROOT_PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
in_root() { # runs a command in the throwaway root, as root, with a plain environment
    chroot "$ROOT" /usr/bin/env -i PATH="$ROOT_PATH" \
        HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}
systemctl_calls() { in_root cat /run/fake-systemctl.log 2>/dev/null || true; }
forget_systemctl_calls() { in_root rm -f /run/fake-systemctl.log; }
called() { systemctl_calls | grep -qE "(^| )$1( |$)"; }
# apt runs dpkg with a PATH of its own: keep the recording systemctl first on it. No terminal,
# as an unattended upgrade has none: a dpkg question ends the install with an error.
apt_install() { in_root apt-get install -y -q -o DPkg::Path="$ROOT_PATH" "$@" </dev/null; }
installed_version() { in_root dpkg-query -W -f '${Version} ${db:Status-Abbrev}' vorenta-collector; }
same_file() { cmp -s "$ROOT/$1" "$ROOT/$2"; }
# Nothing dpkg would leave beside settings it asked about.
no_settings_copies() {
    local copies
    copies=$(in_root find /etc/vorenta -name 'Coletor.ini?*')
    [[ -z $copies ]] || fail "$1 left copies of the settings: $copies"
}
stat_of() { in_root stat -c '%a %U %G' "$1"; }

lifecycle() {
    local out=$1
    [[ $(id -u) -eq 0 ]] || missing "root (the throwaway root needs mounts)"
    need unshare chroot
    grep -qw overlay /proc/filesystems || modprobe overlay 2>/dev/null || true
    grep -qw overlay /proc/filesystems || missing "overlayfs"
    unshare --mount --propagation private "$0" lifecycle-inside "$(cd "$out" && pwd)"
}

# Runs inside the private mount namespace.
lifecycle_inside() {
    local out=$1 base
    base=$(mktemp -d)
    mount -t tmpfs tmpfs "$base"
    mkdir "$base/upper" "$base/work" "$base/root"
    mount -t overlay overlay -o "lowerdir=/,upperdir=$base/upper,workdir=$base/work" "$base/root"
    ROOT=$base/root
    mount -t proc proc "$ROOT/proc"
    mount --rbind /dev "$ROOT/dev"
    mount --rbind /sys "$ROOT/sys"
    mount -t tmpfs tmpfs "$ROOT/run"
    mount -t tmpfs tmpfs "$ROOT/tmp"
    # systemd "runs" there, as far as the maintainer scripts can tell.
    mkdir -p "$ROOT/run/systemd/system" "$ROOT/run/lock"
    printf '%s\n' "$FAKE_SYSTEMCTL" >"$ROOT/usr/local/sbin/systemctl"
    chmod 755 "$ROOT/usr/local/sbin/systemctl"
    rm -f "$ROOT/usr/sbin/policy-rc.d"
    mkdir -p "$ROOT/var/cache/vorenta-test"
    cp "$(collector_deb "$out")" "$ROOT/var/cache/vorenta-test/collector.deb"
    cp "$(config_deb "$out")" "$ROOT/var/cache/vorenta-test/config.deb"
    if in_root getent passwd vorenta >/dev/null; then
        fail "this machine already has a user vorenta: the test needs a machine without the package"
    fi

    echo "== apt install ./vorenta-collector (enabled or not, an unnamed collector is not started)"
    touch "$ROOT/run/fake-systemctl.enabled"
    apt_install /var/cache/vorenta-test/collector.deb >"$base/apt.log" 2>&1 || {
        cat "$base/apt.log" >&2
        fail "apt-get install ./vorenta-collector"
    }
    local account
    account=$(in_root getent passwd vorenta) || fail "no user vorenta after install"
    IFS=: read -r _ _ uid gid _ home shell <<<"$account"
    ((uid < 1000)) || fail "vorenta is not a system user: uid $uid"
    expect_equal "vorenta's home" /var/lib/vorenta "$home"
    expect_equal "vorenta's shell" /usr/sbin/nologin "$shell"
    expect_equal "vorenta's group" "$gid" "$(in_root getent group vorenta | cut -d: -f3)"
    expect_equal "Coletor.ini" "640 root vorenta" "$(stat_of /etc/vorenta/Coletor.ini)"
    same_file /etc/vorenta/Coletor.ini /usr/share/vorenta/Coletor.ini ||
        fail "the installed settings are not the shipped template"
    [[ -z $(in_root dpkg-statoverride --list /etc/vorenta/Coletor.ini) ]] ||
        fail "the settings have a stat override: dpkg does not own them"
    expect_equal "program folder" "750 vorenta vorenta" "$(stat_of /var/lib/vorenta)"
    expect_equal "settings link" /etc/vorenta/Coletor.ini "$(in_root readlink /var/lib/vorenta/Coletor.ini)"
    [[ ! -e $ROOT/etc/systemd/system/multi-user.target.wants/vorenta.service ]] ||
        fail "the package enabled the service by itself"
    called daemon-reload || fail "no daemon-reload; systemctl calls: $(systemctl_calls)"
    ! called start || fail "an unnamed collector was started; systemctl calls: $(systemctl_calls)"
    ! called enable || fail "the package enabled the service; systemctl calls: $(systemctl_calls)"

    echo "== systemd-analyze on the installed unit"
    in_root systemd-analyze verify /lib/systemd/system/vorenta.service >"$base/verify.log" 2>&1 || {
        cat "$base/verify.log" >&2
        fail "systemd-analyze verify"
    }
    if grep -i 'vorenta' "$base/verify.log"; then
        fail "systemd-analyze verify complains about the unit"
    fi
    local exposure
    exposure=$(in_root systemd-analyze security --offline=yes /lib/systemd/system/vorenta.service 2>/dev/null |
        sed -n 's/.*Overall exposure level for vorenta.service: \([0-9.]*\).*/\1/p')
    [[ -n $exposure ]] || fail "no exposure level from systemd-analyze security"
    echo "systemd-analyze security: exposure $exposure"
    # Measured: 1.3 (OK). Above 2 means a sandbox directive was lost.
    awk -v level="$exposure" 'BEGIN { exit !(level <= 2.0) }' || fail "exposure $exposure is above 2.0"

    echo "== the administrator names the collector; the service runs a pass as user vorenta"
    cat >"$ROOT/etc/vorenta/Coletor.ini" <<'EOF'
[COLETOR]
Chave=CLI-PKG
IDServ=SITE-PKG
LocalInstal=Pacote
[BANCO]
Tipo=sqlite
EOF
    # The embedded database from the shipped schema, with one loopback range, so that the pass
    # visits 127.0.0.1 only.
    in_root runuser -u vorenta -- sh -c 'umask 027 && sqlite3 /var/lib/vorenta/Vorenta.db \
        < /usr/share/vorenta/schema/sqlite.sql' || fail "the shipped SQLite schema"
    in_root runuser -u vorenta -- sqlite3 /var/lib/vorenta/Vorenta.db \
        "insert into RangeIP (CHAVE, IDSERV, IPINI, IPFIN) values ('CLI-PKG', 'SITE-PKG', '127.0.0.1', '127.0.0.1')"
    # What `systemctl enable vorenta` makes; purge must take it away with the package.
    in_root mkdir -p /etc/systemd/system/multi-user.target.wants
    in_root ln -s /lib/systemd/system/vorenta.service /etc/systemd/system/multi-user.target.wants/vorenta.service
    run_unit_as_service "$base"
    local log=$ROOT/var/lib/vorenta/LOG.TXT
    grep -q 'Teste de Conexão OK' "$log" || fail "no database connection in the pass: $(cat "$log")"
    grep -q 'Coletando dados de 127.0.0.1' "$log" || fail "the pass did not visit the range: $(cat "$log")"
    grep -q 'Finalização do serviço Vorenta.' "$log" || fail "the service did not stop cleanly: $(cat "$log")"
    local file
    for file in LOG.TXT Contatos.ini Vorenta.db; do
        local mode
        mode=$(stat_of "/var/lib/vorenta/$file")
        [[ $mode == 6[04]0\ vorenta\ vorenta ]] || fail "$file is '$mode', not private to vorenta"
    done

    echo "== upgrade: a running collector is restarted, a named and enabled one started"
    touch "$ROOT/run/fake-systemctl.active"
    forget_systemctl_calls
    in_root dpkg -i /var/cache/vorenta-test/collector.deb >"$base/dpkg.log" 2>&1 || {
        cat "$base/dpkg.log" >&2
        fail "dpkg -i (upgrade)"
    }
    called try-restart || fail "no restart on upgrade; systemctl calls: $(systemctl_calls)"
    called start || fail "a named, enabled collector was not started; systemctl calls: $(systemctl_calls)"
    grep -q 'Chave=CLI-PKG' "$ROOT/etc/vorenta/Coletor.ini" || fail "the upgrade replaced the edited settings"
    expect_equal "Coletor.ini after upgrade" "640 root vorenta" "$(stat_of /etc/vorenta/Coletor.ini)"

    echo "== reinstall with the settings deleted: made again from the template"
    cp -p "$ROOT/etc/vorenta/Coletor.ini" "$base/edited.ini"
    rm "$ROOT/etc/vorenta/Coletor.ini"
    apt_install --reinstall /var/cache/vorenta-test/collector.deb >"$base/apt.log" 2>&1 || {
        cat "$base/apt.log" >&2
        fail "apt-get install --reinstall with the settings deleted"
    }
    same_file /etc/vorenta/Coletor.ini /usr/share/vorenta/Coletor.ini ||
        fail "the deleted settings were not made again from the template"
    expect_equal "Coletor.ini made again" "640 root vorenta" "$(stat_of /etc/vorenta/Coletor.ini)"
    cp -p "$base/edited.ini" "$ROOT/etc/vorenta/Coletor.ini"

    echo "== unattended upgrade to a release whose template differs: no question, edits kept"
    local next later
    later=$(later_version "$ROOT/var/cache/vorenta-test/collector.deb")
    next=$(release_variant "$ROOT/var/cache/vorenta-test/collector.deb" "$ROOT/var/cache/vorenta-test" "$later" template)
    apt_install "/var/cache/vorenta-test/$(basename "$next")" >"$base/apt.log" 2>&1 || {
        cat "$base/apt.log" >&2
        fail "apt-get install -y of a release with another template, without a terminal"
    }
    expect_equal "version after the upgrade" "$later ii " "$(installed_version)"
    grep -qxF "$VARIANT_TEMPLATE_LINE" "$ROOT/usr/share/vorenta/Coletor.ini" ||
        fail "the upgrade did not bring the new template"
    cmp -s "$base/edited.ini" "$ROOT/etc/vorenta/Coletor.ini" ||
        fail "the upgrade changed the edited settings: $(diff "$base/edited.ini" "$ROOT/etc/vorenta/Coletor.ini")"
    expect_equal "Coletor.ini after the template changed" "640 root vorenta" "$(stat_of /etc/vorenta/Coletor.ini)"
    no_settings_copies "the upgrade"

    echo "== remove: stopped, program folder and settings kept"
    forget_systemctl_calls
    in_root dpkg -r vorenta-collector >"$base/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$base/dpkg.log")"
    called stop || fail "remove did not stop the service; systemctl calls: $(systemctl_calls)"
    [[ ! -e $ROOT/lib/systemd/system/vorenta.service && ! -e $ROOT/usr/bin/VorentaServer ]] ||
        fail "remove left the program or the unit"
    [[ -f $ROOT/var/lib/vorenta/LOG.TXT && -f $ROOT/var/lib/vorenta/Vorenta.db ]] ||
        fail "remove deleted the program folder"
    [[ -f $ROOT/etc/vorenta/Coletor.ini ]] || fail "remove deleted the settings"
    in_root getent passwd vorenta >/dev/null || fail "remove deleted the service user"

    echo "== purge: program folder, settings, user and group gone"
    in_root dpkg -P vorenta-collector >"$base/dpkg.log" 2>&1 || fail "dpkg -P: $(cat "$base/dpkg.log")"
    [[ ! -e $ROOT/var/lib/vorenta ]] || fail "purge left /var/lib/vorenta"
    [[ ! -e $ROOT/etc/vorenta ]] || fail "purge left /etc/vorenta: $(ls -la "$ROOT/etc/vorenta")"
    ! in_root getent passwd vorenta >/dev/null || fail "purge left the user vorenta"
    ! in_root getent group vorenta >/dev/null || fail "purge left the group vorenta"
    [[ -z $(in_root dpkg-statoverride --list /etc/vorenta/Coletor.ini) ]] || fail "purge left the stat override"
    [[ -z $(in_root find /etc/systemd -name 'vorenta*') ]] || fail "purge left links: $(in_root find /etc/systemd -name 'vorenta*')"

    echo "== apt install ./vorenta-config, then purge"
    apt_install /var/cache/vorenta-test/config.deb >"$base/apt.log" 2>&1 || {
        cat "$base/apt.log" >&2
        fail "apt-get install ./vorenta-config"
    }
    in_root env QT_QPA_PLATFORM=offscreen ConfigVorenta --help | grep -q -- '--home' || fail "ConfigVorenta --help"
    in_root dpkg -P vorenta-config >"$base/dpkg.log" 2>&1 || fail "dpkg -P vorenta-config: $(cat "$base/dpkg.log")"
    [[ ! -e $ROOT/usr/bin/ConfigVorenta ]] || fail "purge left ConfigVorenta"

    upgrade_from_conffile_release "$base"
    echo "install, service pass, upgrade, remove and purge: ok"
}

# Sites installed with releases up to 3.6 have the settings as a conffile (kept 0640 by a stat
# override) and edited: the upgrade to this build, without a terminal, must ask nothing and keep
# them; purge then removes them.
upgrade_from_conffile_release() {
    local base=$1 earlier
    echo "== unattended upgrade from a release that shipped the settings as a conffile"
    earlier=$(release_variant "$ROOT/var/cache/vorenta-test/collector.deb" "$ROOT/var/cache/vorenta-test" \
        "$(earlier_version "$ROOT/var/cache/vorenta-test/collector.deb")" conffile)
    apt_install "/var/cache/vorenta-test/$(basename "$earlier")" >"$base/apt.log" 2>&1 || {
        cat "$base/apt.log" >&2
        fail "apt-get install of the conffile release"
    }
    expect_equal "conffiles of the earlier release" /etc/vorenta/Coletor.ini \
        "$(in_root dpkg-query -W -f '${Conffiles}' vorenta-collector | awk 'NF { print $1 }')"
    in_root dpkg-statoverride --update --add root vorenta 0640 /etc/vorenta/Coletor.ini
    printf '[COLETOR]\nChave=CLI-OLD\nIDServ=SITE-OLD\n' >"$ROOT/etc/vorenta/Coletor.ini"
    cp -p "$ROOT/etc/vorenta/Coletor.ini" "$base/edited.ini"
    apt_install /var/cache/vorenta-test/collector.deb >"$base/apt.log" 2>&1 || {
        cat "$base/apt.log" >&2
        fail "apt-get install -y from the conffile release, without a terminal"
    }
    expect_equal "version after the upgrade" "$(dpkg-deb -f "$ROOT/var/cache/vorenta-test/collector.deb" Version) ii " \
        "$(installed_version)"
    cmp -s "$base/edited.ini" "$ROOT/etc/vorenta/Coletor.ini" ||
        fail "the upgrade changed the edited conffile: $(diff "$base/edited.ini" "$ROOT/etc/vorenta/Coletor.ini")"
    expect_equal "Coletor.ini after leaving the conffile" "640 root vorenta" "$(stat_of /etc/vorenta/Coletor.ini)"
    [[ -z $(in_root dpkg-statoverride --list /etc/vorenta/Coletor.ini) ]] ||
        fail "the earlier release's stat override is left"
    no_settings_copies "the upgrade from the conffile"
    in_root dpkg -P vorenta-collector >"$base/dpkg.log" 2>&1 || fail "dpkg -P: $(cat "$base/dpkg.log")"
    [[ ! -e $ROOT/etc/vorenta ]] || fail "purge after the conffile release left /etc/vorenta: $(ls -la "$ROOT/etc/vorenta")"
    ! in_root getent passwd vorenta >/dev/null || fail "purge left the user vorenta"
}

# Runs the installed unit's ExecStart the way systemd would (its user, folder, umask and
# environment, without --once), waits for the pass over the configured range, then stops it
# with the unit's KillSignal.
run_unit_as_service() {
    local base=$1 unit=$ROOT/lib/systemd/system/vorenta.service
    local exec_start user folder umask environment
    exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
    user=$(sed -n 's/^User=//p' "$unit")
    folder=$(sed -n 's/^WorkingDirectory=//p' "$unit")
    umask=$(sed -n 's/^UMask=//p' "$unit")
    environment=$(sed -n 's/^Environment=//p' "$unit")
    in_root runuser -u "$user" -- env $environment sh -c "umask $umask && cd $folder && exec $exec_start" \
        >"$base/service.log" 2>&1 &
    local runner=$! attempt
    for ((attempt = 0; attempt < 300; ++attempt)); do
        grep -qs 'Coletando dados de 127.0.0.1' "$ROOT/var/lib/vorenta/LOG.TXT" && break
        sleep 0.1
    done
    sleep 1 # the rest of the address's visit
    local pid
    pid=$(in_root pgrep -u "$user" -f "$exec_start" | head -n1) || true
    [[ -n $pid ]] || fail "the service is not running: $(cat "$base/service.log")"
    kill -TERM "$pid"
    for ((attempt = 0; attempt < 300; ++attempt)); do
        kill -0 "$runner" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$runner" 2>/dev/null; then
        kill -KILL "$pid" || true
        fail "the service did not stop within 30 s of SIGTERM"
    fi
    wait "$runner" || fail "the service exited with status $?: $(cat "$base/service.log")"
}

case ${1:-} in
pack) pack "$2" "$3" ;;
contents) contents "$2" ;;
lifecycle) lifecycle "$2" ;;
lifecycle-inside) lifecycle_inside "$2" ;;
*)
    echo "usage: $0 pack BUILD_DIR OUT_DIR | contents OUT_DIR | lifecycle OUT_DIR" >&2
    exit 2
    ;;
esac
