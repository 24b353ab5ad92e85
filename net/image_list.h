#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The image list answer is taken into 512 UTF-16 units with the terminator; a longer
// list is not used at all rather than cut into different addresses.
constexpr std::size_t kImageListMaxChars = 511;
// Slide file names are "<image folder>\<position>.bmp" of at most 129 characters.
constexpr std::size_t kSlideFileNameMaxChars = 129;

// Splits the image list at every ";" (no trimming, no unquoting): n separators give
// n + 1 addresses, an empty list one empty address. Each address gets its own query
// from `makeQuery` appended. A list longer than kImageListMaxChars gives nothing.
std::vector<std::wstring> SplitImageList(std::wstring_view list,
                                         const std::function<std::wstring()>& makeQuery);

// "<folder>\<position>.bmp", or nothing when that would exceed kSlideFileNameMaxChars.
std::optional<std::wstring> SlideFileName(std::wstring_view folder, std::size_t position);
