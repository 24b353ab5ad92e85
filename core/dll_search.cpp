#include "core/dll_search.h"

#include <windows.h>

#include "core/run_time_link.h"

// KnownDLLs are always taken from the system folder, wherever the program lives, and so
// are the DLLs they import ("Dynamic-link library search order", Microsoft Learn). Each
// Windows names its own in HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs;
// the lists a fresh installation carries are:
//   XP SP3:   advapi32 comdlg32 gdi32 imagehlp kernel32 lz32 ole32 oleaut32 olecli32
//             olecnv32 olesvr32 olethk32 rpcrt4 shell32 url urlmon user32 version wininet
//             wldap32
//   7 SP1:    advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 lpk msctf
//             msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shell32
//             shlwapi user32 usp10 wldap32 ws2_32
//   10, 11:   advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32
//             kernel32 msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost
//             setupapi shcore shell32 shlwapi user32 wldap32 ws2_32
// (Vista, 8 and 8.1 keep the names these share.) On every one of them: advapi32 comdlg32
// gdi32 imagehlp kernel32 ole32 oleaut32 rpcrt4 shell32 user32 wldap32. Tidewell.exe
// imports at start-up from advapi32, gdi32, kernel32, ole32, oleaut32, shell32 and user32,
// and from msvcrt, which the C runtime needs before the program's first line: a KnownDLL
// from Windows 7 on, and on XP a DLL that its listed ole32 and shell32 import, so it comes
// from the system folder there too. Everything else is delay-loaded (CMakeLists.txt).

namespace {
// LOAD_LIBRARY_SEARCH_SYSTEM32, declared only for Windows 8 and later.
constexpr DWORD kSearchSystemFolderOnly = 0x00000800;

// Where the search cannot be restricted: the system DLLs that are not KnownDLLs everywhere
// and that the system's DLLs load by name on the program's roads (painting, themes, the
// download, the MD5 and the signature check). The program's own loads do not rest on this
// list: delay-loaded DLLs and those looked up at run time are loaded by their full path.
// Those of them that the system's DLLs can load by name too, before or after the program
// does, stay on it: comctl32, URLMon and WinINet (COM servers registered by bare name),
// WinTrust (a signature provider Crypt32 loads by the name the registry gives) and
// Crypt32 (WinINet's HTTPS). GDI+, which only the program loads, has left it. Windows XP's
// WinINet loads the dial-up and RAS DLLs by name when it asks whether the machine is
// connected, its Secur32 the security providers the registry names (by bare name) when a
// download goes over HTTPS; Uniscribe is no KnownDLL there either.
constexpr const wchar_t* kLoadedByName[] = {
    L"comctl32.dll", L"urlmon.dll",   L"wininet.dll",  L"wintrust.dll",  L"crypt32.dll",
    L"version.dll",  L"uxtheme.dll",  L"dwmapi.dll",   L"cryptbase.dll", L"userenv.dll",
    L"setupapi.dll", L"apphelp.dll",  L"propsys.dll",  L"oleacc.dll",    L"clbcatq.dll",
    L"imm32.dll",    L"mpr.dll",      L"ws2_32.dll",   L"bcrypt.dll",    L"rsaenh.dll",
    L"dbghelp.dll",  L"iertutil.dll", L"normaliz.dll", L"secur32.dll",   L"rasapi32.dll",
    L"rasman.dll",   L"sensapi.dll",  L"schannel.dll", L"digest.dll",    L"msapsspc.dll",
    L"msnsspc.dll",  L"usp10.dll",
};
} // namespace

void PreloadSystemLibraries() {
    for (const wchar_t* name : kLoadedByName) {
        // Kept for the life of the process. A DLL the system folder lacks is skipped (XP
        // has no dwmapi).
        LoadSystemLibrary(name).release();
    }
}

void RestrictDllSearch() {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    using SetDllDirectoryFunction = BOOL(WINAPI*)(const wchar_t*);
    if (const auto setDllDirectory =
            LookUpFunction<SetDllDirectoryFunction>(kernel32, "SetDllDirectoryW")) {
        setDllDirectory(L""); // the current folder is no longer searched
    }
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        LookUpFunction<SetDefaultDllDirectoriesFunction>(kernel32, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(kSearchSystemFolderOnly)) {
        return;
    }
    // SetDllDirectoryW leaves the program's own folder first in the search.
    PreloadSystemLibraries();
}
