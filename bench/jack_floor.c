/* The JACK floor for the start-up and memory measurements (bench/measure.sh): the least a JACK
 * client does to deliver the mixer's initialisation to a receiver. It opens a client, registers
 * one MIDI output port, connects it to the input port named on the command line and, once the
 * connection has been seen in two process cycles (the mixer waits as long before its first
 * message), writes the eight initialisation messages into one cycle. Then it idles until it is
 * ended, so that its memory and idle cost can be read like the mixer's.
 * Usage: jack_floor [--list] [--window MODULE] [input port]. With --list it first lists the MIDI
 * input ports, as a program does that finds its device among them. With --window it is also a
 * Qt window, at the least cost: the JACK work starts at once on a thread of its own while the
 * main thread loads Qt with the window from MODULE (bench/qt_floor.cpp built as a module, with
 * its text) and shows it; the messages go once the window is shown. */
#include <dlfcn.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <pthread.h>
#include <signal.h>
#include <stdatomic.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

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
static int connectedCycles;        /* process thread only; -1 once the messages have gone out */
static atomic_int windowShown = 1; /* 0 from the start with --window, until it is shown */

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
    if (connectedCycles < kSettleCycles)
        ++connectedCycles;
    if (connectedCycles < kSettleCycles || atomic_load(&windowShown) == 0)
        return 0;
    for (int i = 0; i < kMessages; ++i)
        jack_midi_event_write(buffer, 0, kInitialization[i], kMessageSize);
    connectedCycles = -1;
    return 0;
}

static void WindowShown(void) {
    atomic_store(&windowShown, 1);
}

/* Opens the client, lists when asked, and connects the port to `target`; NULL on failure. */
static jack_client_t* Connect(int list, const char* target) {
    jack_status_t status;
    jack_client_t* client = jack_client_open("jack-floor", JackNoStartServer, &status);
    if (client == NULL) {
        fprintf(stderr, "jack_floor: no JACK server (status 0x%x)\n", (unsigned)status);
        return NULL;
    }
    if (list)
        jack_free(jack_get_ports(client, NULL, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
    output = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (output == NULL || jack_set_process_callback(client, Process, NULL) != 0 ||
        jack_activate(client) != 0 || jack_connect(client, jack_port_name(output), target) != 0) {
        fprintf(stderr, "jack_floor: could not connect to %s\n", target);
        jack_client_close(client);
        return NULL;
    }
    return client;
}

struct Job {
    int list;
    const char* target;
};

static void* ConnectOnThread(void* job) {
    const struct Job* what = job;
    if (Connect(what->list, what->target) == NULL)
        _exit(1);
    return NULL; /* the client stays until the process ends */
}

/* Connects on a thread of its own while the window comes up; runs the window's event loop. */
static int WithWindow(const char* module, struct Job* job, char* program) {
    atomic_store(&windowShown, 0);
    pthread_t thread;
    if (pthread_create(&thread, NULL, ConnectOnThread, job) != 0)
        return 1;
    void* window = dlopen(module, RTLD_NOW | RTLD_LOCAL);
    typedef int (*Run)(int, char**, void (*)(void));
    Run run = NULL;
    if (window != NULL)
        *(void**)&run = dlsym(window, "QtFloorRun"); /* POSIX's way past ISO C's rule */
    if (run == NULL) {
        fprintf(stderr, "jack_floor: %s\n", dlerror());
        return 1;
    }
    char text[] = "--text";
    char* arguments[] = {program, text, NULL};
    return run(2, arguments, WindowShown);
}

int main(int argc, char* argv[]) {
    int at = 1;
    const int list = argc > at && strcmp(argv[at], "--list") == 0;
    at += list;
    const char* module = NULL;
    if (argc > at + 1 && strcmp(argv[at], "--window") == 0) {
        module = argv[at + 1];
        at += 2;
    }
    struct Job job = {list, argc > at ? argv[at] : "midi-monitor:input"};
    if (module != NULL)
        return WithWindow(module, &job, argv[0]);
    /* Blocked before libjack starts its threads, so that only sigwait below takes them. */
    sigset_t endings;
    sigemptyset(&endings);
    sigaddset(&endings, SIGTERM);
    sigaddset(&endings, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endings, NULL);
    jack_client_t* client = Connect(job.list, job.target);
    if (client == NULL)
        return 1;
    int ending = 0;
    sigwait(&endings, &ending);
    jack_client_close(client);
    return 0;
}
