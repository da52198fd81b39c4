#!/bin/bash
# The USB rig inside the guest: loads the USB and HID modules, starts udev, puts the box (the simulated
# device behind a FunctionFS gadget) and two look-alikes on the virtual USB controllers, and runs the
# scenarios against them through the program's own link. One line per scenario goes to the results file;
# the guest powers off at the end, whatever happened.
set -u

arg() { sed -n "s/.*usbrig\.$1=\([^ ]*\).*/\1/p" /proc/cmdline; }
ROOT=$(arg root)   # the project's work tree (the same path as on the host)
BUILD=$(arg build) # its build folder with the programs
KERNEL=$(arg kernel)
OUT=$(arg out) # shared with the host: results and logs
RESULTS=$OUT/results
LOG=$OUT/guest.log
CTL=$BUILD/src/selvano-ctl
GADGET=$BUILD/tests/usb/selvano-usbgadget
WATCH=$BUILD/tests/usb/selvano-usbwatch
CONTROL=/run/usbrig-gadget.sock
WORK=/tmp/usbrig
CFG=/sys/kernel/config/usb_gadget
BOX_UDC=dummy_udc.0

exec >>"$LOG" 2>&1
finish() {
    echo "usbrig-guest: done"
    sync
    poweroff -f
}
trap finish EXIT

pass() { echo "PASS $1: $2" | tee -a "$RESULTS"; }
failed() { echo "FAIL $1: $2" | tee -a "$RESULTS"; }
note() { echo "== [$SECONDS s] $*"; }

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local limit=$1 start=$SECONDS
    shift
    until "$@"; do
        [ $((SECONDS - start)) -ge "$limit" ] && return 1
        sleep 0.2
    done
}

ask() { timeout 20 "$GADGET" --ask "$CONTROL" "$@"; }
counter() { ask counters | tr ' ' '\n' | sed -n "s/^$1=//p"; }
ctl() { timeout 180 "$CTL" "$@"; }

# ---- The machine -------------------------------------------------------------------------------------------
note "kernel $(uname -r)"
# Fresh /run and /tmp for the guest; a work tree that lives under either (a clone in /tmp, say) is carried
# over the new mount with the output share inside it.
for d in /run /tmp; do
    keep=
    case "$ROOT/" in "$d"/*) keep=/mnt/usbrig-keep ;; esac
    if [ -n "$keep" ]; then
        mkdir -p "$keep"
        mount --rbind "$ROOT" "$keep"
    fi
    mount -t tmpfs tmpfs "$d"
    if [ -n "$keep" ]; then
        mkdir -p "$ROOT"
        mount --move "$keep" "$ROOT"
    fi
done
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mkdir -p /lib/modules
mount --bind "$KERNEL/lib/modules" /lib/modules
modprobe() { busybox modprobe "$@" || echo "modprobe $* failed"; }
modprobe configfs
mount -t configfs configfs /sys/kernel/config
modprobe dummy_hcd num=3
for m in libcomposite usb_f_fs usb_f_hid usbhid hid_generic; do modprobe $m; done

cp "$ROOT/resources/70-selvano.rules" /etc/udev/rules.d/
mkdir -p /run/udev
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add
udevadm settle -t 60
udevadm monitor --udev --subsystem-match=hidraw >"$OUT/udev-events.log" 2>&1 &

export HOME=/root XDG_CONFIG_HOME=/root/.config XDG_RUNTIME_DIR=/run/user0
mkdir -p "$WORK" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

# ---- Gadgets -----------------------------------------------------------------------------------------------
# gadget NAME VENDOR PRODUCT RELEASE: the device part of a configfs gadget.
gadget() {
    local g=$CFG/$1
    mkdir -p "$g/strings/0x409" "$g/configs/c.1/strings/0x409"
    echo "$2" >"$g/idVendor"
    echo "$3" >"$g/idProduct"
    echo "$4" >"$g/bcdDevice"
    echo "usbrig" >"$g/strings/0x409/manufacturer"
    echo "$1" >"$g/strings/0x409/product"
    echo "$1-0001" >"$g/strings/0x409/serialnumber"
    echo "config" >"$g/configs/c.1/strings/0x409/configuration"
    echo 100 >"$g/configs/c.1/MaxPower"
}

# The kernel's own HID function with the box's report sizes: the look-alikes.
hid_gadget() {
    local g=$CFG/$1 f=$CFG/$1/functions/hid.usb0
    gadget "$@"
    mkdir -p "$f"
    echo 0 >"$f/protocol"
    echo 0 >"$f/subclass"
    echo 312 >"$f/report_length"
    printf '\x06\x00\xff\x09\x01\xa1\x01\x15\x00\x26\xff\x00\x75\x08\x96\x38\x01\x09\x01\x81\x02\x96\x38\x01\x09\x01\x91\x02\xc0' >"$f/report_desc"
    ln -s "$f" "$g/configs/c.1/"
}

# Path of the hidraw node whose USB device has these ids, or nothing.
hidraw_of() {
    local node dev
    for node in /sys/class/hidraw/hidraw*; do
        [ -e "$node" ] || continue
        dev=$(readlink -f "$node/device/../..")
        if [ "$(cat "$dev/idVendor" 2>/dev/null)" = "$1" ] && [ "$(cat "$dev/idProduct" 2>/dev/null)" = "$2" ] &&
            [ "$(cat "$dev/bcdDevice" 2>/dev/null)" = "$3" ]; then
            echo "/dev/${node##*/}"
            return 0
        fi
    done
    return 1
}
box_node() { hidraw_of 0483 5750 0200; }
box_present() { [ -n "$(box_node)" ] && [ -c "$(box_node)" ]; }
box_absent() { [ -z "$(box_node)" ]; }

