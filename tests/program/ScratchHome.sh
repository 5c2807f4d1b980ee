# Sourced by the program's shell tests: a home of its own for one run of
# the meter, and a wait for a text in a file.

# Points every per-user folder of the meter below $1 (made here, the runtime
# folder private), with no bus to reach, on Qt's offscreen platform.
scratch_home() {
    export XDG_RUNTIME_DIR="$1/runtime" XDG_CONFIG_HOME="$1/config"
    export XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
    export HOME="$1/home" QT_QPA_PLATFORM=offscreen
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$1/no-bus"
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$1/no-bus"
    mkdir -p "$XDG_CONFIG_HOME/Qanto" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# Waits up to 60 s until file $1 holds the fixed text $2; says what it
# found instead when it does not.
wait_for_text() {
    local t
    for ((t = 0; t < 600; ++t)); do
        grep -qF -- "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "not in $1: $2" >&2
    cat "$1" >&2 2>/dev/null
    return 1
}

# Starts a dbus-daemon of its own on a socket in folder $1, allowing
# everything, adds its pid to the array `pids` and sets `address` to its
# address.
start_private_bus() {
    cat >"$1/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$1/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$1/bus.conf" --nofork --print-address=1 >"$1/address" &
    pids+=($!)
    wait_for_text "$1/address" "unix:" || return 1
    address="$(head -1 "$1/address")"
}
