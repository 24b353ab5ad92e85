#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "build_config.h"
#include "core/app_object.h"
#include "core/working_paths.h"
#include "install/working_files.h"
#include "net/download.h"
#include "net/download_attempts.h"
#include "net/download_rules.h"
#include "net/file_md5.h"
#include "progress_window.h"
#include "service_client.h"

namespace {
constexpr const char* kInstallerPath = "/files/LumoSetup.exe";
constexpr bool kSignatureChecked = TIDEWELL_CHECK_INSTALLER_SIGNATURE != 0;

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return text;
}

std::string WorkingFileMd5() {
    return Upper(FileMd5Hex(GetInstallerFilePath().c_str()));
}

bool WorkingFileExists() {
    return GetFileAttributesW(GetInstallerFilePath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Files of attempts that were never placed must not stay behind.
int AttemptFilesLeft() {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((GetInstallerFilePath() + L".*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

std::wstring Knobs(const std::wstring& query) {
    return L"set?" + query;
}

std::uint32_t ServedInstallerSize() {
    return static_cast<std::uint32_t>(
        std::stoul(service::JsonMember(service::Control(L"info"), "size")));
}

// `text` as a knob's value: every byte but letters and digits percent-encoded.
std::wstring KnobValue(const std::string& text) {
    std::wstring value;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z')) {
            value.push_back(static_cast<wchar_t>(byte));
        } else {
            constexpr const wchar_t* kHexDigits = L"0123456789ABCDEF";
            value += {L'%', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
        }
    }
    return value;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        service::Reset();
        VBindCallback& app = *GetApp();
        app.abortDownload.store(0);
        app.quitRequested.store(0);
        app.cacheBustPending.store(1);
        app.expectedMd5.Clear();
        CleanWorkingFiles();
    }
    void TearDown() override {
        service::Reset(); // lets any stalled transfer go
        CleanWorkingFiles();
    }

    ProgressWindow window;
};
} // namespace

TEST_F(DownloadTest, ThrottledDownloadReportsProgressUntilFull) {
    service::Control(Knobs(L"installer_size=1500000&throttle=750000"));
    const DownloadAttemptResult result = RunDownloadAttempt(window.hwnd());
    EXPECT_EQ(result.transfer, S_OK);
    EXPECT_TRUE(result.placed);
    EXPECT_FALSE(result.reportedFailure);
    EXPECT_EQ(window.Failures(), 0);

    const std::vector<ProgressWindow::Report> reports = window.Reports();
    int between = 0;
    std::uint32_t lastDone = 0;
    for (const ProgressWindow::Report& report : reports) {
        if (report.total == 0) {
            continue; // notifications before the transfer carry no total
        }
        EXPECT_EQ(report.total, 1500000u);
        EXPECT_GE(report.done, lastDone) << "progress went back";
        lastDone = report.done;
        between += report.done > 0 && report.done < report.total;
    }
    EXPECT_GE(between, 3) << "a throttled transfer reports several times on the way";
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().done, 1500000u) << "the last report covers the whole file";

    const std::string md5 = service::InstallerMd5Upper();
    EXPECT_EQ(GetApp()->expectedMd5.Get(), md5);
    EXPECT_EQ(WorkingFileMd5(), md5);
    EXPECT_EQ(AttemptFilesLeft(), 0);
}

// The first attempt's address carries "?skq=" and the tick count; once that has been
// used, attempts go without one until a fresh download asks for one again.
TEST_F(DownloadTest, CacheBustingQueryOnlyWhilePending) {
    VBindCallback& app = *GetApp();
    const DWORD before = GetTickCount();
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    const DWORD after = GetTickCount();
    EXPECT_EQ(app.cacheBustPending.load(), 0);
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    app.cacheBustPending.store(1);
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);

    const std::vector<std::string> queries = service::LoggedQueries(kInstallerPath);
    ASSERT_EQ(queries.size(), 3u);
    ASSERT_EQ(queries[0].rfind("skq=", 0), 0u) << queries[0];
    const long long tick = std::stoll(queries[0].substr(4));
    EXPECT_GE(tick, static_cast<long long>(static_cast<int>(before)));
    EXPECT_LE(tick, static_cast<long long>(static_cast<int>(after)));
    EXPECT_EQ(queries[1], "");
    EXPECT_EQ(queries[2].rfind("skq=", 0), 0u) << queries[2];
}