# The look-alikes go on the bus first, so that they come first in enumeration.
hid_gadget other-product 0x0483 0x5751 0x0200
echo dummy_udc.1 >"$CFG/other-product/UDC"
hid_gadget other-release 0x0483 0x5750 0x0201
echo dummy_udc.2 >"$CFG/other-release/UDC"

gadget box 0x0483 0x5750 0x0200
mkdir -p "$CFG/box/functions/ffs.box"
ln -s "$CFG/box/functions/ffs.box" "$CFG/box/configs/c.1/"
mkdir -p /dev/ffs-box
mount -t functionfs box /dev/ffs-box
RESTART_MS=$(arg restartms) # how long the box stays away after its firmware restart
nice -n -15 "$GADGET" --ffs /dev/ffs-box --gadget "$CFG/box" --udc $BOX_UDC --control "$CONTROL" \
    --restart-ms "${RESTART_MS:-1000}" >"$OUT/gadget.log" 2>&1 &
wait_for 30 test -S "$CONTROL" || failed stand-in "the stand-in did not start (gadget.log)"
echo $BOX_UDC >"$CFG/box/UDC"
plug() { echo $BOX_UDC >"$CFG/box/UDC"; }
unplug() { echo "" >"$CFG/box/UDC"; }
wait_for 60 box_present
udevadm settle -t 60

