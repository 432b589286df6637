#include "platform/SystemMemory.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vireo {
namespace {

TEST(SystemMemoryTest, AgreesWithThePageCountOfTheCLibrary) {
    const auto pages = static_cast<std::uint64_t>(sysconf(_SC_PHYS_PAGES));
    const auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGE_SIZE));
    const std::uint64_t total = TotalPhysicalMemory();
    EXPECT_GE(total, pages * pageSize);
    EXPECT_LT(total, (pages + 1) * pageSize);
}

} // namespace
} // namespace vireo