// An answer laid out unlike the service's own still counts by its members; a query of
// the address's own is kept and the cache-busting query joins it.
TEST_F(DownloadTest, AnswerIsReadByItsMembersAndKeepsTheAddresssQuery) {
    const std::string md5 = service::InstallerMd5Upper();
    const std::string answer =
        R"({"md5":")" + md5 + R"(","url":"{base}\/files\/LumoSetup.exe?v=2"})";
    service::Control(Knobs(L"answer_raw=" + KnobValue(answer) + L"&times=1"));
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    const std::vector<std::string> queries = service::LoggedQueries(kInstallerPath);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].rfind("v=2&skq=", 0), 0u) << queries[0];
    EXPECT_EQ(GetApp()->expectedMd5.Get(), md5);
}

TEST_F(DownloadTest, AbortMidTransferEndsWithEAbortAndLeavesNoFile) {
    service::Control(Knobs(L"installer_size=2000000&throttle=500000"));
    VBindCallback& app = *GetApp();
    std::atomic<std::size_t> reportsAtAbort{0};
    window.OnReport([&](const ProgressWindow::Report& report) {
        if (report.done > 0 && report.done < report.total && app.abortDownload.load() == 0) {
            app.abortDownload.store(1); // as the cancel question does, inside the handler
            reportsAtAbort = window.Reports().size();
        }
    });
    const DWORD started = GetTickCount();
    const DownloadAttemptResult result = RunDownloadAttempt(window.hwnd());
    EXPECT_LT(GetTickCount() - started, 3000u) << "the abort did not end the transfer early";
    EXPECT_EQ(result.transfer, E_ABORT);
    EXPECT_FALSE(result.placed);
    EXPECT_FALSE(result.reportedFailure);
    EXPECT_EQ(window.Failures(), 0);
    ASSERT_GT(reportsAtAbort.load(), 0u);
    EXPECT_EQ(window.Reports().size(), reportsAtAbort.load()) << "reported after the abort";
    EXPECT_FALSE(WorkingFileExists());
    EXPECT_EQ(AttemptFilesLeft(), 0);
}

// OnProgress itself, on a thread that holds the current attempt.
TEST_F(DownloadTest, NotificationWhileAbortIsSetSendsNothingAndDoesNotPause) {
    VBindCallback& app = *GetApp();
    app.notifyWindow.store(window.hwnd());
    std::thread([&] {
        BeginDownloadAttempt();
        app.abortDownload.store(1);
        const ULONGLONG started = GetTickCount64();
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(app.OnProgress(10, 100, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
        }
        // Fifty 20 ms pauses would take a second.
        EXPECT_LT(GetTickCount64() - started, 300u);
        EXPECT_TRUE(window.Reports().empty());

        app.abortDownload.store(0);
        const ULONGLONG forwarded = GetTickCount64();
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(
                app.OnProgress(0xF0000000u + i, 0xFFFFFFF0u, BINDSTATUS_DOWNLOADINGDATA, nullptr),
                S_OK);
        }
        EXPECT_GE(GetTickCount64() - forwarded, 5u * 15u) << "forwarded reports pause";
    }).join();
    const std::vector<ProgressWindow::Report> reports = window.Reports();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[4].total, 0xFFFFFFF0u);
    EXPECT_EQ(reports[4].done, 0xF0000004u);
    EXPECT_EQ(DownloadPercent(reports[4].total, reports[4].done), 93);
}

TEST_F(DownloadTest, AbortSetWhileTheWindowHandlesAReportIsSeenAtOnce) {
    VBindCallback& app = *GetApp();
    app.notifyWindow.store(window.hwnd());
    window.OnReport([&](const ProgressWindow::Report&) { app.abortDownload.store(1); });
    std::thread([&] {
        BeginDownloadAttempt();
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    }).join();
    EXPECT_EQ(window.Reports().size(), 1u);
}

TEST_F(DownloadTest, ThreadWithoutTheCurrentAttemptIsStoppedSilently) {
    VBindCallback& app = *GetApp();
    app.notifyWindow.store(window.hwnd());
    std::thread([&] {
        BeginDownloadAttempt();
        std::thread([] { BeginDownloadAttempt(); }).join(); // a newer attempt took over
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    }).join();
    std::thread([&] { EXPECT_EQ(app.OnProgress(1, 2, 0, nullptr), E_ABORT); }).join();
    EXPECT_TRUE(window.Reports().empty());
}

