#include "install/folder_rules.h"

namespace {
constexpr std::wstring_view kPickSuffix = L"Vantrel\\LMD";
constexpr std::wstring_view kParametersHead = L"/verysilent -progress -setuppath=\"";
constexpr std::wstring_view kParametersTail = L"\"";

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}
} // namespace

std::vector<std::wstring> SplitDriveList(std::wstring_view list) {
    std::vector<std::wstring> roots;
    std::size_t at = 0;
    while (at < list.size() && list[at] != L'\0') {
        std::size_t end = list.find(L'\0', at);
        if (end == std::wstring_view::npos) {
            end = list.size();
        }
        roots.emplace_back(list.substr(at, end - at));
        at = end + 1;
    }
    return roots;
}

wchar_t ChooseDefaultDrive(const std::vector<DriveRoot>& drives, wchar_t systemDrive) {
    int fixedSeen = 0;
    for (const DriveRoot& drive : drives) {
        if (drive.fixed && IsDriveLetter(drive.letter) && ++fixedSeen == 2) {
            return drive.letter;
        }
    }
    return IsDriveLetter(systemDrive) ? systemDrive : L'C';
}

std::wstring DefaultInstallFolder(wchar_t drive) {
    return std::wstring(1, drive) + L":\\Program Files\\Vantrel\\LMD";
}

std::wstring DefaultFolderNotice(wchar_t drive) {
    return L"默认为您安装在" + std::wstring(1, drive) + L"盘";
}

std::optional<std::wstring> InstallFolderForPick(std::wstring_view picked) {
    if (picked.empty() || picked.size() + 1 + kPickSuffix.size() > kMaxInstallFolderLength) {
        return std::nullopt;
    }
    std::wstring folder(picked);
    folder.append(L"\\").append(kPickSuffix);
    return folder;
}

std::optional<std::wstring> InstallerParameters(std::wstring_view folder) {
    const std::size_t length = kParametersHead.size() + folder.size() + kParametersTail.size();
    if (length + 1 > kInstallerParametersCapacity) {
        return std::nullopt;
    }
    std::wstring text;
    text.reserve(length);
    text.append(kParametersHead).append(folder).append(kParametersTail);
    return text;
}
