#include "net/file_md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdint>

#include "core/handles.h"
#include "core/held_files.h"

namespace {
// Views of at most 1 MiB keep the memory flat whatever the installer's size.
constexpr std::uint64_t kViewBytes = 0x100000;
constexpr DWORD kMd5Bytes = 16;

struct CryptContextTraits {
    using Handle = HCRYPTPROV;
    static Handle Invalid() { return 0; }
    static bool Valid(Handle h) { return h != 0; }
    static void Close(Handle h) { CryptReleaseContext(h, 0); }
};

struct CryptHashTraits {
    using Handle = HCRYPTHASH;
    static Handle Invalid() { return 0; }
    static bool Valid(Handle h) { return h != 0; }
    static void Close(Handle h) { CryptDestroyHash(h); }
};

struct MappedViewTraits {
    using Handle = const void*;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { UnmapViewOfFile(h); }
};

using ScopedCryptContext = UniqueHandle<CryptContextTraits>;
using ScopedCryptHash = UniqueHandle<CryptHashTraits>;
using ScopedView = UniqueHandle<MappedViewTraits>;

std::string LowerHex(const BYTE* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return hex;
}
} // namespace

std::string FileMd5Hex(const wchar_t* path) {
    if (!path) {
        return {};
    }
    ScopedHandle file;
    // A scanner may hold a new file for a moment; that is no reason for "no digest".
    RetryWhileHeld([&] {
        file.reset(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        return file.valid();
    });
    return file.valid() ? FileMd5HexOf(file.get(), [] { return false; }) : std::string();
}

std::string FileMd5HexOf(HANDLE file, const std::function<bool()>& stop) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0) {
        return {}; // an empty file cannot be mapped: no digest
    }
    const ScopedHandle mapping(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping.valid()) {
        return {};
    }
    ScopedCryptContext context;
    if (!CryptAcquireContextW(context.out(), nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET)) {
        return {};
    }
    ScopedCryptHash hash;
    if (!CryptCreateHash(context.get(), CALG_MD5, 0, 0, hash.out())) {
        return {};
    }
    const auto total = static_cast<std::uint64_t>(size.QuadPart);
    for (std::uint64_t offset = 0; offset < total; offset += kViewBytes) {
        if (stop()) {
            return {};
        }
        const std::uint64_t length = std::min(kViewBytes, total - offset);
        const ScopedView view(
            MapViewOfFile(mapping.get(), FILE_MAP_READ, static_cast<DWORD>(offset >> 32),
                          static_cast<DWORD>(offset & 0xFFFFFFFFu), static_cast<SIZE_T>(length)));
        if (!view.valid() || !CryptHashData(hash.get(), static_cast<const BYTE*>(view.get()),
                                            static_cast<DWORD>(length), 0)) {
            return {};
        }
    }
    BYTE value[kMd5Bytes] = {};
    DWORD valueSize = kMd5Bytes;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value, &valueSize, 0) ||
        valueSize != kMd5Bytes) {
        return {};
    }
    return LowerHex(value, kMd5Bytes);
}
