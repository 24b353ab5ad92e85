// Measurements of the verification's two halves, driven by signature_bench.py:
//   signature_bench REPEAT FILE...
// For each file, REPEAT rounds of the digest and of the signature check (WinVerifyTrust
// and the signer's name against the pinned one) on the file held open, one after the
// other, as the verification does them, and one line of "key=value" pairs: what the
// check said, the first and the fastest time of each half.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "bench/bench_clock.h"
#include "core/handles.h"
#include "net/file_md5.h"
#include "net/installer_signature.h"

namespace {
struct Timing {
    double first = -1;
    double best = 0;
    void Add(double seconds) {
        best = first < 0 ? seconds : std::min(best, seconds);
        if (first < 0) {
            first = seconds;
        }
    }
};

int Measure(int repeat, const wchar_t* file) {
    const ScopedHandle held(CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held.valid()) {
        return 1;
    }
    Timing md5, signature;
    std::string digest;
    bool lacksPinned = true;
    for (int round = 0; round < repeat; ++round) {
        LARGE_INTEGER started = Now();
        digest = FileMd5HexOf(held.get(), [] { return false; });
        md5.Add(Seconds(started, Now()));
        started = Now();
        lacksPinned = InstallerLacksPinnedSignature(file, held.get());
        signature.Add(Seconds(started, Now()));
    }
    std::printf("file=%ls lacks_pinned=%d md5=%s md5_first=%.4f md5_best=%.4f "
                "signature_first=%.4f signature_best=%.4f\n",
                file, lacksPinned ? 1 : 0, digest.c_str(), md5.first, md5.best, signature.first,
                signature.best);
    return digest.empty() ? 1 : 0;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    const int repeat = argc > 2 ? _wtoi(argv[1]) : 0;
    if (repeat <= 0) {
        std::fprintf(stderr, "usage: signature_bench REPEAT FILE...\n");
        return 2;
    }
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        status |= Measure(repeat, argv[i]);
    }
    return status;
}
