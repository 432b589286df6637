#include "app/MidiConnection.h"

#include <utility>

namespace vireo {

MidiConnector::MidiConnector()
    : MidiConnector([] { return std::make_unique<SystemMidiService>(); }) {}

MidiConnector::MidiConnector(Factory make)
    : pending_(std::async(std::launch::async, [make = std::move(make)] {
        MidiConnection connection{make(), 0, 0};
        connection.deviceCount = connection.service->deviceCount();
        connection.serversAnswering = connection.service->serversAnswering();
        return connection;
    })) {}

MidiConnector::~MidiConnector() = default; // an async future joins its thread

MidiConnection MidiConnector::take() {
    return pending_.get();
}

} // namespace vireo