# ---- Scenarios ---------------------------------------------------------------------------------------------
scenario_gadget() {
    local node usb
    node=$(box_node) || {
        failed gadget "no hidraw node with 0483:5750 release 0200"
        return
    }
    usb=$(readlink -f "/sys/class/hidraw/${node#/dev/}/device/../..")
    local hid_id driver
    hid_id=$(sed -n 's/^HID_ID=//p' "/sys/class/hidraw/${node#/dev/}/device/uevent")
    driver=$(basename "$(readlink -f "/sys/class/hidraw/${node#/dev/}/device/driver")")
    if [ "$hid_id" = "0003:00000483:00005750" ] && [ "$driver" = hid-generic ]; then
        pass gadget "$node on USB device ${usb##*/} (bcdDevice $(cat "$usb/bcdDevice")), $hid_id, bound to $driver"
    else
        failed gadget "$node: HID_ID=$hid_id driver=$driver"
    fi
}

# How the kernel's own HID function answers a GET_REPORT for an input report, on the look-alike that uses
# it: a report is queued on its device side first, then the host asks for the input report and reads the
# interrupt pipe.
scenario_kernel_hid_function() {
    local node
    node=$(hidraw_of 0483 5750 0201) || {
        failed kernel-hid-function "no hidraw node for the release 0201 look-alike"
        return
    }
    if timeout 30 python3 - "$node" /dev/hidg1 >"$WORK/kernel-hid.txt" 2>&1 <<'PY'; then
import fcntl, os, select, sys
raw = os.open(sys.argv[1], os.O_RDWR)
gadget = os.open(sys.argv[2], os.O_RDWR)
os.write(gadget, bytes([0x5A]) * 312)
report = bytearray(313)
HIDIOCGINPUT = (3 << 30) | (len(report) << 16) | (ord("H") << 8) | 0x0A
got = fcntl.ioctl(raw, HIDIOCGINPUT, report)
answer = "all zero" if not any(report[1:]) else "carries data"
ready, _, _ = select.select([raw], [], [], 10)
pipe = os.read(raw, 312) if ready else b""
print(f"GET_REPORT(input) answered {got} bytes, {answer}; the interrupt pipe delivered {len(pipe)} bytes "
      f"{'of the queued report' if pipe == bytes([0x5A]) * 312 else 'not matching'}")
PY
        pass kernel-hid-function "$(cat "$WORK/kernel-hid.txt")"
    else
        failed kernel-hid-function "$(tr '\n' ' ' <"$WORK/kernel-hid.txt")"
    fi
}

tags_of() { udevadm info -q property -n "$1" | sed -n 's/^TAGS=//p'; }

scenario_udev_rule() {
    local box other release
    box=$(tags_of "$(box_node)")
    other=$(tags_of "$(hidraw_of 0483 5751 0200)")
    release=$(tags_of "$(hidraw_of 0483 5750 0201)")
    if [[ $box == *:uaccess:* ]] && [[ $other != *:uaccess:* ]] && [[ $release != *:uaccess:* ]]; then
        pass udev-rule "the rule tags the box's node uaccess ($box), not the 5751 or release 0201 nodes (no login seat in the guest to grant the ACL)"
    else
        failed udev-rule "tags: box '$box', product 5751 '$other', release 0201 '$release'"
    fi
}

scenario_enumeration() {
    ctl --json devices >"$WORK/devices.json" 2>"$WORK/devices.err"
    local listed
    listed=$(python3 -c 'import json,sys; print(" ".join(d["path"] + "@" + d["release"] for d in json.load(open(sys.argv[1]))))' "$WORK/devices.json" 2>&1)
    if [ "$listed" = "$(box_node)@0x0200" ]; then
        pass enumeration "only the box is listed ($listed) among hidraw nodes $(ls /dev/hidraw* | tr '\n' ' ')"
    else
        failed enumeration "listed '$listed', box $(box_node)"
    fi
}

scenario_info() {
    local before after gets
    before=$(counter accepted)
    gets=$(counter get_reports)
    ctl --device usb info >"$WORK/info.txt" 2>"$WORK/info.err"
    local status=$?
    if [ $status -ne 0 ]; then
        failed info "exit code $status: $(tr '\n' ' ' <"$WORK/info.err")"
        return
    fi
    after=$(counter accepted)
    ask trace "$WORK/trace-info.txt" >/dev/null
    if grep -q PIRKAVO-31EQ-V3.0 "$WORK/info.txt" && [ "$after" -gt "$before" ] &&
        grep -q "type=4 index=136" "$WORK/trace-info.txt" && [ "$(counter get_reports)" -gt "$gets" ]; then
        pass info "device timing: identified and read back; the device took $((after - before)) frames, answered $(($(counter get_reports) - gets)) GET_REPORT requests"
    else
        failed info "device took $((after - before)) frames; $(head -3 "$WORK/info.txt" | tr '\n' ' ')"
    fi
}

scenario_edit() {
    local writes
    writes=$(counter writes)
    ask clear-trace >/dev/null
    ctl --device usb set channel 2 band 10 gain 6 2>"$WORK/edit.err"
    local status=$?
    if [ $status -ne 0 ]; then
        failed edit "exit code $status: $(tr '\n' ' ' <"$WORK/edit.err")"
        return
    fi
    ask trace "$WORK/trace-edit.txt" >/dev/null
    if [ "$(counter writes)" -gt "$writes" ] && grep -q "^write .*type=3 index=1 " "$WORK/trace-edit.txt"; then
        pass edit "CH2 band 10 +6 dB sent and acknowledged; the device took $(($(counter writes) - writes)) writes"
    else
        failed edit "device writes $writes -> $(counter writes); $(grep -c '^write' "$WORK/trace-edit.txt") write frames traced"
    fi
}

# A setup made with the companion on a socket-served simulated device: CH3 at -12 dB, CH1 high-pass 80 Hz.
make_fixture() {
    local sock=$WORK/fixture.sock pid
    "$CTL" simulate --listen "$sock" >/dev/null 2>&1 &
    pid=$!
    wait_for 30 test -S "$sock" &&
        ctl --device "socket:$sock" set channel 3 gain -12 &&
        ctl --device "socket:$sock" set channel 1 highpass freq 80 &&
        ctl --device "socket:$sock" read -o "$WORK/fixture.dsps"
    local status=$?
    kill "$pid"
    wait "$pid" 2>/dev/null
    return $status
}

scenario_load() {
    make_fixture || {
        failed load "the fixture setup could not be made"
        return
    }
    local writes
    writes=$(counter writes)
    ctl --device usb load "$WORK/fixture.dsps" 2>"$WORK/load.err"
    local status=$?
    if [ $status -ne 0 ]; then
        failed load "exit code $status: $(tr '\n' ' ' <"$WORK/load.err")"
        return
    fi
    if [ "$(counter writes)" -gt "$writes" ]; then
        pass load "setup sent and acknowledged; the device took $(($(counter writes) - writes)) writes"
    else
        failed load "no write reached the device"
    fi
}

scenario_backup() {
    local file=$WORK/usb.dspa compared values
    ctl --device usb backup -o "$file" 2>"$WORK/backup.err"
    local status=$?
    if [ $status -ne 0 ]; then
        failed backup "exit code $status: $(tr '\n' ' ' <"$WORK/backup.err")"
        return
    fi
    compared=$(ask compare-backup "$file")
    ctl show "$file" --json >"$WORK/backup.json"
    values=$(python3 -c 'import json,sys
d = json.load(open(sys.argv[1]))["channels"]
print("%g %g %g" % (d[1]["bands"][9]["gain_db"], d[2]["gain_db"], d[0]["high_pass"]["freq_hz"]))' "$WORK/backup.json" 2>&1)
    if [[ $compared != *differs* ]] && [[ $compared == *live\ equal* ]] && [ "$values" = "6 -12 80" ]; then
        pass backup "all-data file equal to the device's memory ($compared); CH2 band 10, CH3 gain, CH1 high-pass: $values"
    else
        failed backup "$compared; CH2 band 10, CH3 gain, CH1 high-pass: $values"
    fi
}

# start_watch NAME ARGS...: one instance of the program's link and monitor, its lines in $WORK/NAME.log.
start_watch() {
    local name=$1
    shift
    "$WATCH" --label "$name" "$@" >"$WORK/$name.log" 2>&1 &
    eval "${name}_pid=$!"
}
stop_watch() {
    local pid_var=${1}_pid
    kill -TERM "${!pid_var}" 2>/dev/null
    wait_for 30 grep -q "stopped" "$WORK/$1.log"
    wait "${!pid_var}" 2>/dev/null
}
seen() { grep -q "$2" "$WORK/$1.log"; }
seen_times() { [ "$(grep -c "$2" "$WORK/$1.log")" -ge "$3" ]; }

scenario_interrupt_pipe() {
    local gets ins
    ask mode interrupt >/dev/null
    gets=$(counter get_reports)
    ins=$(counter in_reports)
    ask clear-trace >/dev/null
    start_watch pipe --interrupt
    if wait_for 90 seen pipe ": connected "; then
        ask trace "$WORK/trace-pipe.txt" >/dev/null
        local idents
        idents=$(grep -c "type=4 index=136" "$WORK/trace-pipe.txt")
        if [ "$(counter get_reports)" -eq "$gets" ] && [ "$(counter in_reports)" -gt "$ins" ] && [ "$idents" -ge 1 ]; then
            pass interrupt-pipe "identified and read back through the interrupt pipe: $(($(counter in_reports) - ins)) input reports, no GET_REPORT"
        else
            failed interrupt-pipe "GET_REPORT $gets -> $(counter get_reports), pipe reports $ins -> $(counter in_reports), identifier requests $idents"
        fi
    else
        failed interrupt-pipe "no connection: $(tr '\n' ' ' <"$WORK/pipe.log")"
    fi
    stop_watch pipe
    ask mode input-report >/dev/null
}

scenario_unplug() {
    start_watch first
    if ! wait_for 90 seen first ": connected "; then
        failed unplug "no connection at start: $(tr '\n' ' ' <"$WORK/first.log")"
        return
    fi
    unplug
    if ! wait_for 60 seen first "message unable to connect" || ! wait_for 30 seen first "^first: closed"; then
        failed unplug "link not closed on removal: $(tr '\n' ' ' <"$WORK/first.log")"
        return
    fi
    local removal="the monitor's removal"
    seen first "removal /dev/hidraw" || removal="the worker (before the monitor's removal)"
    wait_for 30 box_absent
    ask clear-trace >/dev/null
    plug
    if wait_for 90 seen first "arrival /dev/hidraw" && wait_for 90 seen_times first ": connected " 2; then
        ask trace "$WORK/trace-replug.txt" >/dev/null
        if grep -q "type=4 index=136" "$WORK/trace-replug.txt"; then
            pass unplug "removal closed the link by $removal with \"unable to connect\"; the arrival connected by itself and read the device again"
        else
            failed unplug "reconnected without identifying again"
        fi
    else
        failed unplug "no reconnection on arrival: $(tr '\n' ' ' <"$WORK/first.log")"
    fi
}

scenario_claims() {
    if ! seen_times first ": connected " 2; then
        failed claims "the first instance is not connected"
        return
    fi
    ask clear-trace >/dev/null
    start_watch second
    if ! wait_for 60 seen second "start-up connect: claimed by another instance"; then
        failed claims "the second instance did not see the claim: $(tr '\n' ' ' <"$WORK/second.log")"
        return
    fi
    ask trace "$WORK/trace-second.txt" >/dev/null
    if grep -q "type=4 index=136" "$WORK/trace-second.txt" || seen second "^second: open"; then
        failed claims "the second instance talked to the claimed device"
        return
    fi
    stop_watch first
    unplug
    wait_for 30 box_absent
    ask clear-trace >/dev/null
    plug
    if wait_for 90 seen second "arrival /dev/hidraw" && wait_for 90 seen second "^second: connected"; then
        ask trace "$WORK/trace-second-on.txt" >/dev/null
        grep -q "type=4 index=136" "$WORK/trace-second-on.txt" &&
            pass claims "the second instance left the claimed device alone; once the first closed, it took the device on arrival" ||
            failed claims "the second instance connected without identifying"
    else
        failed claims "the second instance did not take the device on arrival: $(tr '\n' ' ' <"$WORK/second.log")"
    fi
    stop_watch second
}

scenario_firmware() {
    local file=$WORK/fw.MVA restarts reconnects removals arrivals compared
    python3 -c 'import sys; open(sys.argv[1], "wb").write(bytes((i * 7 + 3) % 251 for i in range(3000)))' "$file"
    restarts=$(counter restarts)
    reconnects=$(counter reconnects)
    removals=$(grep -c " remove " "$OUT/udev-events.log")
    arrivals=$(grep -c " add " "$OUT/udev-events.log")
    ctl --device usb firmware "$file" 2>"$WORK/firmware.err"
    local status=$?
    ask trace "$OUT/trace-firmware.txt" >/dev/null
    if [ $status -ne 0 ]; then
        failed firmware "exit code $status: $(tr '\n' ' ' <"$WORK/firmware.err"); $(ask compare-firmware "$file")"
        return
    fi
    compared=$(ask compare-firmware "$file")
    local left=$(($(grep -c " remove " "$OUT/udev-events.log") - removals))
    local back=$(($(grep -c " add " "$OUT/udev-events.log") - arrivals))
    if grep -q "Update successfully!" "$WORK/firmware.err" && [[ $compared != *differs* ]] &&
        [ "$(counter restarts)" -eq $((restarts + 1)) ] && [ "$(counter reconnects)" -eq $((reconnects + 1)) ] &&
        [ "$left" -ge 1 ] && [ "$back" -ge 1 ]; then
        pass firmware "\"Update successfully!\"; the device left and came back after stage 176 ($left removal, $back arrival); $compared"
    else
        failed firmware "$compared; restarts $restarts -> $(counter restarts), removals $left, arrivals $back; $(tr '\n' ' ' <"$WORK/firmware.err")"
    fi
}

note "scenarios"
only=$(arg only) # a comma-separated choice of scenarios, for working on the rig
for s in gadget kernel_hid_function udev_rule enumeration info load edit backup interrupt_pipe unplug claims firmware; do
    [ -n "$only" ] && [[ ",$only," != *",$s,"* ]] && continue
    note "$s"
    "scenario_$s"
done
ask counters
