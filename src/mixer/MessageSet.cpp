#include "mixer/MessageSet.h"

#include <algorithm>

namespace vireo::synth {
namespace {

// Every message of the set fits the send path; the longest, GS Reset, exactly.
static_assert(GSReset.size() == kMaxSysExLength);

// Every preset names at least one step, and all of its steps exist.
constexpr bool PresetsWithinStepList()
{
    return std::all_of(kVariationTypes.begin(), kVariationTypes.end(), [](const auto& entry) {
        return !entry.isPreset() ||
               (entry.stepCount() >= 1 && entry.firstStep() >= 1 &&
                entry.firstStep() + entry.stepCount() - 1 <= int(kPresetSteps.size()));
    });
}
static_assert(PresetsWithinStepList());

} // namespace
} // namespace vireo::synth
