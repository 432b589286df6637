#include "mixer/MixerTestSupport.h"

namespace vireo::test {
namespace {

using testing::ElementsAreArray;
using testing::IsEmpty;

using MixerDigitalTest = MixerFixture;

TEST_F(MixerDigitalTest, DrySliderAtTwentySevenSendsOneHundredToPartZeroThenOne) {
    panels.DryTrackBar->setSliderPosition(TTrackBar::kMax - 27); // dragged to position 27
    EXPECT_THAT(sent(), ElementsAreArray(ADPair(0x11, 100)));
    EXPECT_EQ(panels.DrySpinEdit->Text(), "100");
}

TEST_F(MixerDigitalTest, EachRowSendsItsOwnAddress) {
    struct Row {
        TSpinEdit* field;
        std::uint8_t address;
    };
    const Row rows[] = {{panels.ADVolumeSpinEdit, 0x0B},
                        {panels.ReverbSpinEdit, 0x13},
                        {panels.ChorusSpinEdit, 0x12},
                        {panels.VariationSpinEdit, 0x14},
                        {panels.DrySpinEdit, 0x11}};
    for (const Row& row : rows) {
        clearSent();
        typeInto(row.field, "0");
        EXPECT_THAT(sent(), ElementsAreArray(ADPair(row.address, 0)));
    }
    EXPECT_EQ(panels.ReverbTrackBar->Position(), 127);
}

TEST_F(MixerDigitalTest, FailureOnPartZeroKeepsPartOneUnsent) {
    panels.ChorusTrackBar->SetPosition(122);
    service.failAfter(SimulatedMidiService::Op::Long, 0, MidiError::NotReady);
    EXPECT_NE(errorOf([&] { panels.ChorusTrackBarChange(); }), "");
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(panels.ChorusSpinEdit->Text(), "5");
}

} // namespace
} // namespace vireo::test
