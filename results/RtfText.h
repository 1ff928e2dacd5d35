// The text of an RTF document, for the preview: paragraphs, line breaks, tabs and table cells as
// plain text, with the document's characters (8-bit ones through its code page, \u ones with
// their fall-backs skipped) in UTF-8. Font, colour and style tables, pictures, objects, fields'
// instructions and every "\*" destination are left out. Every read is bounded by the input, and
// groups nested deeper than kMaxRtfDepth share the state of the deepest one kept, so damaged or
// hostile input costs neither unbounded memory nor a crash.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

inline constexpr int kMaxRtfDepth = 256;

std::string RtfToText(std::span<const std::byte> rtf);
std::string RtfToText(std::string_view rtf);
