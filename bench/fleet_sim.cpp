// A day of the whole fleet against the Update service: clients arriving over 24 hours
// with an evening peak, a service that takes a fixed number of attempts a second and
// answers the rest 503 (nginx's limit_req, as service/nginx.conf sets it up), and a
// 10-minute outage of the service at the peak. Measures how hard the clients come back
// once it is up again: with a fixed back-off that ignores Retry-After, and with the
// jittered back-off that keeps it, against a few ways for the service to say Retry-After.
//
// Every client is the product's own wizard: its decision function (Advance) gets the
// events the program would give it (the start click, the end of each attempt, the
// watchdog's connection report every 5 s) and decides when the next attempt starts.
// Only the service, the clock and the transfer are simulated. Deterministic per seed.
//
//     fleet_sim [--clients N] [--seed S]
//
// Prints the set-up and one row per scenario; bench/fleet_sim.py builds and runs it.
// Exits 1 when a wizard does something the simulation does not expect of it (a retry
// before the pause it chose, none after it, a wait the service asked for cut short).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "app/retry_pacing.h"
#include "app/wizard_machine.h"

namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr std::int64_t kMinuteMs = 60 * kSecondMs;
constexpr std::int64_t kHourMs = 60 * kMinuteMs;
constexpr std::int64_t kDayMs = 24 * kHourMs;

// The watchdog reports the connection every 5 s from the start click on; the machine
// starts the next attempt at the first report after its pause.
constexpr std::int64_t kWatchdogIntervalMs = 5000;
// One attempt: the install_url answer, then the installer in one transfer.
constexpr std::int64_t kTransferMs = 60 * kSecondMs;
// How long a refused attempt takes to learn it: one round trip for the 503, or for the
// reset of a connection to a service that is down.
constexpr std::int64_t kRefusalMs = 200;

// Arrivals: a night floor, a midday bump and the evening peak, repeating every day.
constexpr std::int64_t kEveningPeakMs = 21 * kHourMs;
constexpr std::int64_t kMiddayMs = 11 * kHourMs;
constexpr double kBumpSpreadMs = 1.5 * kHourMs;

double ArrivalDensity(std::int64_t t) {
    const auto bump = [t](std::int64_t centre, double height) {
        std::int64_t d = std::llabs(t - centre) % kDayMs;
        d = std::min(d, kDayMs - d);
        const double z = static_cast<double>(d) / kBumpSpreadMs;
        return height * std::exp(-0.5 * z * z);
    };
    return 0.15 + bump(kMiddayMs, 0.6) + bump(kEveningPeakMs, 1.0);
}

struct Arrivals {
    std::vector<std::int64_t> atMs; // sorted
    double peakPerS = 0;            // the expected arrival rate at the evening peak
};

// `clients` arrival times drawn from the density, by its tabulated distribution (1-s
// bins, evenly within a bin).
Arrivals DrawArrivals(std::uint32_t clients, std::uint64_t seed) {
    constexpr std::int64_t kBins = kDayMs / kSecondMs;
    std::vector<double> cumulative(kBins);
    double sum = 0;
    for (std::int64_t bin = 0; bin < kBins; ++bin) {
        sum += ArrivalDensity(bin * kSecondMs + kSecondMs / 2);
        cumulative[bin] = sum;
    }
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Arrivals arrivals;
    arrivals.atMs.reserve(clients);
    for (std::uint32_t i = 0; i < clients; ++i) {
        const double u = unit(random) * sum;
        const auto bin =
            std::lower_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin();
        arrivals.atMs.push_back(bin * kSecondMs +
                                static_cast<std::int64_t>(unit(random) * kSecondMs));
    }
    std::sort(arrivals.atMs.begin(), arrivals.atMs.end());
    arrivals.peakPerS = clients * ArrivalDensity(kEveningPeakMs) / sum;
    return arrivals;
}

// What the service tells the attempts it refuses about when to come back.
enum class RetryAfter {
    None,      // 503 alone
    Fixed,     // the same wait to everyone (service/nginx.conf sends 30 s)
    Scheduled, // successive slots at a share of the capacity: the wait grows with the backlog
};

