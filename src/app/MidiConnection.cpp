#include "app/MidiConnection.h"

#include <utility>

namespace vireo {

MidiConnector::MidiConnector()
    : MidiConnector([] { return std::make_unique<SystemMidiService>(); }) {}

MidiConnector::MidiConnector(Factory make)
    : service_(make())
    , pending_(std::async(std::launch::async, [&service = *service_] {
        MidiConnection connection;
        connection.deviceCount = service.deviceCount();
        connection.serversAnswering = service.serversAnswering();
        service.prepare();
        return connection;
    })) {}

// A connection not taken: its thread ends before the service goes.
MidiConnector::~MidiConnector() {
    if (pending_.valid())
        pending_.wait();
}

MidiConnection MidiConnector::take() {
    MidiConnection connection = pending_.get();
    connection.service = std::move(service_);
    return connection;
}

} // namespace vireo
