#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "build_config.h"
#include "core/app_object.h"
#include "core/held_installer.h"
#include "core/messages.h"
#include "core/working_paths.h"
#include "install/working_files.h"
#include "net/download.h"
#include "net/download_attempts.h"
#include "net/download_rules.h"
#include "net/file_md5.h"
#include "net/held_download.h"
#include "net/installer_check.h"
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

// What earlier attempts received, kept for the next one to go on from.
std::uint64_t HeldBytesLeft() {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(HeldBytesFilePath(GetInstallerFilePath()).c_str(),
                              GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Files of attempts that were never placed must not stay behind (the bytes held aside).
int AttemptFilesLeft() {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((GetInstallerFilePath() + L".*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    do {
        count += std::wstring(found.cFileName).find(L".held.part") == std::wstring::npos;
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

constexpr DWORD kAttemptWithinMs = 60000;

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
        StartRangesAfresh(); // whatever link an earlier test cut
    }
    void TearDown() override {
        service::Reset(); // lets any stalled transfer go
        LetGoOfAnyInstaller();
        CleanWorkingFiles();
    }

    // Starts the next attempt the way the window does, numbered and made current first.
    unsigned Start() {
        ++attempt;
        MakeCurrentAttempt(attempt);
        EXPECT_TRUE(StartDownloadAttempt(window.hwnd(), attempt));
        return attempt;
    }
    // The next attempt, to its end.
    LPARAM Run() {
        const unsigned started = Start();
        return window.WaitForEnd(started, kAttemptWithinMs).value_or(-1);
    }
    // The verdict on the current attempt's file (true: a fresh download is needed).
    bool NeedsFreshDownload() {
        EXPECT_TRUE(StartVerification(window.hwnd(), attempt));
        const std::size_t before = window.Verdicts().size();
        EXPECT_TRUE(ProgressWindow::WaitFor([&] { return window.Verdicts().size() > before; },
                                            kAttemptWithinMs));
        const bool damaged = window.Verdicts().back().damaged;
        LetGoOfAnyInstaller();
        return damaged;
    }
    std::vector<ProgressWindow::Report> ReportsOf(unsigned which) const {
        std::vector<ProgressWindow::Report> mine;
        for (const ProgressWindow::Report& report : window.Reports()) {
            if (report.attempt == which) {
                mine.push_back(report);
            }
        }
        return mine;
    }

    ProgressWindow window;
    unsigned attempt = 0;
};
} // namespace

TEST_F(DownloadTest, ThrottledDownloadReportsProgressUntilFull) {
    service::Control(Knobs(L"installer_size=1500000&throttle=750000"));
    EXPECT_EQ(Run(), DOWNLOAD_PLACED);

    const std::vector<ProgressWindow::Report> reports = window.Reports();
    int between = 0;
    std::uint32_t lastDone = 0;
    for (const ProgressWindow::Report& report : reports) {
        EXPECT_EQ(report.attempt, attempt) << "every report names its attempt";
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
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    const DWORD after = GetTickCount();
    EXPECT_EQ(app.cacheBustPending.load(), 0);
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    app.cacheBustPending.store(1);
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);

    // On a link that cuts nothing, one request for the whole file per attempt.
    const std::vector<std::string> queries = service::LoggedQueries(kInstallerPath);
    ASSERT_EQ(queries.size(), 3u);
    EXPECT_EQ(service::Logged(kInstallerPath, "range"), std::vector<std::string>(3, ""));
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
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    const std::vector<std::string> queries = service::LoggedQueries(kInstallerPath);
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries[0].rfind("v=2&skq=", 0), 0u) << queries[0];
    for (const std::string& query : queries) {
        EXPECT_EQ(query, queries[0]) << "every range of one attempt asks the same address";
    }
    EXPECT_EQ(GetApp()->expectedMd5.Get(), md5);
}

TEST_F(DownloadTest, AbortMidTransferStopsTheAttemptAndKeepsWhatArrived) {
    service::Control(Knobs(L"installer_size=2000000&throttle=500000"));
    VBindCallback& app = *GetApp();
    std::atomic<std::size_t> reportsAtAbort{0};
    window.OnReport([&](const ProgressWindow::Report& report) {
        if (report.done > 0 && report.done < report.total && app.abortDownload.load() == 0) {
            app.abortDownload.store(1); // as the cancel question does, inside the handler
            reportsAtAbort = window.Reports().size();
        }
    });
    EXPECT_EQ(Run(), DOWNLOAD_STOPPED);
    ASSERT_GT(reportsAtAbort.load(), 0u);
    EXPECT_EQ(window.Reports().size(), reportsAtAbort.load()) << "reported after the abort";
    EXPECT_FALSE(WorkingFileExists());
    EXPECT_EQ(AttemptFilesLeft(), 0);
    // The next attempt asks only for the rest.
    const std::uint64_t held = HeldBytesLeft();
    EXPECT_GT(held, 0u);
    EXPECT_LT(held, 2000000u) << "the abort did not end the transfer early";
    window.OnReport(nullptr);
    app.abortDownload.store(0); // the question declined
    EXPECT_EQ(Run(), DOWNLOAD_PLACED);
    const std::vector<std::string> ranges = service::Logged(kInstallerPath, "range");
    const std::string resumed = "bytes=" + std::to_string(held) + "-";
    // Stopped by us, not cut by the link: the rest in one request, not in bounded ranges.
    EXPECT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges.back(), resumed);
    EXPECT_EQ(std::count_if(ranges.begin(), ranges.end(),
                            [](const std::string& range) {
                                return range.empty() || range.rfind("bytes=0-", 0) == 0;
                            }),
              1)
        << "the download started again from 0";
    EXPECT_EQ(WorkingFileMd5(), service::InstallerMd5Upper());
}