// The longest wait the wizard keeps of a Retry-After, in the 64-bit time of the simulation.
constexpr std::int64_t kLongestKeptWaitMs = kLongestServiceWaitMs;

struct ServicePlan {
    double capacityPerS = 0;
    double burst = 0; // limit_req's burst, in attempts
    std::int64_t outageFromMs = 0;
    std::int64_t outageToMs = 0; // equal to outageFromMs: no outage
    RetryAfter retryAfter = RetryAfter::Fixed;
    std::int64_t fixedWaitMs = 30 * kSecondMs;
    // Scheduled: the first slot is this far off, the next ones follow at this rate.
    std::int64_t shortestWaitMs = 30 * kSecondMs;
    double slotsPerS = 0;
    // Scheduled: no slot beyond the longest wait the wizard keeps. Those that would get
    // one get a wait drawn evenly up to it instead, and a slot when they come back.
    bool slotsWithinKeptWait = false;
    // While the servers are down, something in front of them (a CDN, a load balancer)
    // still answers: 503 with the wait. Otherwise connections are refused: no answer,
    // no Retry-After.
    bool frontAnswersInOutage = false;
};

struct ServiceAnswer {
    bool admitted = false;
    int status = 0;           // of a refused attempt: 503, or 0 for no answer
    std::uint32_t waitMs = 0; // the Retry-After, 0 if none
    bool cutByOutage = false; // admitted, but the outage begins during its transfer
};

// The service: nginx's limit_req (rate, burst, nodelay) in front of what serves the files.
class Service {
public:
    Service(const ServicePlan& plan, std::uint64_t seed) : plan_(plan), random_(seed) {}

    ServiceAnswer Ask(std::int64_t nowMs) {
        ServiceAnswer answer;
        if (nowMs >= plan_.outageFromMs && nowMs < plan_.outageToMs) {
            if (plan_.frontAnswersInOutage) {
                Refuse(answer, nowMs);
            }
            return answer;
        }
        // limit_req's own arithmetic: what the request adds to the excess it may carry.
        const double drained =
            plan_.capacityPerS * static_cast<double>(nowMs - lastAdmittedMs_) / kSecondMs;
        const double excess = std::max(excess_ - drained + 1.0, 0.0);
        if (everAdmitted_ && excess > plan_.burst) {
            Refuse(answer, nowMs);
            return answer;
        }
        excess_ = everAdmitted_ ? excess : 0.0; // the first request starts the account
        everAdmitted_ = true;
        lastAdmittedMs_ = nowMs;
        answer.admitted = true;
        answer.cutByOutage = plan_.outageToMs > plan_.outageFromMs && nowMs < plan_.outageFromMs &&
                             nowMs + kTransferMs > plan_.outageFromMs;
        return answer;
    }

private:
    void Refuse(ServiceAnswer& answer, std::int64_t nowMs) {
        answer.status = 503;
        switch (plan_.retryAfter) {
        case RetryAfter::None:
            break;
        case RetryAfter::Fixed:
            answer.waitMs = static_cast<std::uint32_t>(plan_.fixedWaitMs);
            break;
        case RetryAfter::Scheduled: {
            const std::int64_t slotMs = std::max(nextSlotMs_, nowMs + plan_.shortestWaitMs);
            std::int64_t waitMs = slotMs - nowMs;
            if (plan_.slotsWithinKeptWait && waitMs > kLongestKeptWaitMs) {
                waitMs = std::uniform_int_distribution<std::int64_t>(plan_.shortestWaitMs,
                                                                     kLongestKeptWaitMs)(random_);
            } else {
                nextSlotMs_ = slotMs + static_cast<std::int64_t>(kSecondMs / plan_.slotsPerS);
            }
            answer.waitMs = WholeSeconds(waitMs);
            break;
        }
        }
    }

    // Retry-After counts whole seconds.
    static std::uint32_t WholeSeconds(std::int64_t ms) {
        const std::int64_t s = (ms + kSecondMs - 1) / kSecondMs;
        return static_cast<std::uint32_t>(
            std::min<std::int64_t>(s * kSecondMs, std::numeric_limits<std::uint32_t>::max()));
    }

