#pragma once

#include <QString>

namespace vireo::test {

// The running mixer's caption as a second start reads it from the instance channel; empty
// when none answers within a second.
QString RunningCaption();

} // namespace vireo::test
