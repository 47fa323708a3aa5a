// Random texts for the cleaning tests, and the means to report a failing one: escaped for
// reading, and cut down to the few characters that matter.
#include "support/CleaningSamples.h"

#include <algorithm>
#include <cstdio>

#include "runtime/TextCodec.h"

namespace brisklet::test {

namespace {

bool IsLatin1(std::u16string_view text) {
    for (const char16_t unit : text) {
        if (unit > 0xFF)
            return false;
    }
    return true;
}

// What lines are made of: the characters the rules look for, near misses of them, a CR inside
// a line (which the line split deletes, joining what stood around it), words of the language,
// and letters whose encodings or case mappings change length.
constexpr std::u16string_view Pieces[] = {
    u";", u";", u";", u"\"", u"\"", u"\"", u"~\"", u"~", u"\r", u"'", u"Debug ", u"Debug ", u"Debug\t", u"debug ",
    u"Debug", u"MyDebug x", u"; note", u";{", u" ", u" ", u"  ", u"   ", u"\t", u" \t ", u"a", u"x", u"If",
    u"EndIf", u"Procedure", u"s$", u" = ", u"1", u":", u"\u00e4", u"\u00df", u"\u00ff", u"\u00b5", u"\u00c4",
    u"\u00e9", u"\u00a0", u"\f", u"\v", u"\u03a9\u03bc\u03ad\u03b3\u03b1", u"\u6f22\u5b57", u"\U0001F600",
    u"\u212a", u"\u212b", u"\u0130", u"\u1e9e", u"\u017f", u"\u0178", u"\u023a", u"\u0250", u"\uff41",
};

constexpr std::u16string_view LineEnds[] = {u"\n", u"\n", u"\n", u"\r\n", u"\r\n", u"\r", u"\n\n", u"\r\r\n", u""};

std::u16string RandomBlanks(std::mt19937& random, int most) {
    std::u16string blanks;
    for (int count = Uniform(random, 0, most); count > 0; --count)
        blanks += Uniform(random, 0, 2) == 0 ? u'\t' : u' ';
    return blanks;
}

bool SplitsSurrogatePair(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        const bool nextLow = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (low || (high && !nextLow))
            return true;
        if (high)
            ++i;
    }
    return false;
}

} // namespace

int Uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

std::u16string RandomText(std::mt19937& random, bool latin1Only) {
    std::u16string text;
    for (int lines = Uniform(random, 0, 12); lines > 0; --lines) {
        text += RandomBlanks(random, 7);
        for (int pieces = Uniform(random, 0, 8); pieces > 0; --pieces) {
            std::u16string_view piece = Pick(random, Pieces);
            while (latin1Only && !IsLatin1(piece))
                piece = Pick(random, Pieces);
            if (Uniform(random, 0, 5) == 0)
                text += static_cast<char16_t>(u'A' + Uniform(random, 0, 25) + Uniform(random, 0, 1) * 32);
            else
                text += piece;
        }
        text += RandomBlanks(random, 4);
        text += Pick(random, LineEnds);
    }
    return text;
}

std::string Escape(std::u16string_view text) {
    std::string out = "\"";
    for (const char16_t unit : text) {
        switch (unit) {
        case u'\n': out += "\\n"; break;
        case u'\r': out += "\\r"; break;
        case u'\t': out += "\\t"; break;
        case u'"': out += "\\\""; break;
        case u'\\': out += "\\\\"; break;
        default:
            if (unit >= 0x20 && unit < 0x7F) {
                out += static_cast<char>(unit);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(unit));
                out += hex;
            }
        }
    }
    return out + "\"";
}

std::string EscapeBytes(std::string_view bytes) {
    if (IsValidUtf8(bytes))
        return Escape(DecodeUtf8(bytes));
    std::string out = "bytes";
    for (const char byte : bytes) {
        char hex[8];
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned>(static_cast<unsigned char>(byte)));
        out += hex;
    }
    return out;
}

std::u16string Shrink(std::u16string text, const std::function<bool(const std::u16string&)>& fails) {
    for (size_t size = std::max<size_t>(text.size() / 2, 1); size > 0; size /= 2) {
        for (size_t at = 0; at + size <= text.size();) {
            std::u16string candidate = text;
            candidate.erase(at, size);
            if (!SplitsSurrogatePair(candidate) && fails(candidate))
                text = std::move(candidate);
            else
                ++at;
        }
    }
    return text;
}

} // namespace brisklet::test
