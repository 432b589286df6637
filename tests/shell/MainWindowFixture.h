#pragma once

#include "midi/SimulatedMidiService.h"
#include "persistence/PreferencesStore.h"
#include "shell/TForm1.h"

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace vireo::test {

// A main window over a simulated MIDI service, with fresh hives and settings folders, and
// the error report collected instead of shown.
class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Creates the window; its start-up runs against the service as scripted so far.
    TForm1& Create(QStringList arguments = {});
    TForm1& Form() { return *form_; }
    // Ends the window as the program's exit does (its position is saved).
    void Destroy() { form_.reset(); }

    // Writes a settings file in the private home and returns its path.
    static QString WriteFile(const QString& name, const std::string& content);
    static std::string ReadFile(const QString& path);

    using Bytes = std::vector<std::uint8_t>;
    std::vector<Bytes> Sent() const { return service.sentMessages(); }

    SimulatedMidiService service{{"Synth A", "Synth B"}};
    PreferencesStore& store = PreferencesStore::Shared();
    std::vector<QString> errors;

private:
    std::unique_ptr<TForm1> form_;
};

// Hex text of messages, "F0 43 ... F7" each, for readable failures.
std::vector<std::string> Hex(const std::vector<std::vector<std::uint8_t>>& messages);

} // namespace vireo::test
