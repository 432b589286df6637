#!/bin/bash
# Runs inside the guest (scripts/alsa-vm/guest-init.sh): loads the sequencer's modules from
# the unpacked kernel and runs the guest tests, first on the bare sequencer, then with a
# virtual MIDI card. Results go to $VIREO_GUEST_OUT. Usage: guest.sh TEST_PROGRAM
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
"$tests" --gtest_filter='-SequencerOnly.*' --gtest_output="xml:$out/card.xml" || status=1
exit "$status"
