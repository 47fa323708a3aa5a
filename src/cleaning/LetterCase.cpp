// "/converttexttouppercaseletters" and "/converttexttolowercaseletters".
#include "cleaning/LetterCase.h"

#include "runtime/CaseTable.h"

namespace brisklet {

namespace {

const char16_t* CaseMap(LetterCase letterCase) {
    return letterCase == LetterCase::Upper ? UpperCaseMap() : LowerCaseMap();
}

void ConvertSingleBytes(std::string& bytes, const char16_t* map) {
    for (char& byte : bytes)
        byte = static_cast<char>(map[static_cast<unsigned char>(byte)]);
}

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0xE0)
        return 2;
    return lead < 0xF0 ? 3 : 4;
}

void AppendUtf8(std::string& out, char16_t unit) {
    if (unit < 0x80) {
        out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

// Well-formed UTF-8 in, well-formed UTF-8 out. Characters beyond the BMP are two surrogate
// halves in UTF-16, which have no case, so their four bytes are copied.
void ConvertUtf8(std::string& bytes, const char16_t* map) {
    std::string out;
    out.reserve(bytes.size());
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    for (size_t at = 0; at < bytes.size();) {
        const unsigned char lead = byte(at);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(map[lead]));
            ++at;
            continue;
        }
        const size_t length = Utf8SequenceLength(lead);
        if (length == 4 || at + length > bytes.size()) {
            out.append(bytes, at, length);
            at += length;
            continue;
        }
        const char16_t unit = length == 2
                                  ? static_cast<char16_t>(((lead & 0x1F) << 6) | (byte(at + 1) & 0x3F))
                                  : static_cast<char16_t>(((lead & 0x0F) << 12) | ((byte(at + 1) & 0x3F) << 6) |
                                                          (byte(at + 2) & 0x3F));
        AppendUtf8(out, map[unit]);
        at += length;
    }
    bytes.swap(out);
}

} // namespace

void ConvertLetterCase(std::u16string& text, LetterCase letterCase) {
    const char16_t* map = CaseMap(letterCase);
    for (char16_t& unit : text)
        unit = map[unit];
}

void ConvertLetterCase(std::string& bytes, ByteEncoding encoding, LetterCase letterCase) {
    if (encoding == ByteEncoding::Utf8)
        ConvertUtf8(bytes, CaseMap(letterCase));
    else
        ConvertSingleBytes(bytes, CaseMap(letterCase));
}

} // namespace brisklet
