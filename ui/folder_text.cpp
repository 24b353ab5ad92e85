#include "ui/folder_text.h"

#include <algorithm>
#include <iterator>

void CopyFolderText(wchar_t (&buffer)[kFolderTextCapacity], const wchar_t* text) {
    std::fill(std::begin(buffer), std::end(buffer), L'\0');
    if (text == nullptr) {
        return;
    }
    // Never reads past the terminator nor past what fits.
    for (std::size_t i = 0; i + 1 < kFolderTextCapacity && text[i] != L'\0'; ++i) {
        buffer[i] = text[i];
    }
}

FolderLabelLayout LayOutFolderLabel(std::size_t length) {
    if (length > kFolderLabelShownUnits) {
        return {kFolderLabelShownUnits, true};
    }
    return {length, false};
}
