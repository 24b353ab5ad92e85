#include "net/image_list.h"

#include "core/bounded_path.h"

std::vector<std::wstring> SplitImageList(std::wstring_view list,
                                         const std::function<std::wstring()>& makeQuery) {
    std::vector<std::wstring> addresses;
    if (list.size() > kImageListMaxChars) {
        return addresses;
    }
    for (;;) {
        const std::size_t separator = list.find(L';');
        std::wstring address(list.substr(0, separator));
        address += makeQuery();
        addresses.push_back(std::move(address));
        if (separator == std::wstring_view::npos) {
            return addresses;
        }
        list.remove_prefix(separator + 1);
    }
}

std::optional<std::wstring> SlideFileName(std::wstring_view folder, std::size_t position) {
    return JoinWithin(folder, std::to_wstring(position) + L".bmp", kSlideFileNameMaxChars + 1);
}
