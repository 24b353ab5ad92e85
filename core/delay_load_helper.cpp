// The delay-load helper. The first call of a delay-loaded function goes through the call
// thunk of its delay-import library (cmake/delay_import.cmake) to __delayLoadHelper2,
// which loads the DLL, finds the function, writes it into the function's slot and returns
// it for the thunk to jump to; later calls jump straight through the slot. This one takes
// the place of the C runtime's, which loads the DLL with LoadLibraryA and its bare name,
// so that where Windows cannot keep the program's folder out of the search (XP, Vista and
// 7 without KB2533623) a DLL planted beside the program would be the one loaded.
//
// Linked into the program itself (not a library searched after the delay-import
// libraries), so the linker takes it before the runtime's. It uses nothing but kernel32,
// and user32 to say what is missing.
#include <windows.h>

#include <delayimp.h>

#include "core/system_folder_library.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

// The zero descriptor that ends the delay-import table. GNU ld puts the descriptors of
// dlltool's delay-import libraries in sections named .text$2 and sorts the .text$
// sections by name, so this one follows the last of them; without it the bytes after the
// table are code, which whoever walks the table to its zero entry would read as
// descriptors. Aligned as they are (4), so it starts where the last one ends, not where
// the compiler would put a 32-byte object of its own accord. tools/set_delay_import_directory
// checks that it is there.
extern "C" __attribute__((section(".text$2z"), aligned(4)))
const ImgDelayDescr kDelayImportTableEnd = {};

namespace {
constexpr wchar_t kCaption[] = L"Tidewell";

template <typename T> T* InImage(RVA rva) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(&__ImageBase) + rva);
}

// A failure to say: "dll!function" with the system's error code. Only the first one is
// said: other threads that fail meanwhile wait for the process's end, and one that fails
// again on the saying thread (a window of the program handling a message while the box
// is open) ends the process at once.
volatile LONG failing = 0;
volatile DWORD failingThread = 0;

[[noreturn]] void EndForMissing(UINT exitCode, const char* dll, const char* function, DWORD error) {
    if (InterlockedCompareExchange(&failing, 1, 0) != 0) {
        if (failingThread == GetCurrentThreadId()) {
            ExitProcess(exitCode);
        }
        for (;;) {
            Sleep(INFINITE);
        }
    }
    failingThread = GetCurrentThreadId();
    wchar_t text[1025];
    wsprintfW(text,
              L"无法载入系统组件 %.200hs!%.200hs，程序无法继续运行。\n"
              L"Cannot load the system component %.200hs!%.200hs. The program cannot go on.\n\n"
              L"(错误 / error %lu)",
              dll, function, dll, function, error);
    MessageBoxW(nullptr, text, kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
    ExitProcess(exitCode);
}

// The descriptor's DLL name, as a wide file name; false for one that is not a bare ASCII
// file name (the system folder's DLLs have such names).
bool FileNameOf(const char* dll, wchar_t (&name)[MAX_PATH]) {
    int i = 0;
    for (; dll[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(dll[i]);
        if (i + 1 >= MAX_PATH || c < 0x20 || c >= 0x80 || c == '\\' || c == '/' || c == ':') {
            return false;
        }
        name[i] = static_cast<wchar_t>(c);
    }
    name[i] = L'\0';
    return i > 0;
}

// Whether an activation context (the program's manifest, or the system's default one)
// redirects a DLL name to a side-by-side assembly: the lookup the loader itself makes
// first for a name. XP keeps GDI+ only there, not in the system folder; a load by name of
// such a DLL goes to the assembly, never to the program's folder.
bool RedirectedSideBySide(const wchar_t* name) {
    ACTCTX_SECTION_KEYED_DATA_2600 data = {};
    data.cbSize = sizeof data;
    return FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name,
                                    reinterpret_cast<PACTCTX_SECTION_KEYED_DATA>(&data)) != FALSE;
}

HMODULE LoadDelayedLibrary(const char* dll) {
    wchar_t name[MAX_PATH];
    if (!FileNameOf(dll, name)) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    HMODULE module = LoadLibraryFromSystemFolder(name);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        if (RedirectedSideBySide(name)) {
            module = LoadLibraryW(name);
        }
        if (module == nullptr) {
            SetLastError(error);
        }
    }
    return module;
}
} // namespace

// Called by the call thunks with the descriptor of the DLL and the slot of the function;
// returns the function. A DLL or a function that cannot be had ends the program with a
// message naming it (exit code ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND) instead of
// letting the thunk jump to address 0. Two threads may come here at once for the same
// DLL or slot: each loads the DLL (a second load only counts a reference, given back
// here) and both write the same address.
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot) {
    const char* dll = InImage<const char>(descriptor->rvaDLLName);
    // Referring to the table's end also keeps it in the program where the linker drops
    // what nothing refers to (--gc-sections).
    if ((descriptor->grAttrs & dlattrRva) == 0 ||
        reinterpret_cast<UINT_PTR>(descriptor) >=
            reinterpret_cast<UINT_PTR>(&kDelayImportTableEnd)) {
        EndForMissing(ERROR_PROC_NOT_FOUND, "?", "?", ERROR_INVALID_PARAMETER);
    }
    auto* const table = InImage<FARPROC>(descriptor->rvaIAT);
    const IMAGE_THUNK_DATA& import =
        InImage<const IMAGE_THUNK_DATA>(descriptor->rvaINT)[slot - table];
    const bool byOrdinal = IMAGE_SNAP_BY_ORDINAL(import.u1.Ordinal);
    const WORD ordinal = static_cast<WORD>(IMAGE_ORDINAL(import.u1.Ordinal));
    const char* function = byOrdinal
                               ? MAKEINTRESOURCEA(ordinal)
                               : reinterpret_cast<const char*>(
                                     InImage<IMAGE_IMPORT_BY_NAME>(import.u1.AddressOfData)->Name);
    char ordinalText[8] = {};
    if (byOrdinal) {
        wsprintfA(ordinalText, "#%u", static_cast<unsigned>(ordinal));
    }
    const char* functionText = byOrdinal ? ordinalText : function;

    auto* const moduleSlot = InImage<HMODULE volatile>(descriptor->rvaHmod);
    HMODULE module = *moduleSlot;
    if (module == nullptr) {
        module = LoadDelayedLibrary(dll);
        if (module == nullptr) {
            EndForMissing(ERROR_MOD_NOT_FOUND, dll, functionText, GetLastError());
        }
        const auto earlier = static_cast<HMODULE>(
            InterlockedExchangePointer(reinterpret_cast<void* volatile*>(moduleSlot), module));
        if (earlier == module) {
            FreeLibrary(module); // another thread loaded it meanwhile: one reference is enough
        }
    }
    const FARPROC address = GetProcAddress(module, function);
    if (address == nullptr) {
        EndForMissing(ERROR_PROC_NOT_FOUND, dll, functionText, GetLastError());
    }
    InterlockedExchangePointer(reinterpret_cast<void* volatile*>(slot),
                               reinterpret_cast<void*>(address));
    return address;
}
