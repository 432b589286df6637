#!/bin/bash
# Runs inside the guest (scripts/alsa-vm/guest-init.sh): loads the sequencer's modules from
# the unpacked kernel and runs the guest tests, first on the bare sequencer, then with a
# virtual MIDI card, then with a USB MIDI gadget. Results go to $VIREO_GUEST_OUT.
# Usage: guest.sh TEST_PROGRAM
set -u
tests=$1
out=${VIREO_GUEST_OUT:?}
kernel=$(sed -n 's/.*vireo\.kernel=\([^ ]*\).*/\1/p' /proc/cmdline)
export JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=vireo-guest-none
export QT_QPA_PLATFORM=offscreen
cd /tmp

status=0
modprobe -d "$kernel" snd-seq-dummy || status=1
"$tests" --gtest_filter='SequencerOnly.*' --gtest_output="xml:$out/bare.xml" || status=1
modprobe -d "$kernel" snd-virmidi || status=1
"$tests" --gtest_filter='-SequencerOnly.*:UsbGadget.*' --gtest_output="xml:$out/card.xml" || status=1

# A USB MIDI gadget on the dummy controller, left unplugged: the tests plug it in through its
# UDC file. The host side sees it as a sound card with a sequencer port.
gadget=/sys/kernel/config/usb_gadget/vireo
for module in dummy_hcd libcomposite usb_f_midi snd-usb-audio snd-seq-midi; do
    modprobe -d "$kernel" "$module" || status=1
done
mount -t configfs none /sys/kernel/config 2>/dev/null
mkdir -p "$gadget/strings/0x409" "$gadget/configs/c.1" "$gadget/functions/midi.usb0"
echo 0x1d6b >"$gadget/idVendor"
echo 0x0104 >"$gadget/idProduct"
echo Sonexa >"$gadget/strings/0x409/manufacturer"
echo "Vireo XG" >"$gadget/strings/0x409/product"
echo vireogadget >"$gadget/functions/midi.usb0/id"
ln -s "$gadget/functions/midi.usb0" "$gadget/configs/c.1/"
export VIREO_GADGET=$gadget VIREO_GADGET_CARD=vireogadget VIREO_UDC=$(ls /sys/class/udc | head -n1)
"$tests" --gtest_filter='UsbGadget.*' --gtest_output="xml:$out/gadget.xml" || status=1
exit "$status"