    ServicePlan plan_;
    double excess_ = 0;
    std::int64_t lastAdmittedMs_ = 0;
    bool everAdmitted_ = false;
    std::int64_t nextSlotMs_ = 0;
    std::mt19937_64 random_;
};

// How the wizard is fed: a fixed back-off (every draw the largest, so each pause is its
// bound) that never hears of Retry-After, or random draws and the service's wait.
struct Pacing {
    bool jitter = false;           // else every draw is the largest: each pause its bound
    bool honorsRetryAfter = false; // else the service's wait never reaches the wizard
};

struct Scenario {
    std::string name;
    Pacing pacing;
    ServicePlan service;
};

struct Figures {
    double preOutagePerS = 0; // attempts/s over the 10 minutes before the outage
    double peak10sPerS = 0;   // the busiest 10 s after the outage, in attempts/s
    double peak1minPerS = 0;  // the busiest minute after the outage
    std::uint64_t attempts = 0;
    std::uint64_t refused = 0;              // answered 503, or not at all (the service down)
    std::vector<std::int64_t> extraDelayMs; // per client: done later than with no outage
};

[[noreturn]] void Unexpected(const char* what, std::uint32_t client) {
    std::fprintf(stderr, "fleet_sim: client %u: %s\n", client, what);
    std::exit(1);
}

bool Emits(const WizardStep& step, ActionKind kind) {
    return std::any_of(step.actions.begin(), step.actions.end(),
                       [kind](const WizardAction& a) { return a.kind == kind; });
}

// The clients and the events between them, in time order.
class Fleet {
public:
    Fleet(const Arrivals& arrivals, const Scenario& scenario, std::uint64_t seed)
        : arrivals_(arrivals), scenario_(scenario), service_(scenario.service, seed + 1),
          random_(seed) {
        figures_.extraDelayMs.reserve(arrivals.atMs.size());
    }

    Figures Run() {
        std::size_t next = 0;
        while (next < arrivals_.atMs.size() || !events_.empty()) {
            if (events_.empty() ||
                (next < arrivals_.atMs.size() && arrivals_.atMs[next] < events_.top().atMs)) {
                Arrive(static_cast<std::uint32_t>(next), arrivals_.atMs[next]);
                ++next;
                continue;
            }
            const Event event = events_.top();
            events_.pop();
            if (event.due == Due::AttemptEnd) {
                EndAttempt(event.slot, event.atMs);
            } else {
                Report(event.slot, event.atMs);
            }
        }
        if (figures_.extraDelayMs.size() != arrivals_.atMs.size()) {
            Unexpected("the day ended with downloads unfinished", 0);
        }
        Summarize();
        return std::move(figures_);
    }

private:
    struct Client {
        WizardState wizard;
        std::uint32_t id = 0;
        std::uint32_t tickOrigin = 0; // the machine's GetTickCount at midnight
        std::int64_t arrivedMs = 0;
        // The running attempt, as it will end.
        AttemptOutcome outcome = AttemptOutcome::Stopped;
        int status = 0;
        std::uint32_t serviceWaitMs = 0;
        // The last failure, to check the pause that followed it.
        std::int64_t failedMs = 0;
        std::uint32_t waitAskedMs = 0;
    };

    enum class Due { AttemptEnd, WatchdogReport };

    struct Event {
        std::int64_t atMs;
        std::uint64_t order; // ties in the order they were made
        std::uint32_t slot;
        Due due;
        bool operator>(const Event& other) const {
            return atMs != other.atMs ? atMs > other.atMs : order > other.order;
        }
    };

    std::uint32_t Tick(const Client& c, std::int64_t atMs) const {
        return c.tickOrigin + static_cast<std::uint32_t>(atMs);
    }

    void Schedule(std::int64_t atMs, std::uint32_t slot, Due due) {
        events_.push({atMs, order_++, slot, due});
    }

    void Arrive(std::uint32_t id, std::int64_t atMs) {
        std::uint32_t slot;
        if (free_.empty()) {
            slot = static_cast<std::uint32_t>(clients_.size());
            clients_.emplace_back();
        } else {
            slot = free_.back();
            free_.pop_back();
            clients_[slot] = Client{};
        }
        Client& c = clients_[slot];
        c.id = id;
        c.tickOrigin = static_cast<std::uint32_t>(random_());
        c.arrivedMs = atMs;
        WizardEvent click{EventKind::StartClicked};
        click.flag = true;
        click.nowMs = Tick(c, atMs);
        WizardStep step = Advance(c.wizard, click);
        if (!Emits(step, ActionKind::StartAttempt)) {
            Unexpected("the start click started no download", id);
        }
        c.wizard = step.state;
        StartAttempt(slot, atMs);
    }