// The first attempt is stuck in a stalled transfer when the user declines the cancel
// question and a second attempt starts. Only the second may report and place its
// file; the first, resuming later with other bytes, must leave no trace.
TEST_F(DownloadTest, StaleAttemptNeverReportsNorLandsInTheWorkingFile) {
    VBindCallback& app = *GetApp();
    constexpr std::uint32_t kFirstSize = 1500000;
    service::Control(Knobs(L"installer_size=1500000"));
    service::Control(Knobs(L"stall_after=300000&times=1"));

    DownloadAttemptResult first;
    std::thread firstAttempt([&] { first = RunDownloadAttempt(window.hwnd()); });
    struct ReleaseAndJoin { // also when an assertion ends the test early
        std::thread& thread;
        ~ReleaseAndJoin() {
            if (thread.joinable()) {
                service::Control(L"release");
                thread.join();
            }
        }
    } releaseAndJoin{firstAttempt};
    ASSERT_TRUE(ProgressWindow::WaitFor([] { return service::StalledTransfers() == 1; }, 20000));

    app.abortDownload.store(1); // cancel question shown...
    app.abortDownload.store(0); // ...and declined: a new attempt at once

    // The second attempt gets the signed stand-in the service started with.
    service::Control(Knobs(L"installer_file="));
    const std::uint32_t secondSize = ServedInstallerSize();
    ASSERT_NE(secondSize, kFirstSize);
    const std::size_t reportsBefore = window.Reports().size();
    const DownloadAttemptResult second = RunDownloadAttempt(window.hwnd());
    ASSERT_TRUE(second.placed);
    const std::string secondMd5 = service::InstallerMd5Upper();
    EXPECT_EQ(WorkingFileMd5(), secondMd5);
    bool verifyAsksAgain = true;
    verifyAsksAgain = InstallerNeedsFreshDownload();
    EXPECT_FALSE(verifyAsksAgain);

    // The stuck transfer goes on with bytes the second attempt never had.
    EXPECT_EQ(
        std::stoi(service::JsonMember(service::Control(L"release?tail=different"), "released")), 1);
    firstAttempt.join();
    EXPECT_FALSE(first.placed);
    EXPECT_FALSE(first.reportedFailure);
    EXPECT_EQ(window.Failures(), 0);

    const std::vector<ProgressWindow::Report> reports = window.Reports();
    for (std::size_t i = reportsBefore; i < reports.size(); ++i) {
        EXPECT_NE(reports[i].total, kFirstSize) << "the stale attempt reported at " << i;
    }
    bool secondReachedFull = false;
    for (std::size_t i = reportsBefore; i < reports.size(); ++i) {
        secondReachedFull |= reports[i].total == secondSize && reports[i].done == secondSize;
    }
    EXPECT_TRUE(secondReachedFull);
    EXPECT_EQ(WorkingFileMd5(), secondMd5);
    EXPECT_EQ(AttemptFilesLeft(), 0);
    verifyAsksAgain = InstallerNeedsFreshDownload();
    EXPECT_FALSE(verifyAsksAgain);

    // The stuck transfer really went on (with the other bytes) before it was dropped.
    std::vector<std::string> endings;
    ASSERT_TRUE(ProgressWindow::WaitFor(
        [&] { return (endings = service::LoggedEndings(kInstallerPath)).size() == 2; }, 20000));
    EXPECT_TRUE(endings[1] == "complete_different_tail" || endings[1] == "client_gone")
        << endings[1];
}

// The verification may begin while the attempt is still sending progress to the
// window: it waits for the attempt's end and judges the file that attempt placed.
TEST_F(DownloadTest, VerificationWaitsForTheAttemptStillUnderWay) {
    const std::uint32_t size = ServedInstallerSize();
    service::Control(Knobs(L"throttle=" + std::to_wstring(size / 2))); // about two seconds
    DownloadAttemptResult result;
    std::thread attempt([&] { result = RunDownloadAttempt(window.hwnd()); });
    ASSERT_TRUE(ProgressWindow::WaitFor(
        [&] {
            for (const ProgressWindow::Report& r : window.Reports()) {
                if (r.done > 0 && r.done < r.total) {
                    return true;
                }
            }
            return false;
        },
        20000));
    bool needsFresh = true;
    const ULONGLONG started = GetTickCount64();
    needsFresh = InstallerNeedsFreshDownload();
    const ULONGLONG waited = GetTickCount64() - started;
    attempt.join();
    EXPECT_TRUE(result.placed);
    EXPECT_FALSE(needsFresh);
    EXPECT_LT(waited, 20000u);
    EXPECT_EQ(window.Reports().back().done, size);
}

