#include "SequencerDump.h"

#include "JackTestProcesses.h"

#include <QRegularExpression>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <regex>
#include <sstream>

namespace vireo::test {
namespace {

constexpr int kToolLimitMs = 20000;

xg::Message SysexBytes(const std::string& hex) {
    xg::Message bytes;
    std::istringstream in(hex);
    for (std::string byte; in >> byte;)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
    return bytes;
}

} // namespace

xg::Messages ParseSequencerDump(const std::string& text) {
    static const std::regex event(R"(^\s*(\d+):(\d+)\s+(.*)$)");
    static const std::regex sysex(R"(^System exclusive\s+((?:[0-9A-F]{2}\s*)+)$)");
    static const std::regex control(
        R"(^Control change\s+(\d+), controller (\d+), value (\d+)\s*$)");
    xg::Messages messages;
    // A line still being written counts once it is whole.
    std::istringstream lines(text.substr(0, text.rfind('\n') + 1));
    for (std::string line; std::getline(lines, line);) {
        std::smatch parts;
        if (!std::regex_match(line, parts, event))
            continue;
        if (parts[1] == "0" && parts[2] == "1")
            continue; // the sequencer's own notice of a connection
        const std::string body = parts[3];
        std::smatch fields;
        if (std::regex_match(body, fields, sysex)) {
            messages.push_back(SysexBytes(fields[1]));
        } else if (std::regex_match(body, fields, control)) {
            messages.push_back({static_cast<std::uint8_t>(0xB0 | std::stoi(fields[1])),
                                static_cast<std::uint8_t>(std::stoi(fields[2])),
                                static_cast<std::uint8_t>(std::stoi(fields[3]))});
        } else {
            messages.push_back({});
        }
    }
    return messages;
}

SequencerDump::SequencerDump()
    : process_(std::make_unique<QProcess>()) {
    process_->setStandardErrorFile(QProcess::nullDevice());
    // Line by line, so that what arrived can be read while it runs.
    process_->start("stdbuf", {"-oL", "aseqdump"});
    started_ = process_->waitForStarted(10000);
}

SequencerDump::~SequencerDump() {
    if (process_->state() == QProcess::NotRunning)
        return;
    resume();
    process_->kill();
    process_->waitForFinished(10000);
}

QString SequencerDump::address(std::chrono::milliseconds limit) {
    static const QRegularExpression client(R"(client (\d+): 'aseqdump')");
    QString found;
    WaitUntil(
        [&] {
            const auto match = client.match(QString::fromStdString(SequencerListing()));
            if (match.hasMatch())
                found = match.captured(1) + ":0";
            return match.hasMatch();
        },
        limit);
    return found;
}

xg::Messages SequencerDump::messages() {
    if (!paused_)
        process_->waitForReadyRead(50);
    text_ += process_->readAllStandardOutput().toStdString();
    return ParseSequencerDump(text_);
}

bool SequencerDump::waitForMessages(std::size_t count, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return messages().size() >= count; }, limit);
}

void SequencerDump::pause() {
    ::kill(static_cast<pid_t>(process_->processId()), SIGSTOP);
    paused_ = true;
    // What it wrote before it stopped counts as read before the stop.
    while (process_->waitForReadyRead(200))
        text_ += process_->readAllStandardOutput().toStdString();
}

void SequencerDump::resume() {
    if (!paused_)
        return;
    ::kill(static_cast<pid_t>(process_->processId()), SIGCONT);
    paused_ = false;
}

void SequencerDump::kill() {
    resume();
    process_->kill();
    process_->waitForFinished(10000);
    text_ += process_->readAllStandardOutput().toStdString();
}

bool Aconnect(const QStringList& arguments) {
    QProcess tool;
    tool.start("aconnect", arguments);
    return tool.waitForFinished(kToolLimitMs) && tool.exitStatus() == QProcess::NormalExit &&
           tool.exitCode() == 0;
}

std::string SequencerListing() {
    QProcess tool;
    tool.start("aconnect", {"-l"});
    tool.waitForFinished(kToolLimitMs);
    return tool.readAllStandardOutput().toStdString();
}

bool WaitForSequencerPort(const QString& client, std::chrono::milliseconds limit) {
    const std::string wanted = "'" + client.toStdString() + "'";
    return WaitUntil([&] { return SequencerListing().find(wanted) != std::string::npos; }, limit);
}

xg::Messages ParseRawMidiDump(const std::string& text) {
    xg::Messages messages;
    std::istringstream words(text);
    bool inSysEx = false;
    for (std::string word; words >> word;) {
        const bool hex = word.size() % 2 == 0 && std::all_of(word.begin(), word.end(), [](char c) {
                             return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                         });
        for (std::size_t at = 0; hex && at < word.size(); at += 2) {
            const auto byte = static_cast<std::uint8_t>(std::stoi(word.substr(at, 2), nullptr, 16));
            if ((byte & 0x80) != 0 && !(inSysEx && byte == 0xF7))
                messages.emplace_back();
            if (!messages.empty())
                messages.back().push_back(byte);
            inSysEx = byte == 0xF0 || (inSysEx && byte != 0xF7);
        }
    }
    return messages;
}

RawMidiDump::RawMidiDump(const QString& device)
    : process_(std::make_unique<QProcess>()) {
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->start("stdbuf", {"-oL", "amidi", "-d", "-p", device});
    started_ = process_->waitForStarted(10000);
}

RawMidiDump::~RawMidiDump() {
    process_->kill();
    process_->waitForFinished(10000);
}

xg::Messages RawMidiDump::messages() {
    process_->waitForReadyRead(0);
    text_ += process_->readAllStandardOutput().toStdString();
    return ParseRawMidiDump(text_);
}

bool RawMidiDump::waitForMessages(std::size_t count, std::chrono::milliseconds limit) {
    return WaitUntil([&] { return messages().size() >= count; }, limit);
}

} // namespace vireo::test
