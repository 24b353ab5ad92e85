#include "core/bounded_path.h"

std::optional<std::wstring> JoinWithin(std::wstring_view folder, std::wstring_view name,
                                       std::size_t capacity) {
    std::wstring joined;
    joined.reserve(folder.size() + 1 + name.size());
    joined.append(folder).append(L"\\").append(name);
    if (joined.size() + 1 > capacity) {
        return std::nullopt;
    }
    return joined;
}
