# Sourced by the bench scripts: install_missing PACKAGE... installs the Debian packages given
# (none: nothing), refreshing the package lists only when the first try fails.
install_missing() {
    [ $# -gt 0 ] || return 0
    echo "installing $*" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends "$@" >/dev/null ||
        { apt-get update >/dev/null && apt-get install -y --no-install-recommends "$@" >/dev/null; }
}
