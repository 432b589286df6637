/* The JACK floor for the start-up and memory measurements (bench/measure.sh): the least a JACK
 * client does to deliver the mixer's initialisation to a receiver. It opens a client, registers
 * one MIDI output port, connects it to the input port named on the command line and, once the
 * connection has been seen in two process cycles (the mixer waits as long before its first
 * message), writes the eight initialisation messages into one cycle. Then it idles until it is
 * ended, so that its memory and idle cost can be read like the mixer's.
 * Usage: jack_floor [--list] [input port]. With --list it first lists the MIDI input ports, as a
 * program does that finds its device among them. */
#include <jack/jack.h>
#include <jack/midiport.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

enum { kMessages = 8, kMessageSize = 9, kSettleCycles = 2 };

static const jack_midi_data_t kInitialization[kMessages][kMessageSize] = {
    {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7F, 0x00, 0xF7},
    {0xF0, 0x43, 0x10, 0x49, 0x01, 0x00, 0x00, 0x01, 0xF7},
    {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},
    {0xF0, 0x43, 0x10, 0x4C, 0x11, 0x00, 0x00, 0x01, 0xF7},
    {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5A, 0x01, 0xF7},
    {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x40, 0xF7},
    {0xF0, 0x43, 0x10, 0x4C, 0x02, 0x01, 0x5B, 0x41, 0xF7},
    {0xF0, 0x43, 0x10, 0x4C, 0x10, 0x00, 0x00, 0x00, 0xF7},
};

static jack_port_t* output;
static int connectedCycles; /* process thread only; -1 once the messages have gone out */

static int Process(jack_nframes_t frames, void* unused) {
    (void)unused;
    void* buffer = jack_port_get_buffer(output, frames);
    jack_midi_clear_buffer(buffer);
    if (connectedCycles < 0)
        return 0;
    if (jack_port_connected(output) == 0) {
        connectedCycles = 0;
        return 0;
    }
    if (++connectedCycles < kSettleCycles)
        return 0;
    for (int i = 0; i < kMessages; ++i)
        jack_midi_event_write(buffer, 0, kInitialization[i], kMessageSize);
    connectedCycles = -1;
    return 0;
}

int main(int argc, char* argv[]) {
    const int list = argc > 1 && strcmp(argv[1], "--list") == 0;
    const char* target = argc > 1 + list ? argv[1 + list] : "midi-monitor:input";
    /* Blocked before libjack starts its threads, so that only sigwait below takes them. */
    sigset_t endings;
    sigemptyset(&endings);
    sigaddset(&endings, SIGTERM);
    sigaddset(&endings, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endings, NULL);

    jack_status_t status;
    jack_client_t* client = jack_client_open("jack-floor", JackNoStartServer, &status);
    if (client == NULL) {
        fprintf(stderr, "jack_floor: no JACK server (status 0x%x)\n", (unsigned)status);
        return 1;
    }
    if (list)
        jack_free(jack_get_ports(client, NULL, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
    output = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (output == NULL || jack_set_process_callback(client, Process, NULL) != 0 ||
        jack_activate(client) != 0 || jack_connect(client, jack_port_name(output), target) != 0) {
        fprintf(stderr, "jack_floor: could not connect to %s\n", target);
        jack_client_close(client);
        return 1;
    }
    int ending = 0;
    sigwait(&endings, &ending);
    jack_client_close(client);
    return 0;
}
