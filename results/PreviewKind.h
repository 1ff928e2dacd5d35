// What the preview shows of a file, from the last four characters of its name (compared without
// regard to case): pictures, RTF documents and zip listings; nothing for any other name,
// including one shorter than four characters.
#pragma once

#include <string_view>

enum class PreviewKind { None, Picture, Rtf, Zip };

PreviewKind PreviewKindOfName(std::u16string_view name);
