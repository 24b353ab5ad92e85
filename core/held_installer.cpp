#include "core/held_installer.h"

#include <mutex>

namespace {
std::mutex slotLock;
unsigned heldAttempt = 0;
ScopedHandle heldFile;
} // namespace

void HoldVerifiedInstaller(unsigned attempt, ScopedHandle file) {
    std::lock_guard<std::mutex> guard(slotLock);
    if (attempt < heldAttempt) {
        return; // `file` closes as it goes out of scope
    }
    heldAttempt = attempt;
    heldFile = std::move(file);
}

void LetGoOfInstaller(unsigned attempt) {
    std::lock_guard<std::mutex> guard(slotLock);
    if (attempt == heldAttempt) {
        heldFile.reset();
        heldAttempt = 0;
    }
}

void LetGoOfAnyInstaller() {
    std::lock_guard<std::mutex> guard(slotLock);
    heldFile.reset();
    heldAttempt = 0;
}

unsigned HeldInstallerAttempt() {
    std::lock_guard<std::mutex> guard(slotLock);
    return heldAttempt;
}
