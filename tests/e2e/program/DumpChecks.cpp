#include "DumpChecks.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace vireo::test {

void ExpectReceived(MidiDump& dump, std::size_t from, const xg::Messages& expected,
                    std::chrono::milliseconds limit) {
    const bool all = dump.waitForMessages(from + expected.size(), limit);
    const std::vector<MidiDump::Message>& received = dump.messages();
    const xg::Messages tail(received.begin() + std::min(from, received.size()), received.end());
    EXPECT_TRUE(all) << "received " << tail.size() << " of " << expected.size();
    EXPECT_EQ(xg::Hex(tail), xg::Hex(expected));
}

bool StaysAt(MidiDump& dump, std::size_t count, std::chrono::milliseconds quiet) {
    return !WaitUntil([&] { return dump.messages().size() > count; }, quiet);
}

} // namespace vireo::test
