#pragma once
#include <objbase.h>

// COM (single-threaded apartment) for as long as the scope lives: URL monikers and
// the new-style folder dialog need it. Undone only when this scope did the initialising.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialised_) {
            CoUninitialize();
        }
    }

private:
    bool initialised_;
};
