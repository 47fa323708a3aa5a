// The system code page's tables, built through a stand-in for the platform's conversions.
#include <gtest/gtest.h>

#include <random>

#include "runtime/CodePage.h"
#include "runtime/TextCodec.h"
#include "support/FakeCodePage.h"

namespace brisklet {
namespace {

std::string Encoded(const AnsiCodePage& codePage, std::u16string_view text) {
    std::string bytes;
    EXPECT_TRUE(EncodeAnsi(codePage, text, bytes));
    return bytes;
}

TEST(CodePage, SingleBytesRoundTripOrAreCarried) {
    test::FakeCodePage platform = test::GreekCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(platform);
    struct Case {
        const char* Name;
        std::string_view Bytes;
        std::u16string_view Text;
    } cases[] = {
        {"ascii", "If x", u"If x"},
        {"greek letters", "\xE4\xDD\xB8", u"\u03B4\u03AD\u0388"},
        {"undefined byte", "\xAA", u"\xDCAA"},
        {"written back by best fit", "\x80", u"\xDC80"},
        {"zero byte", std::string_view("a\0b", 3), u"a\xDC00" u"b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(DecodeAnsi(page, c.Bytes), c.Text);
        EXPECT_EQ(Encoded(page, c.Text), c.Bytes);
    }
}

TEST(CodePage, SingleByteCaseStaysInsideTheCodePage) {
    test::FakeCodePage platform = test::GreekCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(platform);
    struct Case {
        const char* Name;
        char16_t Character;
        char16_t Upper;
        char16_t Lower;
    } cases[] = {
        {"ascii", u'a', u'A', u'a'},
        {"epsilon with tonos", u'\u03AD', u'\u0388', u'\u03AD'},
        {"capital omicron with tonos", u'\u038C', u'\u038C', u'\u03CC'},
        {"final sigma", u'\u03C2', u'\u03A3', u'\u03C2'},
        {"micro sign to capital mu, present", u'\u00B5', u'\u039C', u'\u00B5'},
        {"y diaeresis, capital absent", u'\u00FF', u'\u00FF', u'\u00FF'},
        {"no capital of one unit", u'\u0390', u'\u0390', u'\u0390'},
        {"carried byte", u'\xDCE1', u'\xDCE1', u'\xDCE1'},
        {"not in the page", u'\u0430', u'\u0430', u'\u0430'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(page.Upper[c.Character], c.Upper);
        EXPECT_EQ(page.Lower[c.Character], c.Lower);
    }
}

TEST(CodePage, DoubleBytesAreCharactersWhoseTrailBytesAreNeverAscii) {
    test::FakeCodePage platform = test::JapaneseCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(platform);
    struct Case {
        const char* Name;
        std::string_view Bytes;
        std::u16string_view Text;
    } cases[] = {
        {"trail bytes ~ and backslash", "\"\x83\x7E\" \x95\x5C\x83\x5C", u"\"\u30DF\" \u8868\u30BD"},
        {"the lowest trail byte, @", "\x83\x40;", u"\u30A1;"},
        {"half-width single byte", "\xB1;", u"\uFF71;"},
        {"undefined pair with trail ~", "\x85\x7E\"", u"\xDC85\xDC7E\""},
        {"lead byte before a line end", "\x83\n;", u"\xDC83\n;"},
        {"lead byte before a semicolon", "\x83;", u"\xDC83;"},
        {"lead byte at the end", "a\x83", u"a\xDC83"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(DecodeAnsi(page, c.Bytes), c.Text);
        EXPECT_EQ(Encoded(page, c.Text), c.Bytes);
    }
}

TEST(CodePage, DoubleByteCaseKeepsTheNumberOfBytes) {
    test::FakeCodePage platform = test::JapaneseCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(platform);
    EXPECT_EQ(page.Upper[u'\uFF41'], u'\uFF21');
    EXPECT_EQ(page.Lower[u'\u0414'], u'\u0434');
    EXPECT_EQ(page.Upper[u'\u30CA'], u'\u30CA');
    EXPECT_EQ(page.Upper[u'\u00FC'], u'\u00FC'); // its capital is a single byte
    EXPECT_EQ(page.Lower[u'\u00DC'], u'\u00DC'); // and the other way round
}

TEST(CodePage, EveryByteSequenceComesBackAsItWas) {
    test::FakeCodePage greek = test::GreekCodePage();
    test::FakeCodePage japanese = test::JapaneseCodePage();
    const AnsiCodePage pages[] = {BuildAnsiCodePage(greek), BuildAnsiCodePage(japanese)};
    std::mt19937 random(20240611u); // the same bytes on every run
    const std::string_view alphabet("\x83\x84\x85\x95\x7E\x5C\x69\x41\x45\x74\x81\x9A\xA0\xB1\xFF\x80\n ;\"a\0", 21);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    for (const AnsiCodePage& page : pages) {
        for (int round = 0; round < 500; ++round) {
            std::string bytes(static_cast<size_t>(round % 24), '\0');
            for (char& byte : bytes)
                byte = alphabet[pick(random)];
            ASSERT_EQ(Encoded(page, DecodeAnsi(page, bytes)), bytes);
        }
    }
}

TEST(CodePage, DocumentsNameTheCodePageTheyWereReadIn) {
    test::FakeCodePage platform = test::JapaneseCodePage();
    const AnsiCodePage page = BuildAnsiCodePage(platform);
    const DecodedText read = DecodeDocument("\x83\x69", false, &page);
    EXPECT_EQ(read.Text, u"\u30CA");
    EXPECT_EQ(read.CodePage, &page);
    EXPECT_EQ(EncodeDocument(read.Text, read.Encoding, read.CodePage), "\x83\x69");
    EXPECT_FALSE(EncodeDocument(u"\u0430", read.Encoding, read.CodePage).has_value());
    EXPECT_EQ(DecodeDocument("\x83\x69", true, &page).CodePage, nullptr); // UTF-8 needs none
}

} // namespace
} // namespace brisklet
