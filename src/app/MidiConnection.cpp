#include "app/MidiConnection.h"

#include <utility>

namespace vireo {

MidiConnector::MidiConnector()
    : MidiConnector([] { return std::make_unique<SystemMidiService>(); }) {}

MidiConnector::MidiConnector(Factory make)
    : service_(make())
    , pending_(std::async(std::launch::async,
                          [&service = *service_, searched = searched_.get_future()]() mutable {
                              MidiConnection connection;
                              connection.deviceCount = service.deviceCount();
                              connection.serversAnswering = service.serversAnswering();
                              service.prepare(searched.get());
                              return connection;
                          })) {}

// A connection not taken: its thread ends before the service goes.
MidiConnector::~MidiConnector() {
    if (!pending_.valid())
        return;
    prepareFor({});
    pending_.wait();
}

void MidiConnector::prepareFor(std::vector<std::string> searched) {
    if (searchGiven_)
        return;
    searchGiven_ = true;
    searched_.set_value(std::move(searched));
}

MidiConnection MidiConnector::take() {
    prepareFor({});
    MidiConnection connection = pending_.get();
    connection.service = std::move(service_);
    return connection;
}

} // namespace vireo
