// Letter case conversion of file bytes: UTF-8 sequence by sequence, or one byte one character.
#pragma once

#include <string_view>

#include "cleaning/stream/ByteBuffer.h"
#include "cleaning/LetterCase.h"
#include "runtime/TextCodec.h"

namespace brisklet {

// Appends piece in letterCase to out. In UTF-8 a well-formed sequence is converted as the
// character it encodes and a byte of no such sequence stays as it is; single bytes are the
// first 256 characters, and a character whose other case lies beyond them stays.
void ConvertCaseBytes(std::string_view piece, LetterCase letterCase, ByteEncoding encoding, ByteBuffer& out);

// ConvertCaseBytes without the processor's wider instructions, whatever it has: the same bytes,
// which the tests check on a processor that has them.
void ConvertCaseBytesPlain(std::string_view piece, LetterCase letterCase, ByteEncoding encoding, ByteBuffer& out);

} // namespace brisklet
