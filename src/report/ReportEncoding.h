#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace elvaro::report {

// How the bytes of a report file are read. The instrument sends code page 437; other programs
// (terminals, editors, web pages) save UTF-8. `Automatic` reads a file as UTF-8 when the whole of
// it is valid UTF-8 and it holds at least one character beyond ASCII (a byte-order mark counts),
// and as code page 437 otherwise: a report of the instrument that holds a line-drawing byte is
// never valid UTF-8, since those bytes cannot stand alone in it.
enum class ReportEncoding { Automatic, CodePage437, Utf8 };

// The encoding of a command line's --encoding value: "cp437" or "utf-8" (also "utf8"), in any case.
std::optional<ReportEncoding> encodingNamed(std::string_view name);

// The byte offset of the first byte of `bytes` that is not part of a valid UTF-8 character
// (overlong forms, surrogates and values past U+10FFFF are not), npos when there is none.
std::size_t firstInvalidUtf8(std::string_view bytes);

// Whether `Automatic` reads `bytes` as UTF-8.
bool readsAsUtf8(std::string_view bytes);

// The character the parser reads for a box-drawing character U+2500 to U+257F, as the byte filter
// gives for code page 437's: the horizontal lines (single, heavy, dashed and half) '-', the double
// horizontal line '=', the vertical lines (single, heavy, dashed, half and double) '|', and every
// other one (corners, junctions, rounded corners) '+'. 0 for any other character.
char boxDrawingCharacter(char32_t c);

// Valid UTF-8 text as the parser reads it: a leading byte-order mark dropped, every box-drawing
// character replaced by its boxDrawingCharacter(), all else kept. Done where the text stands.
void mapUtf8Report(std::string &text);

// Valid UTF-8 text in code page 437 bytes, as the instrument would send it (a leading byte-order
// mark dropped). A box-drawing character the code page lacks (heavy, dashed, rounded) becomes the
// code page's line that reads the same after the byte filter; any other character it lacks becomes
// '?', and `replaced` counts those.
std::string toCodePage437(std::string_view utf8, std::size_t &replaced);

// The characters of UTF-8 text, one per column of a fixed-pitch report; a byte that is no part of
// a valid character becomes U+FFFD, so that any text can be read.
void appendCharacters(std::u32string &out, std::string_view utf8);
// Appends the UTF-8 form of `characters` to `out`.
void appendUtf8(std::string &out, std::u32string_view characters);

} // namespace elvaro::report
