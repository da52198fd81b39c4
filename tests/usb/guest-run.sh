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
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
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
"$GADGET" --ffs /dev/ffs-box --udc $BOX_UDC --control "$CONTROL" >"$OUT/gadget.log" 2>&1 &
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

scenario_info() {
    local before after gets
    before=$(counter accepted)
    gets=$(counter get_reports)
    if ! ctl --device usb info >"$WORK/info.txt" 2>"$WORK/info.err"; then
        failed info "exit code $?: $(tr '\n' ' ' <"$WORK/info.err")"
        return
    fi
    after=$(counter accepted)
    ask trace "$WORK/trace-info.txt" >/dev/null
    if grep -q PIRKAVO-31EQ-V3.0 "$WORK/info.txt" && [ "$after" -gt "$before" ] &&
        grep -q "type=4 index=136" "$WORK/trace-info.txt" && [ "$(counter get_reports)" -gt "$gets" ]; then
        pass info "identified and read back; device took $((after - before)) frames, get-input-report requests $(($(counter get_reports) - gets))"
    else
        failed info "device took $((after - before)) frames; $(head -3 "$WORK/info.txt" | tr '\n' ' ')"
    fi
}

note "scenarios"
scenario_gadget
scenario_info
