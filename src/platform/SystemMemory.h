#pragma once

#include <cstdint>

namespace vireo {

// Total physical memory of the machine in bytes; 0 when the system does not tell.
std::uint64_t TotalPhysicalMemory();

} // namespace vireo