    void StartAttempt(std::uint32_t slot, std::int64_t atMs) {
        Client& c = clients_[slot];
        CountAttempt(atMs);
        const ServiceAnswer answer = service_.Ask(atMs);
        std::int64_t endsMs = atMs + kTransferMs;
        c.outcome = AttemptOutcome::Placed;
        c.status = 200;
        c.serviceWaitMs = 0;
        if (!answer.admitted) {
            ++figures_.refused;
            endsMs = atMs + kRefusalMs;
            c.outcome = AttemptOutcome::Failed;
            c.status = answer.status;
            c.serviceWaitMs = answer.waitMs;
        } else if (answer.cutByOutage) {
            endsMs = scenario_.service.outageFromMs; // the connection reset mid-transfer
            c.outcome = AttemptOutcome::Failed;
            c.status = 0;
        }
        Schedule(endsMs, slot, Due::AttemptEnd);
    }

    void EndAttempt(std::uint32_t slot, std::int64_t atMs) {
        Client& c = clients_[slot];
        WizardEvent ended{EventKind::AttemptEnded};
        ended.attempt = c.wizard.attempt;
        ended.outcome = c.outcome;
        ended.status = c.status;
        ended.nowMs = Tick(c, atMs);
        ended.serviceWaitMs = scenario_.pacing.honorsRetryAfter ? c.serviceWaitMs : 0;
        ended.draw = scenario_.pacing.jitter ? static_cast<std::uint32_t>(random_()) : 0xFFFFFFFFu;
        const WizardStep step = Advance(c.wizard, ended);
        c.wizard = step.state;
        if (c.outcome == AttemptOutcome::Placed) {
            if (c.wizard.page != PAGE_VERIFY) {
                Unexpected("a placed installer did not lead to its check", c.id);
            }
            figures_.extraDelayMs.push_back(atMs - (c.arrivedMs + kTransferMs));
            free_.push_back(slot);
            return;
        }
        if (!c.wizard.offlinePaused || c.wizard.page != PAGE_OFFLINE) {
            Unexpected("a failed attempt did not pause the download", c.id);
        }
        c.failedMs = atMs;
        c.waitAskedMs = ended.serviceWaitMs;
        // The first watchdog report at or after the pause's end, and not before the
        // failure; the one before it must not start anything.
        const std::int64_t pauseEndsMs = atMs + c.wizard.pauseMs;
        std::int64_t k =
            (pauseEndsMs - c.arrivedMs + kWatchdogIntervalMs - 1) / kWatchdogIntervalMs;
        if (c.arrivedMs + k * kWatchdogIntervalMs <= atMs) {
            k = (atMs - c.arrivedMs) / kWatchdogIntervalMs + 1;
        }
        const std::int64_t reportMs = c.arrivedMs + k * kWatchdogIntervalMs;
        const std::int64_t earlierMs = reportMs - kWatchdogIntervalMs;
        if (earlierMs > atMs &&
            Emits(Advance(c.wizard, Connected(c, earlierMs)), ActionKind::StartAttempt)) {
            Unexpected("a retry started before the pause was over", c.id);
        }
        Schedule(reportMs, slot, Due::WatchdogReport);
    }

    WizardEvent Connected(const Client& c, std::int64_t atMs) const {
        WizardEvent report{EventKind::NetState};
        report.flag = true;
        report.nowMs = Tick(c, atMs);
        return report;
    }

    void Report(std::uint32_t slot, std::int64_t atMs) {
        Client& c = clients_[slot];
        const WizardStep step = Advance(c.wizard, Connected(c, atMs));
        if (!Emits(step, ActionKind::StartAttempt)) {
            Unexpected("the report after the pause started no retry", c.id);
        }
        CheckPause(c, atMs - c.failedMs);
        c.wizard = step.state;
        StartAttempt(slot, atMs);
    }

