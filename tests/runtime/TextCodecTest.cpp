// Document bytes in and out: strict UTF-8, one byte per character, and exact round trips.
#include <gtest/gtest.h>

#include <random>

#include "runtime/TextCodec.h"

namespace brisklet {
namespace {

TEST(TextCodec, AcceptsOnlyWellFormedUtf8) {
    struct Case {
        const char* name;
        std::string_view bytes;
        bool valid;
    } cases[] = {
        {"empty", "", true},
        {"ascii", "Procedure A()", true},
        {"umlaut", "\xC3\xA4", true},
        {"three bytes", "\xE2\x82\xAC", true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"latin-1 umlaut", "\xE4", false},
        {"truncated", "\xC3", false},
        {"truncated three", "\xE2\x82", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"lone continuation", "\x80", false},
        {"ascii run then bad", "abcdefghij\xFF", false},
        {"bad inside an eight-byte run", "abc\xC3\xA4" "defgh", true},
        {"bad right after a 32-byte run", "abcdefghijklmnopqrstuvwxyzABCDEF\xFF", false},
        {"bad ending a 32-byte run", "abcdefghijklmnopqrstuvwxyzABCDE\xFF" "G", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
    }
}

TEST(TextCodec, Utf8DocumentsCarryStrayBytesBesideTheirCharacters) {
    const DecodedText utf8 = DecodeDocument("\xC3\xA4", true);
    EXPECT_EQ(utf8.Encoding, ByteEncoding::Utf8);
    EXPECT_EQ(utf8.Text, u"ä");
    const DecodedText broken = DecodeDocument("\xC3\xA4\xFF\xC3 \xED\xA0\x80", true);
    EXPECT_EQ(broken.Encoding, ByteEncoding::Utf8);
    EXPECT_EQ(broken.Text, u"ä\xDCFF\xDCC3 \xDCED\xDCA0\xDC80");
    EXPECT_EQ(EncodeDocument(broken.Text, ByteEncoding::Utf8), std::string("\xC3\xA4\xFF\xC3 \xED\xA0\x80"));
    // A surrogate pair whose low half looks like a carried byte is still a character.
    EXPECT_EQ(EncodeDocument(u"\U00010080", ByteEncoding::Utf8), std::string("\xF0\x90\x82\x80"));
    const DecodedText ansi = DecodeDocument("\xC3\xA4", false);
    EXPECT_EQ(ansi.Encoding, ByteEncoding::SingleByte);
    EXPECT_EQ(ansi.Text.size(), 2u);
}

TEST(TextCodec, EveryByteSequenceSurvivesTheRoundTrip) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 40, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 0x80 : random() % 0x80);
        for (const bool utf8Document : {false, true}) {
            const DecodedText decoded = DecodeDocument(bytes, utf8Document);
            const std::optional<std::string> encoded = EncodeDocument(decoded.Text, decoded.Encoding);
            ASSERT_TRUE(encoded.has_value());
            ASSERT_EQ(*encoded, bytes) << "round " << round;
        }
    }
}

TEST(TextCodec, EncodingRefusesWhatOneBytePerCharacterCannotHold) {
    EXPECT_FALSE(EncodeDocument(u"\u0178", ByteEncoding::SingleByte).has_value());
    EXPECT_EQ(EncodeDocument(u"\u00FF", ByteEncoding::SingleByte), std::string("\xFF"));
    // A lone surrogate keeps its three bytes rather than vanishing.
    EXPECT_EQ(EncodeUtf8(u"\xD800"), "\xED\xA0\x80");
    EXPECT_EQ(DecodeUtf8("a\xFF" "b"), u"a\uFFFDb");
}

} // namespace
} // namespace brisklet
