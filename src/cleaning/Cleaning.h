// The eleven cleaning operations, applied to UTF-16 text or directly to document bytes.
#pragma once

#include <cstdint>
#include <string>

#include "cleaning/LetterCase.h"
#include "runtime/TextCodec.h"

namespace brisklet {

enum class CleaningOperation {
    RemoveEmptyLines,
    RemoveDebugLines,
    RemoveComments,
    RemoveDoubleSpaces,
    RemoveAllSpaces,
    RemoveSpacesAtEndOfLines,
    RemoveSpacesAtStartOfLines,
    ConvertTextToLowerCase,
    ConvertTextToUpperCase,
    ConvertTabToSpace,
    ConvertSpaceToTab,
};

// Replaces text with the operation's result. tabLength is read by the two tab conversions.
void ApplyOperation(CleaningOperation operation, std::u16string& text, int32_t tabLength);
// The same, with the case conversions going through caseMaps.
void ApplyOperation(CleaningOperation operation, std::u16string& text, int32_t tabLength, const CaseMaps& caseMaps);

// The same on undecoded bytes. Every operation but the case conversions looks only at ASCII
// characters, so it gives the bytes of the UTF-16 result without decoding anything.
void ApplyOperation(CleaningOperation operation, std::string& bytes, ByteEncoding encoding, int32_t tabLength);

} // namespace brisklet
