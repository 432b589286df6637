// Inputs found by fuzzing the hive reader and writer, kept as tests.
#include "persistence/HiveDocument.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

using namespace std::string_literals;

constexpr auto kKey = "HKEY_CURRENT_USER\\Software\\Fuzz";

TEST(HiveFuzzRegression, AStringSetWithAZeroByteReadsAsTheFileHoldsIt) {
    for (const HiveValue& value :
         {HiveValue::String("kept\0lost"s), HiveValue::String("\x01\xFF\0lost"s),
          HiveValue::ExpandString("/home/\0lost"s)}) {
        // Added to an empty hive, and replacing a value already there.
        for (std::string_view text :
             {"", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Fuzz]\n\"Value\"=\"old\"\n"}) {
            auto doc = HiveDocument::Parse(text).value();
            ASSERT_TRUE(doc.Set(kKey, "Value", value));
            const auto reread = HiveDocument::Parse(doc.Serialize());
            ASSERT_TRUE(reread);
            const auto inMemory = doc.Find(kKey, "Value");
            const auto fromFile = reread->Find(kKey, "Value");
            ASSERT_TRUE(inMemory && fromFile);
            EXPECT_EQ(inMemory->type, value.type);
            EXPECT_EQ(fromFile->type, value.type);
            EXPECT_EQ(inMemory->text, value.text.substr(0, value.text.find('\0')));
            EXPECT_EQ(fromFile->text, inMemory->text);
        }
    }
}

} // namespace
} // namespace vireo
