#include "persistence/HiveDocument.h"

#include <gtest/gtest.h>

namespace vireo {
namespace {

constexpr auto kSettings = "HKEY_CURRENT_USER\\Software\\Brenmark\\Sonexa Vireo Mixer\\Settings";

HiveDocument Parsed(std::string_view text) {
    auto document = HiveDocument::Parse(text);
    EXPECT_TRUE(document) << text;
    return document.value_or(HiveDocument());
}

std::optional<std::string> TextOf(const HiveDocument& doc, std::string_view name) {
    const auto value = doc.Find(kSettings, name);
    if (!value)
        return std::nullopt;
    return value->text;
}

TEST(HiveDocumentTest, ReadsTheTypesOfAnExportedHive) {
    const auto doc =
        Parsed("REGEDIT4\n"
               "\n"
               "[HKEY_CURRENT_USER\\Software\\Brenmark\\Sonexa Vireo Mixer\\Settings]\n"
               "\"DeviceName\"=\"USB MIDI Interface:MIDI 1\"\n"
               "\"Periodic Delay\"=dword:000000fa\n"
               "\"PosX\"=dword:fffffffb\n"
               "\"DefaultDir\"=hex(2):2f,68,6f,6d,65,2f,00\n"
               "\"Quoted\"=\"say \\\"hi\\\" C:\\\\dir\\\\\"\n"
               "@=\"unnamed\"\n"
               "\"Binary\"=hex:01,02\n");
    EXPECT_EQ(TextOf(doc, "DeviceName"), "USB MIDI Interface:MIDI 1");
    EXPECT_EQ(doc.Find(kSettings, "DeviceName")->type, HiveValue::Type::String);
    EXPECT_EQ(doc.Find(kSettings, "Periodic Delay")->dword, 250u);
    EXPECT_EQ(static_cast<std::int32_t>(doc.Find(kSettings, "PosX")->dword), -5);
    EXPECT_EQ(doc.Find(kSettings, "DefaultDir")->type, HiveValue::Type::ExpandString);
    EXPECT_EQ(TextOf(doc, "DefaultDir"), "/home/");
    EXPECT_EQ(TextOf(doc, "Quoted"), "say \"hi\" C:\\dir\\");
    EXPECT_EQ(TextOf(doc, ""), "unnamed");
    EXPECT_EQ(doc.Find(kSettings, "Binary")->type, HiveValue::Type::Other);
    EXPECT_FALSE(doc.Find(kSettings, "Missing"));
}

TEST(HiveDocumentTest, KeysAndNamesMatchWithoutRegardToCase) {
    const auto doc = Parsed("REGEDIT4\n[hkey_current_user\\SOFTWARE\\brenmark\\SONEXA vireo "
                            "mixer\\settings]\n\"devicename\"=\"x\"\n");
    EXPECT_EQ(TextOf(doc, "DeviceName"), "x");
}

TEST(HiveDocumentTest, TheLastOccurrenceWinsAndADeletionRemovesTheValue) {
    const auto doc =
        Parsed(std::string("REGEDIT4\n[") + kSettings + "]\n\"A\"=\"first\"\n\"B\"=\"kept\"\n[" +
               kSettings + "]\n\"A\"=\"second\"\n\"B\"=-\n");
    EXPECT_EQ(TextOf(doc, "A"), "second");
    EXPECT_FALSE(doc.Find(kSettings, "B"));
}

TEST(HiveDocumentTest, ValuesOfOtherKeysAreNotSeen) {
    const auto doc = Parsed("REGEDIT4\n\"Loose\"=\"before any section\"\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\n\"DeviceName\"=\"other\"\n");
    EXPECT_FALSE(doc.Find(kSettings, "DeviceName"));
    EXPECT_FALSE(doc.Find(kSettings, "Loose"));
    EXPECT_EQ(doc.Find("HKEY_CURRENT_USER\\Software\\Other", "DeviceName")->text, "other");
}

TEST(HiveDocumentTest, HexDataRunsOverContinuationLines) {
    const auto doc = Parsed(std::string("REGEDIT4\n[") + kSettings +
                            "]\n\"Dir\"=hex(2):2f,74,\\\n  6d,\\\n  70,00\n\"Count\"=hex(4):0a,00,"
                            "00,00\n\"Short\"=hex(1):61,62,00,63\n\"Qword\"=hex(b):01,00,00,00,00,"
                            "00,00,00\n");
    EXPECT_EQ(TextOf(doc, "Dir"), "/tmp");
    EXPECT_EQ(doc.Find(kSettings, "Count")->type, HiveValue::Type::DWord);
    EXPECT_EQ(doc.Find(kSettings, "Count")->dword, 10u);
    EXPECT_EQ(TextOf(doc, "Short"), "ab");
    EXPECT_EQ(doc.Find(kSettings, "Qword")->type, HiveValue::Type::Other);
}

TEST(HiveDocumentTest, EmptyTextIsAnEmptyHive) {
    for (const std::string_view text : {"", "\n\n", "  \r\n"}) {
        const auto doc = HiveDocument::Parse(text);
        ASSERT_TRUE(doc);
        EXPECT_EQ(doc->Serialize(), "REGEDIT4\n");
    }
}

TEST(HiveDocumentTest, DamagedTextIsRejected) {
    const std::string cases[] = {
        "[HKEY_CURRENT_USER\\Software]\n\"A\"=\"no header\"\n",
        "REGEDIT5\n",
        "; a note\nREGEDIT4\n",
        std::string("\x7f"
                    "ELF\x02\x01\x01\0\0\0REGEDIT4\n",
                    19),
        std::string("\xFF\xFEW\0i\0n\0\r\0\n\0", 12), // an export in UTF-16
        std::string("\0\x01\x02\nREGEDIT4\n", 13),
        "\xC3\x28REGEDIT4\n",
    };
    for (const std::string& text : cases)
        EXPECT_FALSE(HiveDocument::Parse(text)) << text;
}

TEST(HiveDocumentTest, LinesItDoesNotKnowSurviveAWrite) {
    const std::string text =
        std::string("REGEDIT4\r\n"
                    "; written by hand\r\n"
                    "\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Someone Else]\r\n"
                    "\"Theirs\"=hex(7):61,00,00,00\r\n"
                    "something we cannot read\r\n"
                    "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
                    "\r\n[") +
        kSettings + "]\r\n\"Display Hints\"=\"True\"\r\n\"Periodic Delay\"=dword:000000fa\r\n";
    auto doc = Parsed(text);
    ASSERT_TRUE(doc.Set(kSettings, "Display Hints", HiveValue::String("False")));
    std::string expected = text;
    expected.replace(expected.find("\"True\""), 6, "\"False\"");
    EXPECT_EQ(doc.Serialize(), expected);
}

TEST(HiveDocumentTest, SetAddsToTheKeysSectionOrAddsTheSection) {
    auto doc = Parsed(std::string("REGEDIT4\n\n[") + kSettings +
                      "]\n\"A\"=\"1\"\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"C\"=\"3\"\n");
    ASSERT_TRUE(doc.Set(kSettings, "B", HiveValue::DWord(2)));
    ASSERT_TRUE(doc.Set("HKEY_CURRENT_USER\\Software\\New", "", HiveValue::String("n")));
    EXPECT_EQ(doc.Serialize(), std::string("REGEDIT4\n\n[") + kSettings +
                                   "]\n\"A\"=\"1\"\n\"B\"=dword:00000002\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\Other]\n\"C\"=\"3\"\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\New]\n@=\"n\"\n");
}

TEST(HiveDocumentTest, SetReplacesEveryOccurrenceWhateverItsType) {
    auto doc = Parsed(std::string("REGEDIT4\n[") + kSettings + "]\n\"A\"=dword:00000001\n[" +
                      kSettings + "]\n\"a\"=hex(2):2f,2f,\\\n  00\n");
    ASSERT_TRUE(doc.Set(kSettings, "A", HiveValue::String("x")));
    EXPECT_EQ(doc.Serialize(), std::string("REGEDIT4\n[") + kSettings + "]\n\"A\"=\"x\"\n[" +
                                   kSettings + "]\n\"A\"=\"x\"\n");
}

TEST(HiveDocumentTest, WrittenValuesReadBackTheSame) {
    const HiveValue values[] = {
        HiveValue::String("plain"),
        HiveValue::String("back\\slash \"quotes\" and ; = [brackets]"),
        HiveValue::String("two\nlines\r\tand a tab"),
        HiveValue::String("caf\xC3\xA9"),
        HiveValue::String("\xFF\xFE not UTF-8"),
        HiveValue::ExpandString("%HOME%/x"),
        HiveValue::DWord(0),
        HiveValue::DWord(0xFFFFEC78u),
    };
    for (const HiveValue& value : values) {
        HiveDocument doc;
        ASSERT_TRUE(doc.Set(kSettings, "Name \"odd\" \\", value));
        const auto reread = HiveDocument::Parse(doc.Serialize());
        ASSERT_TRUE(reread) << doc.Serialize();
        const auto found = reread->Find(kSettings, "Name \"odd\" \\");
        ASSERT_TRUE(found);
        EXPECT_EQ(found->type, value.type);
        EXPECT_EQ(found->text, value.text);
        EXPECT_EQ(found->dword, value.dword);
    }
}

TEST(HiveDocumentTest, SetRefusesWhatCannotBeWritten) {
    HiveDocument doc;
    EXPECT_FALSE(doc.Set("", "A", HiveValue::String("x")));
    EXPECT_FALSE(doc.Set(kSettings, "line\nbreak", HiveValue::String("x")));
    EXPECT_FALSE(doc.Set("HKEY_CURRENT_USER\\a\nb", "A", HiveValue::String("x")));
    EXPECT_FALSE(doc.Set(kSettings, "A", HiveValue{HiveValue::Type::Deleted, {}, 0}));
    EXPECT_EQ(doc.Serialize(), "REGEDIT4\n");
}

TEST(HiveDocumentTest, ValueLinesAreFormattedAsTheEditorExportsThem) {
    EXPECT_EQ(FormatHiveValueLine("Periodic Delay", HiveValue::DWord(250)),
              "\"Periodic Delay\"=dword:000000fa");
    EXPECT_EQ(FormatHiveValueLine("", HiveValue::String("a\"b")), "@=\"a\\\"b\"");
    EXPECT_EQ(FormatHiveValueLine("E", HiveValue::ExpandString("ab")), "\"E\"=hex(2):61,62,00");
    EXPECT_EQ(FormatHiveValueLine("S", HiveValue::String("a\nb")), "\"S\"=hex(1):61,0a,62,00");
    EXPECT_EQ(FormatHiveValueLine("S", HiveValue::String(std::string("ab\0cd", 5))),
              "\"S\"=\"ab\"");
}

// A hive with one line the reader cannot take: the line holds no value and stays as it stands,
// every other value reads, and values are still set.
class HiveUnreadableLineTest : public testing::Test {
protected:
    static std::string Section() { return std::string("[") + kSettings + "]\n"; }
};

TEST_F(HiveUnreadableLineTest, EveryOtherValueReadsAndTheLineIsKeptWhenWritten) {
    const std::string lines[] = {
        "\"Periodic Delay\"=dword:1f4",
        "\"Periodic Delay\"=dword:0000000g",
        "\"Periodic Delay\"=qword:00",
        "\"Periodic Delay\"=\"text\" trailing",
        "\"Periodic Delay\" \"B\"",
        "\"Periodic Delay\"=hex(2):2f,7",
        "\"Periodic Delay\"=hex(2):2f,",
        "\"Periodic Delay\"=\"caf\xC3\x28\"",           // invalid UTF-8
        "\"Periodic Delay\"=\"\xED\xA0\x80\"",          // an encoded surrogate
        "\"Periodic Delay\"=\"\xFF\"",                  // one byte that is not UTF-8
        std::string("\"Periodic Delay\"=\"a\0b\"", 22), // a control character
        std::string("\0\x01\x02", 3),
        "\"Periodic Delay",
        "\"Periodic Delay\"=",
    };
    for (const std::string& bad : lines) {
        const std::string text = "REGEDIT4\n\n" + Section() + "\"DeviceName\"=\"Synth\"\n" + bad +
                                 "\n\"PosX\"=dword:00000007\n";
        auto doc = Parsed(text);
        EXPECT_EQ(TextOf(doc, "DeviceName"), "Synth") << bad;
        EXPECT_EQ(doc.Find(kSettings, "PosX")->dword, 7u) << bad;
        EXPECT_FALSE(doc.Find(kSettings, "Periodic Delay")) << bad;
        EXPECT_EQ(doc.Serialize(), text);

        ASSERT_TRUE(doc.Set(kSettings, "Periodic Delay", HiveValue::DWord(500))) << bad;
        ASSERT_TRUE(doc.Set(kSettings, "DeviceName", HiveValue::String("Other")));
        const std::string written = doc.Serialize();
        EXPECT_EQ(written, "REGEDIT4\n\n" + Section() + "\"DeviceName\"=\"Other\"\n" + bad +
                               "\n\"PosX\"=dword:00000007\n\"Periodic Delay\"=dword:000001f4\n");
        const auto reread = HiveDocument::Parse(written);
        ASSERT_TRUE(reread);
        EXPECT_EQ(reread->Find(kSettings, "Periodic Delay")->dword, 500u);
    }
}

TEST_F(HiveUnreadableLineTest, ALastLineCutShortCostsOnlyItself) {
    const std::string tails[] = {
        "\"DeviceName\"=\"USB MI",       "\"Device",
        "\"Periodic Delay\"=dword:0000", "[HKEY_CURRENT_USER\\Software\\Bren",
        "\"Dir\"=hex(2):2f,74,\\\n",     "\"Dir\"=hex(2):2f,74,\\\n  6d,\\",
    };
    for (const std::string& tail : tails) {
        const std::string text = "REGEDIT4\n" + Section() + "\"PosY\"=dword:00000009\n" + tail;
        auto doc = Parsed(text);
        EXPECT_EQ(doc.Find(kSettings, "PosY")->dword, 9u) << tail;
        ASSERT_TRUE(doc.Set(kSettings, "PosX", HiveValue::DWord(3)));
        const std::string ended = tail.ends_with('\n') ? tail : tail + "\n";
        EXPECT_EQ(doc.Serialize(), "REGEDIT4\n" + Section() +
                                       "\"PosY\"=dword:00000009\n\"PosX\"=dword:00000003\n" +
                                       ended);
    }
}

TEST_F(HiveUnreadableLineTest, ValuesAfterASectionLineThatCannotBeReadBelongToNoKey) {
    const std::string text = "REGEDIT4\n" + Section() + "\"DeviceName\"=\"Synth\"\n" + "[" +
                             kSettings + "\n\"DeviceName\"=\"lost\"\n\"PosX\"=dword:00000001\n" +
                             Section() + "\"PosY\"=dword:00000002\n";
    auto doc = Parsed(text);
    EXPECT_EQ(TextOf(doc, "DeviceName"), "Synth");
    EXPECT_FALSE(doc.Find(kSettings, "PosX"));
    EXPECT_EQ(doc.Find(kSettings, "PosY")->dword, 2u);
    ASSERT_TRUE(doc.Set(kSettings, "PosX", HiveValue::DWord(5)));
    EXPECT_EQ(doc.Serialize(), text + "\"PosX\"=dword:00000005\n");
}

TEST_F(HiveUnreadableLineTest, BlankLinesBeforeTheHeaderAreKept) {
    const std::string text = "\n  \r\n\tREGEDIT4\n";
    EXPECT_FALSE(HiveDocument::Parse(text)); // an indented header is no header
    const std::string hive = "\n  \r\n\nREGEDIT4\r\n" + Section() + "\"DeviceName\"=\"Synth\"\r\n";
    auto doc = Parsed(hive);
    EXPECT_EQ(TextOf(doc, "DeviceName"), "Synth");
    EXPECT_EQ(doc.Serialize(), hive);
    ASSERT_TRUE(doc.Set(kSettings, "PosX", HiveValue::DWord(1)));
    EXPECT_EQ(doc.Serialize(), hive + "\"PosX\"=dword:00000001\r\n");
}

TEST_F(HiveUnreadableLineTest, EveryLineKeepsItsOwnEndingAndTheByteOrderMarkStays) {
    const std::string text = "\xEF\xBB\xBFREGEDIT4\r\n" + std::string("[") + kSettings +
                             "]\n\"A\"=\"1\"\r\n\"B\"=\"2\"\n\"C\"=\"3\"";
    auto doc = Parsed(text);
    EXPECT_EQ(TextOf(doc, "C"), "3");
    EXPECT_EQ(doc.Serialize(), text + "\r\n");
    ASSERT_TRUE(doc.Set(kSettings, "A", HiveValue::String("x")));
    ASSERT_TRUE(doc.Set(kSettings, "B", HiveValue::String("y")));
    EXPECT_EQ(doc.Serialize(), "\xEF\xBB\xBFREGEDIT4\r\n" + std::string("[") + kSettings +
                                   "]\n\"A\"=\"x\"\r\n\"B\"=\"y\"\n\"C\"=\"3\"\r\n");
}

} // namespace
} // namespace vireo
