// Stands in for the user's browser in tests: the "http" protocol of the test prefix is
// registered to this program, which appends the address it was asked to open (its
// whole command line after the program name) to the file named by TW_URL_RECORD.
#include <windows.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    wchar_t record[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TW_URL_RECORD", record, MAX_PATH) == 0) {
        return 2;
    }
    FILE* file = _wfopen(record, L"ab");
    if (file == nullptr) {
        return 3;
    }
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
    if (length > 1) {
        char* utf8 = new char[static_cast<size_t>(length)];
        WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, utf8, length, nullptr, nullptr);
        std::fwrite(utf8, 1, static_cast<size_t>(length - 1), file);
        delete[] utf8;
    }
    std::fputc('\n', file);
    std::fclose(file);
    return 0;
}