TEST_F(DownloadTest, FailuresAreReportedOnce) {
    struct Case {
        const wchar_t* knobs;
        bool transferRan;
    };
    const Case cases[] = {
        {L"answer_raw=%3Chtml%3Eno%20installer%20today%3C/html%3E&times=1", false},
        {L"answer_status=500&times=1", false},
        {L"file_status=404&times=1", true},
        {L"file_status=500&times=1", true},
        {L"close_after=100000&times=1", true},
    };
    int reported = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.knobs, c.knobs + wcslen(c.knobs)));
        service::Control(Knobs(c.knobs));
        const DownloadAttemptResult result = RunDownloadAttempt(window.hwnd());
        EXPECT_EQ(result.transfer != E_PENDING, c.transferRan);
        EXPECT_FALSE(result.placed);
        EXPECT_TRUE(result.reportedFailure);
        EXPECT_EQ(window.Failures(), ++reported);
        EXPECT_FALSE(WorkingFileExists());
        EXPECT_EQ(AttemptFilesLeft(), 0);
    }
    // The service is fine again: the next attempt succeeds and reports nothing more.
    EXPECT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    EXPECT_EQ(window.Failures(), reported);
}

TEST_F(DownloadTest, FailureWhileAbortedOrQuittingIsNotReported) {
    VBindCallback& app = *GetApp();
    service::Control(Knobs(L"file_status=404"));
    app.abortDownload.store(1);
    EXPECT_FALSE(RunDownloadAttempt(window.hwnd()).reportedFailure);
    app.abortDownload.store(0);
    app.quitRequested.store(1);
    EXPECT_FALSE(RunDownloadAttempt(window.hwnd()).reportedFailure);
    EXPECT_EQ(window.Failures(), 0);
}

// How the announced digest and the signature meet the file, through the whole attempt
// and verification.
TEST_F(DownloadTest, VerificationFollowsTheAnnouncedDigestAndTheSignature) {
    VBindCallback& app = *GetApp();
    struct Case {
        const wchar_t* knobs;
        bool freshDownload;
    };
    const Case cases[] = {
        {L"md5=lower&times=1", false},
        {L"trailing=crlf&times=1", false},
        {L"installer_path=/files/md5/LumoSetup.exe", false},
        {L"md5=wrong&times=1", true},
        // Generated bytes with their own, matching digest: no signature.
        {L"installer_size=1048576", kSignatureChecked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.knobs, c.knobs + wcslen(c.knobs)));
        service::Reset();
        service::Control(Knobs(c.knobs));
        ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
        EXPECT_EQ(InstallerNeedsFreshDownload(), c.freshDownload);
    }

    // No digest in the first answer of the run: the download is always questioned.
    service::Reset();
    app.expectedMd5.Clear();
    service::Control(Knobs(L"md5=none&times=1"));
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    EXPECT_EQ(app.expectedMd5.Get(), "");
    EXPECT_TRUE(InstallerNeedsFreshDownload());
    // A later answer without one keeps the digest announced before.
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    const std::string announced = app.expectedMd5.Get();
    service::Control(Knobs(L"md5=none&times=1"));
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    EXPECT_EQ(app.expectedMd5.Get(), announced);
    EXPECT_FALSE(InstallerNeedsFreshDownload());
}

// A missing working file has no digest, and no digest is never a pass.
TEST_F(DownloadTest, MissingInstallerIsNeverTakenAsVerified) {
    ASSERT_TRUE(RunDownloadAttempt(window.hwnd()).placed);
    EXPECT_FALSE(InstallerNeedsFreshDownload());
    DeleteFileW(GetInstallerFilePath().c_str());
    EXPECT_TRUE(InstallerNeedsFreshDownload());
}

// An attempt cut short by the end of the program leaves its file; the clean-up at the
// next start (or end) removes it with the other working files.
TEST_F(DownloadTest, CleanUpRemovesFilesOfUnfinishedAttempts) {
    for (const wchar_t* suffix : {L".7.part", L".12345.part"}) {
        const std::wstring leftover = GetInstallerFilePath() + suffix;
        HANDLE file =
            CreateFileW(leftover.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    ASSERT_EQ(AttemptFilesLeft(), 2);
    CleanWorkingFiles();
    EXPECT_EQ(AttemptFilesLeft(), 0);
}
