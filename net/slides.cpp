#include "net/slides.h"

#include <windows.h>
#include <urlmon.h>

#include <optional>
#include <string>
#include <vector>

#include "build_config.h"
#include "core/app_object.h"
#include "core/com_scope.h"
#include "core/working_paths.h"
#include "net/ansi_text.h"
#include "net/answer_text.h"
#include "net/download_rules.h"
#include "net/http_client.h"
#include "net/image_list.h"
#include "net/url_cache_status.h"

namespace {
constexpr const wchar_t* kImageListAddress =
    L"http://" TIDEWELL_UPDATE_HOST L"/api/v1/get_interfaces_urls";

// One picture: downloaded into `file` and loaded. A picture that did not arrive (the
// moniker also "succeeds" with an error page) or does not load leaves no file behind.
HBITMAP FetchSlide(const std::wstring& address, const std::wstring& file) {
    const HRESULT transfer = URLDownloadToFileW(nullptr, address.c_str(), file.c_str(), 0, nullptr);
    if (transfer != S_OK) {
        return nullptr;
    }
    HBITMAP bitmap = nullptr;
    if (CachedStatusAcceptsFile(CachedResponseOf(address.c_str()).status)) {
        bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0,
                                                 LR_LOADFROMFILE | LR_DEFAULTSIZE));
    }
    if (!bitmap) {
        DeleteFileW(file.c_str());
    }
    return bitmap;
}
} // namespace

unsigned __stdcall FetchSlidesThread(void*) {
    try {
        const ComScope com;
        VBindCallback& app = *GetApp();
        const std::string answer = HttpGetText(kImageListAddress);
        const std::wstring folder = GetImageFolderPath();
        if (folder.empty()) {
            return 0;
        }
        CreateDirectoryW(folder.c_str(), nullptr); // it may exist already
        const std::optional<std::wstring> list =
            AnswerTextToUtf16(answer, kImageListMaxChars, AnsiToWide);
        if (!list) {
            return 0; // longer than the list may be: not used
        }
        const std::vector<std::wstring> addresses =
            SplitImageList(*list, [] { return CacheBustQuery(GetTickCount()); });
        for (std::size_t position = 0; position < addresses.size(); ++position) {
            if (app.quitRequested.load() != 0) {
                break; // the working files are being removed; add nothing to them
            }
            const std::optional<std::wstring> file = SlideFileName(folder, position);
            if (!file) {
                continue;
            }
            if (HBITMAP bitmap = FetchSlide(addresses[position], *file)) {
                app.slides.Append(bitmap);
            }
        }
    } catch (...) {
        // Out of memory at worst: the slideshow keeps what it has.
    }
    return 0;
}