    // The wait between a failure and its retry, against what each pacing promises.
    void CheckPause(const Client& c, std::int64_t pausedMs) const {
        const std::int64_t bound = RetryPauseMs(c.wizard.failedAttempts);
        const std::int64_t asked = std::min<std::int64_t>(c.waitAskedMs, kLongestKeptWaitMs);
        if (!scenario_.pacing.jitter) {
            if (pausedMs < bound || pausedMs >= bound + kWatchdogIntervalMs) {
                Unexpected("the fixed back-off was not kept", c.id);
            }
        } else if (asked != 0) {
            if (pausedMs < asked || pausedMs >= asked + kWatchdogIntervalMs) {
                Unexpected("the service's Retry-After was not kept", c.id);
            }
        } else if (pausedMs >= bound + kWatchdogIntervalMs) {
            Unexpected("a jittered pause went beyond its bound", c.id);
        }
    }

    void CountAttempt(std::int64_t atMs) {
        const auto second = static_cast<std::size_t>(atMs / kSecondMs);
        if (second >= perSecond_.size()) {
            perSecond_.resize(second + 1 + 3600, 0);
        }
        ++perSecond_[second];
        ++figures_.attempts;
    }

    double BusiestAfterOutage(std::size_t windowS) const {
        const auto from = static_cast<std::size_t>(scenario_.service.outageToMs / kSecondMs);
        std::uint64_t inWindow = 0;
        std::uint64_t busiest = 0;
        for (std::size_t s = from; s < perSecond_.size(); ++s) {
            inWindow += perSecond_[s];
            if (s >= from + windowS) {
                inWindow -= perSecond_[s - windowS];
            }
            busiest = std::max(busiest, inWindow);
        }
        return static_cast<double>(busiest) / static_cast<double>(windowS);
    }

    void Summarize() {
        constexpr std::size_t kBeforeS = 600;
        const auto outageS = static_cast<std::size_t>(scenario_.service.outageFromMs / kSecondMs);
        std::uint64_t before = 0;
        for (std::size_t s = outageS - kBeforeS; s < outageS && s < perSecond_.size(); ++s) {
            before += perSecond_[s];
        }
        figures_.preOutagePerS = static_cast<double>(before) / kBeforeS;
        figures_.peak10sPerS = BusiestAfterOutage(10);
        figures_.peak1minPerS = BusiestAfterOutage(60);
    }

    const Arrivals& arrivals_;
    const Scenario& scenario_;
    Service service_;
    std::mt19937_64 random_;
    std::vector<Client> clients_; // slots, reused once a client is done
    std::vector<std::uint32_t> free_;
    std::priority_queue<Event, std::vector<Event>, std::greater<Event>> events_;
    std::uint64_t order_ = 0;
    std::vector<std::uint32_t> perSecond_; // attempts started in each second
    Figures figures_;
};

std::string Duration(std::int64_t ms) {
    char text[32];
    const std::int64_t s = (ms + kSecondMs / 2) / kSecondMs;
    if (s < 60) {
        std::snprintf(text, sizeof text, "%llds", static_cast<long long>(s));
    } else {
        std::snprintf(text, sizeof text, "%lldm%02llds", static_cast<long long>(s / 60),
                      static_cast<long long>(s % 60));
    }
    return text;
}

std::int64_t Percentile(const std::vector<std::int64_t>& sorted, double p) {
    if (sorted.empty()) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[at];
}

