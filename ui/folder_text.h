#pragma once
#include <cstddef>

// The folder label's text rules: it keeps its own copy of at most 259 UTF-16 units,
// and shows the first 20 of them followed by "..." when the text is longer.
constexpr std::size_t kFolderTextCapacity = 260; // terminator included
constexpr std::size_t kFolderLabelShownUnits = 20;

// Clears `buffer` and copies `text` into it, cut to capacity - 1 units and always
// terminated. A null text leaves the buffer empty.
void CopyFolderText(wchar_t (&buffer)[kFolderTextCapacity], const wchar_t* text);

// How the label shows a text of `length` units.
struct FolderLabelLayout {
    std::size_t shownUnits; // drawn from the start of the text
    bool cut;               // "..." follows and the balloon carries the whole text
};
FolderLabelLayout LayOutFolderLabel(std::size_t length);