// OnProgress itself, on a thread that runs the current attempt.
TEST_F(DownloadTest, NotificationWhileAbortIsSetSendsNothingAndDoesNotPause) {
    VBindCallback& app = *GetApp();
    app.notifyWindow.store(window.hwnd());
    MakeCurrentAttempt(7);
    std::thread([&] {
        BindAttemptToThisThread(7);
        app.abortDownload.store(1);
        // Refused before anything is sent: the pause follows a report only.
        for (int i = 0; i < 50; ++i) {
            EXPECT_EQ(app.OnProgress(10, 100, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
        }
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
    EXPECT_EQ(reports[4].attempt, 7u);
    EXPECT_EQ(reports[4].total, 0xFFFFFFF0u);
    EXPECT_EQ(reports[4].done, 0xF0000004u);
    EXPECT_EQ(DownloadPercent(reports[4].total, reports[4].done), 93);
}

TEST_F(DownloadTest, AbortSetWhileTheWindowHandlesAReportIsSeenAtOnce) {
    VBindCallback& app = *GetApp();
    app.notifyWindow.store(window.hwnd());
    window.OnReport([&](const ProgressWindow::Report&) { app.abortDownload.store(1); });
    MakeCurrentAttempt(3);
    std::thread([&] {
        BindAttemptToThisThread(3);
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    }).join();
    EXPECT_EQ(window.Reports().size(), 1u);
}

TEST_F(DownloadTest, ThreadWithoutTheCurrentAttemptIsStoppedSilently) {
    VBindCallback& app = *GetApp();
    app.notifyWindow.store(window.hwnd());
    MakeCurrentAttempt(4);
    std::thread([&] {
        BindAttemptToThisThread(4);
        MakeCurrentAttempt(5); // a newer attempt took over
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
        MakeCurrentAttempt(4);
        RetireAttempts(); // a file was accepted: nobody reports any more
        EXPECT_EQ(app.OnProgress(1, 2, BINDSTATUS_DOWNLOADINGDATA, nullptr), E_ABORT);
    }).join();
    std::thread([&] { EXPECT_EQ(app.OnProgress(1, 2, 0, nullptr), E_ABORT); }).join();
    EXPECT_TRUE(window.Reports().empty());
}

// The first attempt is stuck in a silent transfer when the user declines the cancel
// question and a second attempt starts. The first is ended at once (a stalled transfer
// would never report, and so never see it had been replaced); it reports nothing for the
// second and never lands in the working file.
TEST_F(DownloadTest, AReplacedAttemptEndsAtOnceAndNeverLandsInTheWorkingFile) {
    VBindCallback& app = *GetApp();
    constexpr std::uint32_t kFirstSize = 1500000;
    service::Control(Knobs(L"installer_size=1500000"));
    service::Control(Knobs(L"stall_after=300000&times=1"));

    const unsigned first = Start();
    ASSERT_TRUE(ProgressWindow::WaitFor([] { return service::StalledTransfers() == 1; }, 20000));
    app.abortDownload.store(1); // cancel question shown...
    app.abortDownload.store(0); // ...and declined: a new attempt at once

    // The second attempt gets the signed stand-in the service started with.
    service::Control(Knobs(L"installer_file="));
    const std::uint32_t secondSize = ServedInstallerSize();
    const unsigned second = Start();
    EXPECT_EQ(window.WaitForEnd(first, 5000), DOWNLOAD_STOPPED) << "the stuck one was not ended";
    ASSERT_EQ(window.WaitForEnd(second, kAttemptWithinMs), DOWNLOAD_PLACED);
    EXPECT_EQ(WorkingFileMd5(), service::InstallerMd5Upper());
    EXPECT_FALSE(NeedsFreshDownload());

    for (const ProgressWindow::Report& report : ReportsOf(second)) {
        EXPECT_NE(report.total, kFirstSize) << "the stale attempt reported as the current one";
    }
    bool secondReachedFull = false;
    for (const ProgressWindow::Report& report : ReportsOf(second)) {
        secondReachedFull |= report.total == secondSize && report.done == secondSize;
    }
    EXPECT_TRUE(secondReachedFull);
    EXPECT_EQ(AttemptFilesLeft(), 0);
}

// A link that drops every so often: each attempt keeps what arrived and the next asks
// only for the rest, so the file comes whole in a little more than its own size.
TEST_F(DownloadTest, ACutTransferIsResumedFromTheBytesHeld) {
    constexpr std::uint64_t kSize = 3 * 1024 * 1024;
    service::Control(Knobs(L"installer_size=" + std::to_wstring(kSize)));
    service::Control(Knobs(L"close_after=700000")); // every transfer, until reset
    LPARAM outcome = DOWNLOAD_FAILED;
    for (int attempts = 0; attempts < 10 && outcome != DOWNLOAD_PLACED; ++attempts) {
        outcome = Run();
        ASSERT_TRUE(outcome == DOWNLOAD_PLACED || outcome == DOWNLOAD_FAILED) << outcome;
    }
    ASSERT_EQ(outcome, DOWNLOAD_PLACED);
    EXPECT_EQ(WorkingFileMd5(), service::InstallerMd5Upper());
    EXPECT_EQ(AttemptFilesLeft(), 0);
    EXPECT_EQ(HeldBytesLeft(), 0u);
    std::uint64_t sent = 0;
    for (const std::string& bytes : service::Logged(kInstallerPath, "bytes")) {
        sent += std::stoull(bytes);
    }
    EXPECT_LE(sent, kSize + kSize / 10) << "the same bytes were sent again";
    EXPECT_GE(service::Logged(kInstallerPath, "range").size(), 5u);
}

// Only an answer that fits the bytes held is spliced onto them; whatever else comes, the
// file ends whole and right, never spliced from two versions.
TEST_F(DownloadTest, AnAnswerThatDoesNotFitIsNotSpliced) {
    struct Case {
        std::vector<std::wstring> knobs; // set one after the other
        const char* expected;            // the statuses of the requests, in order
    };
    const Case cases[] = {
        // Ranges ignored: the whole file in one answer, as ever, also after a cut.
        {{L"ignore_ranges=1"}, "200"},
        {{L"ignore_ranges=1", L"close_after=300000&times=1"}, "200,200"},
        // A range of the wrong start (after a cut, from the bytes held) is not taken;
        // after a second such answer the file comes whole without ranges.
        {{L"close_after=300000&times=1", L"wrong_start=65536"}, "200,206,206,200"},
        // A 416, even one whose total is exactly the bytes held, says the file changed.
        {{L"close_after=300000&times=1", L"refuse_range=300000"}, "200,416,416,200"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.knobs));
        service::Reset();
        for (const std::wstring& knobs : c.knobs) {
            service::Control(Knobs(knobs));
        }
        // Each answer that does not move the download forward ends its attempt as a
        // failed one (the wizard's back-off paces the next): never a request loop.
        LPARAM outcome = Run();
        for (int attempts = 1; outcome == DOWNLOAD_FAILED && attempts < 4; ++attempts) {
            outcome = Run();
        }
        ASSERT_EQ(outcome, DOWNLOAD_PLACED);
        EXPECT_EQ(WorkingFileMd5(), service::InstallerMd5Upper());
        std::string statuses;
        for (const std::string& status : service::Logged(kInstallerPath, "status")) {
            statuses += (statuses.empty() ? "" : ",") + status;
        }
        EXPECT_EQ(statuses, c.expected);
    }
}

// What was checked is what runs: from its verification on, the good file is held, and
// nothing - another program, a late attempt - can write, replace or delete it until it
// is let go.
TEST_F(DownloadTest, TheVerifiedFileCannotBeSwappedUntilLetGo) {
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    const std::wstring installer = GetInstallerFilePath();
    const std::wstring other = installer + L".other";
    {
        HANDLE file =
            CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, "MZ not the installer", 20, &written, nullptr);
        CloseHandle(file);
    }
    ASSERT_TRUE(StartVerification(window.hwnd(), attempt));
    ASSERT_EQ(window.WaitForVerdict(attempt, kAttemptWithinMs), false);
    EXPECT_EQ(HeldInstallerAttempt(), attempt);
    EXPECT_FALSE(CopyFileW(other.c_str(), installer.c_str(), FALSE));
    EXPECT_FALSE(MoveFileExW(other.c_str(), installer.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(DeleteFileW(installer.c_str()));
    HANDLE writer = CreateFileW(installer.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) {
        CloseHandle(writer);
    }
    // Nor can a late attempt: once a file is accepted, none may place one.
    const std::wstring late = AttemptFilePath(installer, attempt);
    ASSERT_TRUE(CopyFileW(other.c_str(), late.c_str(), FALSE));
    RetireAttempts();
    EXPECT_FALSE(PlaceAttemptFile(attempt, late, installer));
    EXPECT_EQ(WorkingFileMd5(), service::InstallerMd5Upper());

    LetGoOfInstaller(attempt + 1); // another attempt's letting go changes nothing
    EXPECT_EQ(HeldInstallerAttempt(), attempt);
    LetGoOfInstaller(attempt);
    EXPECT_TRUE(MoveFileExW(other.c_str(), installer.c_str(), MOVEFILE_REPLACE_EXISTING));
    DeleteFileW(late.c_str());
}

TEST_F(DownloadTest, FailuresAreToldAndLeaveNothing) {
    const wchar_t* const cases[] = {
        L"answer_raw=%3Chtml%3Eno%20installer%20today%3C/html%3E&times=1",
        L"answer_status=500&times=1",
        L"file_status=404&times=1",
        L"file_status=500&times=1",
    };
    for (const wchar_t* knobs : cases) {
        SCOPED_TRACE(std::string(knobs, knobs + wcslen(knobs)));
        service::Control(Knobs(knobs));
        EXPECT_EQ(Run(), DOWNLOAD_FAILED);
        EXPECT_FALSE(WorkingFileExists());
        EXPECT_EQ(AttemptFilesLeft(), 0);
    }
    // The service is fine again: the next attempt succeeds.
    EXPECT_EQ(Run(), DOWNLOAD_PLACED);
}

TEST_F(DownloadTest, AStoppedAttemptIsNoFailureAndAQuitOneTellsNothing) {
    VBindCallback& app = *GetApp();
    service::Control(Knobs(L"file_status=404"));
    app.abortDownload.store(1);
    EXPECT_EQ(Run(), DOWNLOAD_STOPPED);
    app.abortDownload.store(0);
    app.quitRequested.store(1);
    const unsigned quitting = Start();
    EXPECT_FALSE(window.WaitForEnd(quitting, 5000).has_value());
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
        ASSERT_EQ(Run(), DOWNLOAD_PLACED);
        EXPECT_EQ(NeedsFreshDownload(), c.freshDownload);
    }

    // No digest in the first answer of the run: the download is always questioned.
    service::Reset();
    app.expectedMd5.Clear();
    service::Control(Knobs(L"md5=none&times=1"));
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    EXPECT_EQ(app.expectedMd5.Get(), "");
    EXPECT_TRUE(NeedsFreshDownload());
    // A later answer without one keeps the digest announced before.
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    const std::string announced = app.expectedMd5.Get();
    service::Control(Knobs(L"md5=none&times=1"));
    ASSERT_EQ(Run(), DOWNLOAD_PLACED);
    EXPECT_EQ(app.expectedMd5.Get(), announced);
    EXPECT_FALSE(NeedsFreshDownload());

    // A missing working file has no digest, and no digest is never a pass.
    DeleteFileW(GetInstallerFilePath().c_str());
    EXPECT_TRUE(NeedsFreshDownload());
}
