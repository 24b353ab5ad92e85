#pragma once
#include <objbase.h>

// COM for the lifetime of a worker thread that uses URL monikers; undone only when
// this scope did the initialising.
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
