#pragma once

#include "analysis/SpectrogramKind.h"

namespace tonalyx {

// The pitch kind shows the pitch track alone; the track is computed elsewhere. It leaves the
// engine's columns as they are (binCount keeps its value) and renders zeros, so the image is
// empty apart from the pitch mark. The same unit stands for "no analysis".
class PitchKind : public SpectrogramKind {
public:
    void Setup(SpectrogramState&) override {}
    void ComputeColumn(SpectrogramState&, double*, int) override {}
    bool ComputesColumns() const override { return false; }
    bool AlwaysNearest() const override { return true; }
};

}  // namespace tonalyx