void PrintRow(const Scenario& scenario, Figures& f) {
    std::vector<std::int64_t>& all = f.extraDelayMs;
    std::sort(all.begin(), all.end());
    const auto firstDelayed = std::upper_bound(all.begin(), all.end(), 0) - all.begin();
    const std::vector<std::int64_t> delayed(all.begin() + firstDelayed, all.end());
    std::printf(
        "%-44s %6.1f %6.1fx %6.1fx %7.2f%% %7s %8s %7.2f%% %8s %8s\n", scenario.name.c_str(),
        f.preOutagePerS, f.peak10sPerS / f.preOutagePerS, f.peak1minPerS / f.preOutagePerS,
        100.0 * static_cast<double>(f.refused) / static_cast<double>(f.attempts),
        Duration(Percentile(all, 0.50)).c_str(), Duration(Percentile(all, 0.99)).c_str(),
        100.0 * static_cast<double>(delayed.size()) / static_cast<double>(all.size()),
        Duration(Percentile(delayed, 0.50)).c_str(), Duration(Percentile(delayed, 0.99)).c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::uint32_t clients = 1000000;
    std::uint64_t seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--clients") == 0) {
            clients = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        } else if (std::strcmp(argv[i], "--seed") == 0) {
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        } else {
            std::fprintf(stderr, "usage: fleet_sim [--clients N] [--seed S]\n");
            return 2;
        }
    }
    if (clients == 0) {
        std::fprintf(stderr, "fleet_sim: --clients must be at least 1\n");
        return 2;
    }
    const Arrivals arrivals = DrawArrivals(clients, seed);

    ServicePlan service;
    service.capacityPerS = 1.3 * arrivals.peakPerS;
    service.burst = 2 * service.capacityPerS; // nginx.conf: burst 1000 at 500 r/s
    service.outageFromMs = kEveningPeakMs;
    service.outageToMs = kEveningPeakMs + 10 * kMinuteMs;
    service.slotsPerS = 0.25 * service.capacityPerS;

    const Pacing fixed{false, false};
    const Pacing jittered{true, true};
    std::vector<Scenario> scenarios;
    scenarios.push_back({"fixed back-off, Retry-After ignored", fixed, service});
    ServicePlan bare = service;
    bare.retryAfter = RetryAfter::None;
    scenarios.push_back({"jittered; the service sends no Retry-After", jittered, bare});
    scenarios.push_back({"jittered; Retry-After 30 s (nginx.conf)", jittered, service});
    ServicePlan scheduled = service;
    scheduled.retryAfter = RetryAfter::Scheduled;
    scenarios.push_back({"jittered; Retry-After scheduled", jittered, scheduled});
    ServicePlan fronted = scheduled;
    fronted.frontAnswersInOutage = true;
    scenarios.push_back({"jittered; scheduled, front up in the outage", jittered, fronted});
    ServicePlan bounded = fronted;
    bounded.slotsWithinKeptWait = true;
    scenarios.push_back({"jittered; the same, slots within 30 min", jittered, bounded});

    std::printf("%u clients over 24 h (peak %.1f arrivals/s at 21:00); each attempt is one\n"
                "install_url request and a %llds transfer. The service takes %.1f attempts/s\n"
                "(limit_req, burst %.0f) and refuses the rest with 503; it is down 21:00-21:10\n"
                "(connections refused: no Retry-After; transfers under way cut), unless a front\n"
                "stays up and answers 503 with the scheduled wait. Scheduled Retry-After: the\n"
                "refused get successive slots at %.1f/s, the first 30 s off. The watchdog\n"
                "reports every 5 s; the wizard keeps a Retry-After up to 30 min.\n"
                "Peaks: the busiest 10 s and minute after 21:10, as multiples of the attempts/s\n"
                "of 20:50-21:00 (pre/s). Extra delay: done later than with no outage and no\n"
                "limit, over all clients and over those delayed at all.\n\n",
                clients, arrivals.peakPerS, static_cast<long long>(kTransferMs / kSecondMs),
                service.capacityPerS, service.burst, service.slotsPerS);
    std::printf("%-44s  pre/s   peak after  refused  extra delay, all  delayed  extra delay,"
                " delayed\n",
                "");
    std::printf("%-44s            10s    1min               p50       p99  clients       p50"
                "      p99\n",
                "pacing; service");
    for (const Scenario& scenario : scenarios) {
        Figures figures = Fleet(arrivals, scenario, seed + 1).Run();
        PrintRow(scenario, figures);
    }

    // The same day without the outage: the capacity alone refuses (next to) nothing.
    std::printf("\nThe same day without the outage:\n");
    for (const Scenario& with : {scenarios[0], scenarios[2]}) {
        Scenario without = with;
        without.service.outageToMs = without.service.outageFromMs;
        Figures figures = Fleet(arrivals, without, seed + 1).Run();
        PrintRow(without, figures);
    }
    return 0;
}
