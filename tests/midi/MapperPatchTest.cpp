#include "midi/MapperPatch.h"

#include "midi/SimulatedMidiService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vireo {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

class MapperPatchTest : public testing::Test {
protected:
    MapperPatchTest() {
        service.addMapperPort("Synth:midi_in");
        service.addMapperPort("Sampler:in");
    }

    void OpenMapper() {
        MidiOutService::Handle handle = 0;
        ASSERT_EQ(service.open(MidiOutService::kMapper, handle), MidiError::NoError);
    }

    std::vector<std::string> Connected() const {
        std::vector<std::string> names;
        for (const auto& call : service.calls()) {
            if (call.op == SimulatedMidiService::Op::ConnectMapper &&
                call.result == MidiError::NoError)
                names.emplace_back(call.bytes.begin(), call.bytes.end());
        }
        return names;
    }

    SimulatedMidiService service;
};

TEST_F(MapperPatchTest, WiresEveryRememberedPortThatExistsAndKeepsTheOthers) {
    OpenMapper();
    MapperPatch patch(service, {"Synth:midi_in", "Gone:in"});
    const MapperPatch::Change change = patch.connectRemembered();
    EXPECT_THAT(Connected(), ElementsAre("Synth:midi_in"));
    EXPECT_THAT(service.mapperConnections(), ElementsAre("Synth:midi_in"));
    EXPECT_TRUE(change.newWire);
    EXPECT_FALSE(change.rememberedChanged);
    EXPECT_THAT(patch.remembered(), ElementsAre("Synth:midi_in", "Gone:in"));
}

TEST_F(MapperPatchTest, MakesNoWireBeforeTheOwnPortExists) {
    MapperPatch patch(service, {"Synth:midi_in"});
    const MapperPatch::Change change = patch.connectRemembered();
    EXPECT_THAT(service.mapperConnections(), IsEmpty());
    EXPECT_FALSE(change.newWire);
    EXPECT_THAT(patch.remembered(), ElementsAre("Synth:midi_in"));
}

TEST_F(MapperPatchTest, AnAlreadyWiredPortIsNotWiredAgain) {
    OpenMapper();
    service.wireMapper("Synth:midi_in");
    MapperPatch patch(service, {"Synth:midi_in"});
    patch.connectRemembered();
    EXPECT_THAT(Connected(), IsEmpty());
}

TEST_F(MapperPatchTest, AWireMadeByHandIsNewOnceAndRemembered) {
    OpenMapper();
    MapperPatch patch(service, {});
    service.wireMapper("Sampler:in");
    MapperPatch::Change change = patch.update();
    EXPECT_TRUE(change.newWire);
    EXPECT_TRUE(change.rememberedChanged);
    EXPECT_THAT(patch.remembered(), ElementsAre("Sampler:in"));

    change = patch.update();
    EXPECT_FALSE(change.newWire);
    EXPECT_FALSE(change.rememberedChanged);
}

TEST_F(MapperPatchTest, AWireRemovedWhileItsPortStaysIsForgotten) {
    OpenMapper();
    MapperPatch patch(service, {"Synth:midi_in", "Sampler:in"});
    patch.connectRemembered();
    service.unwireMapper("Synth:midi_in");
    const MapperPatch::Change change = patch.update();
    EXPECT_TRUE(change.rememberedChanged);
    EXPECT_FALSE(change.newWire);
    EXPECT_THAT(patch.remembered(), ElementsAre("Sampler:in"));
}

TEST_F(MapperPatchTest, AWireTheUserCutIsNotMadeAgain) {
    OpenMapper();
    MapperPatch patch(service, {"Synth:midi_in"});
    patch.connectRemembered();
    service.unwireMapper("Synth:midi_in");
    service.clearCalls();
    patch.connectRemembered();
    EXPECT_THAT(Connected(), IsEmpty());
    EXPECT_THAT(patch.remembered(), IsEmpty());
}

TEST_F(MapperPatchTest, APortThatGoesIsKeptAndWiredAgainWhenItComesBack) {
    OpenMapper();
    MapperPatch patch(service, {"Synth:midi_in"});
    patch.connectRemembered();
    service.removeMapperPort("Synth:midi_in");
    MapperPatch::Change change = patch.connectRemembered();
    EXPECT_FALSE(change.rememberedChanged);
    EXPECT_THAT(patch.remembered(), ElementsAre("Synth:midi_in"));

    service.addMapperPort("Synth:midi_in");
    change = patch.connectRemembered();
    EXPECT_TRUE(change.newWire);
    EXPECT_THAT(service.mapperConnections(), ElementsAre("Synth:midi_in"));
}

TEST_F(MapperPatchTest, StoredTextHoldsOneNamePerLine) {
    const std::vector<std::string> names{"a2j:Midi Through (playback): Port-0", "Synth:in, left"};
    EXPECT_EQ(MapperPatch::Join(names), "a2j:Midi Through (playback): Port-0\nSynth:in, left");
    EXPECT_EQ(MapperPatch::Split(MapperPatch::Join(names)), names);
    EXPECT_THAT(MapperPatch::Split(""), IsEmpty());
    EXPECT_THAT(MapperPatch::Split("x\n\nx\ny\n"), UnorderedElementsAre("x", "y"));
}

} // namespace
} // namespace vireo
