#pragma once
// A test of workers that report to the main window: the Application object points at a
// recording window, on the agreement page and not quitting, and lets it go at the end.
#include <gtest/gtest.h>

#include "core/app_object.h"
#include "tests/install/recording_window.h"

// Slack for thread start-up and the 100 ms looks under Wine.
constexpr ULONGLONG kWorkerSlackMs = 400;

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        app->quitRequested.store(0);
        app->page.store(PAGE_AGREE);
        app->mainWindow = window.hwnd();
    }
    void TearDown() override {
        app->page.store(PAGE_AGREE);
        app->mainWindow = nullptr;
    }

    VBindCallback* app = GetApp();
    RecordingWindow window;
};
