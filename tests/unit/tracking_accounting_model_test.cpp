// Every second of a run accounted for, checked against a small reference model: fixed seeds
// drive the sampler, the time log and the timeline through long random sequences of events,
// and afterwards the saved log must hold, per local day, application and document, what the
// model credits; the timeline's seconds per day must equal the log's; and worked + idle +
// uncounted must be the run's length. A failure prints the seed and writes the event list
// beside the temporary files; OSTRAK_MODEL_SEED and OSTRAK_MODEL_STEPS replay one seed, or a
// prefix of it (a shorter run ends with Exit at that step).
//
// The event mix, in thousandths of the steps (an answer is drawn only while an offer waits):
//   tick, 1000 +- 40 ms after the last, no input                 450
//   tick with input                                              250
//   switch of window, no input / with input                     40 / 50
//   title change in the window in front, no input / with input   30 / 30
//   quiet spell: 30-400 ticks without input, 3% of them a switch
//     or a title change, 1% sound on or off                       30
//   gap of 61-400 s, then a tick, a late lock or a late suspend   15
//   gap of 59.5-60.5 s, then a tick                                5
//   away time set to 0 (never) or 1-3 minutes                     10
//   sound on or off                                               15
//   sound as presence, the setting, on or off                      5
//   session spell: lock, disconnect or both for 5-400 ticks, a
//     gap or a suspend inside one in five, back with input        15
//   end of session (credit, save; the session goes on)             3
//   suspend, asleep 5-60 s (30%), 1-10 min (50%), up to 3 h, resume  5
//   save, good / failing (log and timeline folders in the way)  10 / 5
//   answer to the waiting away offer: yes 40%, no 30%, a stale
//     id 15%, never 15%                                           50
//   pause, for 5-600 s or until resumed                           6
//   Resume, drawn only while paused                               20
// Each run ends with Exit: the pending stretch credited, then the last save. The runs start
// before midnight, at a month's and a year's end, and across daylight-saving changes (02:00
// forward, 03:00 back, and forward at midnight).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "tests/unit/tracking_fakes.h"

namespace {

constexpr int kSequences = 40;
constexpr int kStepsPerSequence = 1500;

constexpr WindowHandle kEditor = 0x1000;
constexpr WindowHandle kStudio = 0x2000;
constexpr WindowHandle kEditor2 = 0x3000;
constexpr WindowHandle kUntitled = 0x4000;
constexpr WindowHandle kLockScreen = 0x5000;
constexpr WindowHandle kWindows[] = {0, kEditor, kStudio, kEditor2, kUntitled};
const char* const kInactive = "Inactive";

std::int64_t GridOf(std::int64_t ms) {
    return (ms + 500) / 1000;
}

std::string MinuteDoc(const LocalDateTime& time) {
    char text[24];
    std::snprintf(text, sizeof text, "%02d.%02d - ...", time.hour, time.minute);
    return text;
}

using Day = std::tuple<int, int, int>;
struct Totals {
    std::map<Day, std::int64_t> days;
    std::map<std::tuple<Day, std::string>, std::int64_t> apps;
    std::map<std::tuple<Day, std::string, std::string>, std::int64_t> docs;
};

struct Offer {
    std::int64_t startUtc;
    std::int64_t endUtc;
    std::string app;
    std::string doc;
};

// What the rules credit, second by second of the run's grid: each second has an owner (a
// name) or none (uncounted). Written from the rules, not from the sampler.
class Model {
public:
    Model(LocalClock& clock, std::int64_t utc0) : clock_(clock), utc0_(utc0) {}

    void Tick(std::int64_t t, WindowHandle window, const std::string& title, bool input, std::int64_t inputAt,
              bool resumeNow = false) {
        const std::int64_t g = Enter(t);
        if (paused_) {
            if (input) lastInput_ = inputAt, inputWhilePaused_ = true;
            if (resumeNow || (pauseUntil_ != PausedUntilResumed && utc0_ + g >= pauseUntil_)) {
                EndPause(t, g, window, title, input || inputWhilePaused_);
            }
            return;
        }
        const bool changed = !started_ || window != window_ || title != title_;
        const WindowHandle windowBefore = window_;
        const int frontBefore = front_;
        if (changed) {
            window_ = window;
            title_ = title;
            front_ = NameOf(window, title, g);
        }
        started_ = true;
        if (input) lastInput_ = inputAt;
        if (!windowSeen_) {
            // The seconds before the first window came to the front are nobody's.
            if (window == 0) return Confirm(g);
            windowSeen_ = true;
            activity_ = std::max(activity_, g);
        }
        bool returned = false;
        if (away_) {
            if (!locked_ && !disconnected_ && (session_ || input)) Return(g), returned = true;
        } else if (changed) {
            Fill(g);
            seg_ = front_;
            if (awayMs_ == 0) Confirm(g);  // credited outright, nothing held
        }
        if (away_) return;
        if (input) {
            // In front at the input is the window of the stretch that ran up to this tick: the
            // one before a switch this tick, unless no stretch ran before it.
            const bool before = changed && !returned && frontBefore >= 0;
            activity_ = std::max(activity_, GridOf(inputAt));
            windowAtInput_ = before ? windowBefore : window_;
            nameAtInput_ = before ? frontBefore : front_;
        }
        if (awayMs_ > 0 && t - lastInput_ >= awayMs_) {
            // Sound counts like an input: the absence comes the away time after the last of them.
            if (media_ && playing_ && t - lastInput_ < MaxPresenceWithoutInput && window_ == windowAtInput_) {
                activity_ = g;
                lastPresence_ = t;
            } else if (t - std::max(lastInput_, lastPresence_) >= awayMs_) {
                BeginAbsence(g, false);
            }
        }
    }

    void SessionDown(std::int64_t t, bool disconnect) {
        const std::int64_t g = Enter(t);
        (disconnect ? disconnected_ : locked_) = true;
        if (paused_) return;
        if (away_) {
            session_ = true;  // the same away stretch goes on
            return;
        }
        Fill(g);
        Confirm(g);
        BeginAbsence(g, true);
    }
    void SessionUp(bool connect) { (connect ? disconnected_ : locked_) = false; }

    // End of session, suspend, Exit.
    void CreditPending(std::int64_t t) {
        const std::int64_t g = Enter(t);
        if (paused_) return;
        SettleAsIdle();
        Fill(g);
        Confirm(g);
        if (away_) awayStart_ = g;
    }
    void Restart(std::int64_t t) {
        if (paused_) {
            lastEntry_ = t;
            return;
        }
        const std::int64_t g = GridOf(t);
        Nobody(g);
        Confirm(g);
        lastEntry_ = t;
        if (away_) awayStart_ = g;
    }

    // A pause credits what ran; while it lasts, nothing is decided.
    void Pause(std::int64_t t, std::int64_t untilUtc) {
        if (!paused_) {
            CreditPending(t);
            paused_ = true;
            inputWhilePaused_ = false;
        } else {
            Enter(t);
        }
        pauseUntil_ = untilUtc;
    }
    bool Paused() const { return paused_; }
    void SetAway(std::uint32_t minutes) { awayMs_ = std::int64_t{minutes} * 60000; }
    void SetMedia(bool on) { media_ = on; }
    void SetPlaying(bool on) { playing_ = on; }
    // The answer to the offer numbered `index` (in order of offering).
    void Settle(std::size_t index, bool asWork) {
        if (!offerWaits_ || offerIndex_ != index) return;
        offerWaits_ = false;
        if (asWork) std::fill(owner_.begin() + offerFrom_, owner_.begin() + offerTo_, offerName_);
    }
    bool Away() const { return away_; }
    std::int64_t AwayMs() const { return awayMs_; }
    std::int64_t LastInput() const { return lastInput_; }

    const std::vector<Offer>& Offers() const { return offers_; }
    RunAccounting Accounting() const {
        RunAccounting run;
        for (int owner : owner_) {
            if (owner < 0) ++run.uncounted;
            else if (names_[owner].first == kInactive) ++run.idle;
            else ++run.worked;
        }
        run.running = static_cast<std::int64_t>(owner_.size());
        return run;
    }
    Totals PerDay() const {
        Totals totals;
        for (std::size_t s = 0; s < owner_.size(); ++s) {
            if (owner_[s] < 0) continue;
            const LocalDateTime at = LocalAt(static_cast<std::int64_t>(s));
            const Day day{at.year, at.month, at.day};
            const auto& [app, doc] = names_[owner_[s]];
            ++totals.days[day];
            ++totals.apps[{day, app}];
            if (!doc.empty()) ++totals.docs[{day, app, doc}];
        }
        return totals;
    }

private:
    // Every entry point first applies the gap rule, which a pause leaves to its end.
    std::int64_t Enter(std::int64_t t) {
        const std::int64_t g = GridOf(t);
        if (started_ && !paused_ && t - lastEntry_ > MaxTickGap) {
            Fill(GridOf(lastEntry_));
            Nobody(g);
            decided_ = std::max(decided_, g);
            if (awayMs_ == 0) Confirm(g);
            if (away_) awayStart_ = g;
        }
        lastEntry_ = t;
        return g;
    }
    void Fill(std::int64_t g) {
        if (g > static_cast<std::int64_t>(owner_.size())) owner_.resize(static_cast<std::size_t>(g), seg_);
    }
    void Nobody(std::int64_t g) {
        if (g > static_cast<std::int64_t>(owner_.size())) owner_.resize(static_cast<std::size_t>(g), -1);
    }
    void Confirm(std::int64_t g) {
        confirmed_ = std::max(confirmed_, g);
        decided_ = std::max(decided_, g);
    }
    // The absence begins at the last input or presence, never before what is decided; every
    // second after that activity not yet confirmed is the absence's.
    void BeginAbsence(std::int64_t g, bool session) {
        SettleAsIdle();
        Fill(g);
        const std::int64_t start = std::max(activity_, decided_);
        const int idle = Name(kInactive, MinuteDoc(LocalAt(start)));
        for (std::int64_t s = std::max(activity_, confirmed_); s < g; ++s) {
            if (owner_[static_cast<std::size_t>(s)] >= 0) owner_[static_cast<std::size_t>(s)] = idle;
        }
        seg_ = idle;
        away_ = true;
        session_ = session;
        awayStart_ = start;
        awayFor_ = nameAtInput_;
    }
    void Return(std::int64_t g) {
        Fill(g);
        if (awayMs_ > 0 && (g - awayStart_) * 1000 >= awayMs_ && awayFor_ >= 0 && names_[awayFor_].first != kInactive) {
            offerWaits_ = true;
            offerIndex_ = offers_.size();
            offerFrom_ = awayStart_;
            offerTo_ = g;
            offerName_ = awayFor_;
            offers_.push_back({utc0_ + awayStart_, utc0_ + g, names_[awayFor_].first, names_[awayFor_].second});
        }
        away_ = false;
        session_ = false;
        Confirm(g);
        // No window in front: the stretch that starts here is named by its own minute.
        if (window_ == 0) front_ = NameOf(0, title_, g);
        seg_ = front_;
    }
    void SettleAsIdle() { offerWaits_ = false; }
    // The paused seconds are nobody's and the window in front starts the next stretch; what was
    // in front at the last input before the pause is nobody's to offer an absence or to keep
    // present by sound. An input during the pause is the new stretch's, once the away check of
    // this tick is past.
    void EndPause(std::int64_t t, std::int64_t g, WindowHandle window, const std::string& title, bool inputNoted) {
        paused_ = false;
        inputWhilePaused_ = false;
        Nobody(g);
        Confirm(g);
        nameAtInput_ = -1;
        windowAtInput_ = 0;
        away_ = false;
        session_ = false;
        window_ = window;
        title_ = title;
        front_ = NameOf(window, title, g);
        if (locked_ || disconnected_) return BeginAbsence(g, true);
        if (awayMs_ > 0 && t - lastInput_ >= awayMs_) {
            if (media_ && playing_ && t - lastInput_ < MaxPresenceWithoutInput && window_ == windowAtInput_) {
                activity_ = g;
                lastPresence_ = t;
            } else if (t - std::max(lastInput_, lastPresence_) >= awayMs_) {
                return BeginAbsence(g, false);
            }
        }
        seg_ = front_;
        if (awayMs_ == 0) Confirm(g);
        if (inputNoted) {
            activity_ = std::max(activity_, GridOf(lastInput_));
            windowAtInput_ = window_;
            nameAtInput_ = front_;
        }
    }

    LocalDateTime LocalAt(std::int64_t second) const { return clock_.LocalTimeAt(utc0_ + second); }
    int NameOf(WindowHandle window, const std::string& title, std::int64_t g) {
        if (window == 0) return Name(kInactive, MinuteDoc(LocalAt(g)));
        if (title.empty()) return Name(kInactive, "");
        const std::string editor = " - Editor", studio = "Studio: ";
        if (title.size() > editor.size() && title.compare(title.size() - editor.size(), editor.size(), editor) == 0) {
            return Name("Editor", title.substr(0, title.size() - editor.size()));
        }
        if (title.compare(0, studio.size(), studio) == 0) return Name("Studio", title.substr(studio.size()));
        return Name(title, "");
    }
    int Name(const std::string& app, const std::string& doc) {
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (names_[i].first == app && names_[i].second == doc) return static_cast<int>(i);
        }
        names_.emplace_back(app, doc);
        return static_cast<int>(names_.size()) - 1;
    }

    LocalClock& clock_;
    std::int64_t utc0_;
    std::vector<std::pair<std::string, std::string>> names_;
    std::vector<int> owner_;  // per grid second: a name, or -1 for nobody
    int seg_ = -1;            // the owner of the seconds from owner_.size() on
    bool started_ = false;
    bool windowSeen_ = false;
    std::int64_t lastEntry_ = 0;
    WindowHandle window_ = 0;
    std::string title_;
    int front_ = -1;
    std::int64_t lastInput_ = 0;
    std::int64_t activity_ = 0;    // grid second of the last input or presence
    std::int64_t lastPresence_ = 0;  // the last tick at which sound kept the user present
    std::int64_t confirmed_ = 0;   // seconds before it keep their owner
    std::int64_t decided_ = 0;     // seconds before it are credited or uncounted
    WindowHandle windowAtInput_ = 0;
    int nameAtInput_ = -1;
    std::int64_t awayMs_ = 0;
    bool media_ = true;
    bool playing_ = false;
    bool away_ = false;
    bool session_ = false;
    bool locked_ = false;
    bool disconnected_ = false;
    std::int64_t awayStart_ = 0;  // the away stretch's first second not yet credited
    int awayFor_ = -1;
    bool offerWaits_ = false;
    std::size_t offerIndex_ = 0;
    std::int64_t offerFrom_ = 0, offerTo_ = 0;
    int offerName_ = -1;
    std::vector<Offer> offers_;
    bool paused_ = false;
    std::int64_t pauseUntil_ = 0;
    bool inputWhilePaused_ = false;
};

std::vector<AwayOffer>* OffersHeard = nullptr;
void HearOffer(const AwayOffer& offer) {
    OffersHeard->push_back(offer);
}

struct Scenario {
    const char* name;
    LocalDateTime start;
    std::int64_t offset;
    LocalDateTime shiftAt;  // local time of a daylight-saving change, year 0 for none
    std::int64_t shift;
};
const Scenario kScenarios[] = {
    {"midnight", {2026, 12, 7, 23, 52, 0}, 0, {}, 0},
    {"month's end", {2026, 11, 30, 23, 40, 0}, 3 * 3600, {}, 0},
    {"year's end", {2026, 12, 31, 23, 45, 0}, -5 * 3600, {}, 0},
    {"clocks forward at 02:00", {2026, 3, 29, 0, 50, 0}, 3600, {2026, 3, 29, 2, 0, 0}, 3600},
    {"clocks back at 03:00", {2026, 10, 25, 1, 50, 0}, 7200, {2026, 10, 25, 3, 0, 0}, -3600},
    {"clocks forward at midnight", {2026, 9, 5, 23, 45, 0}, -3 * 3600, {2026, 9, 6, 0, 0, 0}, 3600},
};

// One run: the fakes in place, a fresh program folder, the real sampler, log and timeline
// beside the model, and the event list for replay.
class Driver {
public:
    Driver(unsigned seed, const Scenario& scenario, std::uint32_t firstTick)
        : random_(seed),
          firstTick_(firstTick),
          scenario_(scenario),
          utc0_(CalendarSeconds(scenario.start) - scenario.offset),
          model_(clock_, utc0_) {
        clock_.offset = scenario.offset;
        if (scenario.shiftAt.year) {
            clock_.shiftAt = CalendarSeconds(scenario.shiftAt) - scenario.offset;
            clock_.shift = scenario.shift;
        }
        clock_.utc = utc0_;
        ProgramDir = folder_.Dir();
        UserName = "user1";
        ProgramList = {"Editor", "Studio"};
        SetInactiveName(kInactive);
        SetTitleSource(&windows_);
        SetLastInputSource(&input_);
        SetClock(&clock_);
        SetSamplingTimer(&timer_);
        SetPresenceSource(&presence_);
        OffersHeard = &offers_;
        SetAwayOfferListener(HearOffer);
        SetAwayMinutes(0);
        SetMediaIsPresence(true);
        SetTimelineOn(true);
        windows_.titles[kEditor] = "notes.txt - Editor";
        windows_.titles[kStudio] = "Studio: main.cpp";
        windows_.titles[kEditor2] = "plan.txt - Editor";
        windows_.titles[kUntitled] = "";
        windows_.titles[kLockScreen] = "Lock screen";
        OpenTracker();
        Log("start " + std::string(scenario.name) + ", first tick " + std::to_string(firstTick) + ", second 0 at " +
            std::to_string(utc0_) + " UTC");
    }
    ~Driver() {
        CloseTracker();
        ResetSampler();
        SetAwayOfferListener(nullptr);
        SetAwayMinutes(0);
        SetMediaIsPresence(true);
        SetTitleSource(nullptr);
        SetLastInputSource(nullptr);
        SetClock(nullptr);
        SetSamplingTimer(nullptr);
        SetPresenceSource(nullptr);
        SetInactiveName("");
        ProgramDir.clear();
        UserName.clear();
        ProgramList.clear();
        OffersHeard = nullptr;
    }

    // ---- the events, each applied to the code and to the model ----

    // A timer tick `after` ms after the last (jittered when 0), optionally with input since.
    // The input comes `inputEarlier` ms before the tick (random when negative).
    void Tick(bool withInput, std::int64_t after = 0, std::int64_t inputEarlier = -1) {
        const std::int64_t t = !started_ ? 0 : base_ + (after ? after : 960 + Draw(80));
        lateBy_ = 0;
        std::int64_t inputAt = -1;
        if (withInput) {
            inputAt = started_ ? std::max(base_ + 1, t - (inputEarlier < 0 ? Draw(900) : inputEarlier)) : t;
            input_.At(Tick32(inputAt));
        }
        SetClockTo(t);
        const std::string title = front_ ? windows_.titles[front_] : "";
        const int askedBefore = presence_.asked;
        SampleWindow(front_, Tick32(t));
        const bool recentInput = model_.AwayMs() == 0 || t - (withInput ? inputAt : model_.LastInput()) < model_.AwayMs();
        if (presence_.asked != askedBefore && recentInput && !model_.Away()) {
            Fault("sound was asked on a tick with recent input, at " + std::to_string(t));
        }
        model_.Tick(t, front_, title, withInput, inputAt);
        Log(std::to_string(t) + " tick " + Hex(front_) + " \"" + title + "\"" +
            (withInput ? " input " + std::to_string(inputAt) : ""));
        base_ = t;
        started_ = true;
        lastWasTick_ = true;
    }
    void SwitchTo(WindowHandle window) { front_ = window; }
    void ChangeTitle(const char* title = nullptr) {
        static const char* const editorDocs[] = {"notes.txt", "todo.txt", "plan.txt", "inbox (3)"};
        static const char* const studioDocs[] = {"main.cpp", "util.cpp"};
        if (title) {
            windows_.titles[front_] = title;
        } else if (front_ == kStudio) {
            windows_.titles[front_] = std::string("Studio: ") + studioDocs[Draw(2)];
        } else if (front_ == kEditor || front_ == kEditor2) {
            windows_.titles[front_] = std::string(editorDocs[Draw(4)]) + " - Editor";
        } else {
            front_ = kEditor;
        }
    }
    void Session(SessionChange change) {
        const std::int64_t t = EntryTime();
        SetClockTo(t);
        NoteSessionChange(change, Tick32(t));
        const bool down = change == SessionChange::Locked || change == SessionChange::Disconnected;
        const bool aboutConnection = change == SessionChange::Disconnected || change == SessionChange::Connected;
        if (down) {
            model_.SessionDown(t, aboutConnection);
        } else {
            model_.SessionUp(aboutConnection);
        }
        static const char* const names[] = {"lock", "unlock", "disconnect", "connect"};
        Log(std::to_string(t) + " " + names[static_cast<int>(change)]);
        Entered(t, down);
    }
    void CreditPending(const char* why, std::int64_t after = 0) {
        const std::int64_t t = after ? base_ + after : EntryTime();
        SetClockTo(t);
        CreditPendingStretch(Tick32(t));
        model_.CreditPending(t);
        Log(std::to_string(t) + " credit pending (" + why + ")");
        Entered(t, true);
    }
    void Pause(bool timed) {
        const std::int64_t t = EntryTime();
        SetClockTo(t);
        const std::int64_t until = timed ? utc0_ + GridOf(t) + 5 + Draw(596) : PausedUntilResumed;
        PauseRecording(until, Tick32(t));
        model_.Pause(t, until);
        Log(std::to_string(t) + " pause until " + (timed ? std::to_string(until) : "resumed"));
        Entered(t, true);
    }
    void ResumeFromMenu() {
        const std::int64_t t = EntryTime();
        SetClockTo(t);
        const std::string title = front_ ? windows_.titles[front_] : "";
        ResumeRecording(front_, Tick32(t));
        model_.Tick(t, front_, title, false, -1, true);
        Log(std::to_string(t) + " resume from the menu, " + Hex(front_) + " \"" + title + "\"");
        Entered(t, true);
    }
    void Resume(std::int64_t asleepMs) {
        const std::int64_t t = base_ + asleepMs;
        SetClockTo(t);
        RestartStretch(Tick32(t));
        model_.Restart(t);
        Log(std::to_string(t) + " resume");
        Entered(t, true);
    }
    // The next entry comes that late after the last tick.
    void Gap(std::int64_t ms) {
        if (!lastWasTick_) Tick(false);
        lateBy_ = ms;
        Log("gap " + std::to_string(ms) + " ms");
    }
    void AwayMinutes(std::uint32_t minutes) {
        SetAwayMinutes(minutes);
        model_.SetAway(minutes);
        Log("away time " + std::to_string(minutes) + " min");
    }
    void Sound(bool on) {
        presence_.playing = on;
        model_.SetPlaying(on);
        Log(std::string("sound ") + (on ? "on" : "off"));
    }
    void MediaSetting(bool on) {
        SetMediaIsPresence(on);
        model_.SetMedia(on);
        Log(std::string("sound as presence ") + (on ? "on" : "off"));
    }
    void Save(bool good) {
        if (!good) BlockFiles(true);
        SaveTracker();
        if (!good) BlockFiles(false);
        Log(good ? "save" : "failing save");
    }
    // Answers the newest offer heard: 0 yes, 1 no, 2 a stale id, 3 never.
    void Answer(int how) {
        const std::size_t index = offers_.size() - 1;
        answered_ = offers_.size();
        const std::uint64_t id = offers_[index].id;
        if (how == 0 || how == 1) {
            SettleAwayOffer(id, how == 0);
            model_.Settle(index, how == 0);
            Log(std::string("offer ") + std::to_string(id) + (how == 0 ? " yes" : " no"));
        } else if (how == 2) {
            const std::uint64_t stale = index > 0 ? offers_[Draw(index)].id : id + 1000;
            SettleAwayOffer(stale, Draw(2) == 0);
            answered_ = index;  // the offer itself still waits for its answer
            Log("offer stale id " + std::to_string(stale));
        } else {
            Log("offer " + std::to_string(id) + " never answered");
        }
    }
    bool OfferWaits() const { return answered_ < offers_.size(); }
    void Exit(std::int64_t after = 0) {
        CreditPending("exit", after);
        SaveTracker();
        Log("save (exit)");
    }

    // ---- the random sequence ----

    void RandomSteps(int steps) {
        for (int step = 0; step < steps; ++step) RandomStep();
    }
    void RandomStep() {
        int roll = Draw(1000);
        if (model_.Paused() && Draw(1000) < 20) return ResumeFromMenu();
        if (OfferWaits() && Draw(1000) < 50) {
            const int how = Draw(100);
            Answer(how < 40 ? 0 : how < 70 ? 1 : how < 85 ? 2 : 3);
            return;
        }
        if ((roll -= 450) < 0) return Tick(false);
        if ((roll -= 250) < 0) return Tick(true);
        if ((roll -= 40) < 0) return SwitchTo(OtherWindow()), Tick(false);
        if ((roll -= 50) < 0) return SwitchTo(OtherWindow()), Tick(true);
        if ((roll -= 30) < 0) return ChangeTitle(), Tick(false);
        if ((roll -= 30) < 0) return ChangeTitle(), Tick(true);
        if ((roll -= 30) < 0) return QuietSpell(30 + Draw(371));
        if ((roll -= 15) < 0) return LateEntry(61000 + Draw(339001));
        if ((roll -= 5) < 0) return Gap(59500 + Draw(1001)), Tick(Draw(2) == 0, lateBy_), void();
        if ((roll -= 10) < 0) return AwayMinutes(Draw(100) < 15 ? 0 : 1 + Draw(3));
        if ((roll -= 15) < 0) return Sound(!presence_.playing);
        if ((roll -= 5) < 0) return MediaSetting(Draw(2) == 0);
        if ((roll -= 15) < 0) return SessionSpell();
        if ((roll -= 3) < 0) return CreditPending("end of session"), Save(true);
        if ((roll -= 5) < 0) return Suspend();
        if ((roll -= 10) < 0) return Save(true);
        if ((roll -= 5) < 0) return Save(false);
        if ((roll -= 6) < 0) return Pause(Draw(2) == 0);
        Tick(false);
    }
    void QuietSpell(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            const int roll = Draw(100);
            if (roll < 2) SwitchTo(OtherWindow());
            else if (roll < 3) ChangeTitle();
            if (Draw(100) == 0) Sound(!presence_.playing);
            Tick(false);
        }
    }
    void LateEntry(std::int64_t ms) {
        Gap(ms);
        const int roll = Draw(10);
        if (roll < 6) return Tick(Draw(2) == 0, lateBy_);
        if (roll < 8) return SessionSpell();
        Suspend();
    }
    void Suspend() {
        CreditPending("suspend");
        const int roll = Draw(10);
        const std::int64_t asleep = roll < 3 ? 5000 + Draw(55000) : roll < 8 ? 60000 + Draw(540000) : 600000 + Draw(3 * 3600000 - 600000);
        Resume(asleep);
        if (Draw(2) == 0) Tick(true);  // the key that woke it
    }
    void SessionSpell() {
        const int kind = Draw(3);  // lock, disconnect, both
        const WindowHandle before = front_;
        Session(kind == 1 ? SessionChange::Disconnected : SessionChange::Locked);
        front_ = kLockScreen;
        if (kind == 2) {
            BusyLocked(5 + Draw(100));
            Session(SessionChange::Disconnected);
            BusyLocked(5 + Draw(100));
            Session(SessionChange::Connected);
        }
        BusyLocked(5 + Draw(396));
        Session(kind == 1 ? SessionChange::Connected : SessionChange::Unlocked);
        front_ = Draw(3) == 0 ? OtherWindow() : before == kLockScreen ? kEditor : before;
        Tick(true);  // the password, seen by the first tick after
    }
    // Ticks while the lock screen is in front: input at it now and then, a gap or a suspend.
    void BusyLocked(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            const int roll = Draw(1000);
            if (roll < 2) {
                Gap(61000 + Draw(300000));
                Tick(false, lateBy_);
            } else if (roll < 4) {
                Suspend();
            } else {
                Tick(Draw(20) == 0);
            }
        }
    }

    // ---- the checks ----

    // Compares the saved log, the timeline files and the run's accounting with the model;
    // the faults found, none when all agree.
    std::vector<std::string> Check() {
        const RunAccounting real = AccountingOfRun();
        const RunAccounting expected = model_.Accounting();
        auto text = [](const RunAccounting& a) {
            return "worked " + std::to_string(a.worked) + " + idle " + std::to_string(a.idle) + " + uncounted " +
                   std::to_string(a.uncounted) + " = running " + std::to_string(a.running);
        };
        if (real.worked + real.idle + real.uncounted != real.running) Fault("the run's sum is off: " + text(real));
        if (std::tie(real.worked, real.idle, real.uncounted, real.running) !=
            std::tie(expected.worked, expected.idle, expected.uncounted, expected.running)) {
            Fault("accounting: code " + text(real) + ", model " + text(expected));
        }

        const std::string logPath = folder_.File("user1-Time.xml");
        if (!TimeLog || ReadFileBytes(logPath) != FormatXmlDocument(*TimeLog)) Fault("the saved log is not the log");
        auto saved = CreateXmlDocument();
        if (!saved->Load(logPath)) {
            Fault("the saved log does not load");
            return faults_;
        }
        const Totals logged = LogTotals(*saved);
        const Totals modelled = model_.PerDay();
        CompareMaps("log day", logged.days, modelled.days);
        CompareMaps("log application", logged.apps, modelled.apps);
        CompareMaps("log document", logged.docs, modelled.docs);
        CompareMaps("timeline day vs log", TimelineDays(), logged.days);

        const std::vector<Offer>& expectedOffers = model_.Offers();
        for (std::size_t i = 0; i < std::max(offers_.size(), expectedOffers.size()); ++i) {
            auto show = [](std::int64_t start, std::int64_t end, const std::string& app, const std::string& doc) {
                return std::to_string(start) + "-" + std::to_string(end) + " " + app + "/" + doc;
            };
            const std::string got = i < offers_.size()
                                        ? show(offers_[i].startUtc, offers_[i].endUtc, offers_[i].app, offers_[i].doc)
                                        : "none";
            const std::string want =
                i < expectedOffers.size()
                    ? show(expectedOffers[i].startUtc, expectedOffers[i].endUtc, expectedOffers[i].app, expectedOffers[i].doc)
                    : "none";
            if (got != want) Fault("offer " + std::to_string(i) + ": code " + got + ", model " + want);
        }
        return faults_;
    }
    RunAccounting ModelAccounting() const { return model_.Accounting(); }
    Totals ModelPerDay() const { return model_.PerDay(); }

    std::string EventList() const {
        std::string list;
        for (const std::string& line : events_) list += line + "\n";
        return list;
    }

private:
    int Draw(std::uint64_t n) { return static_cast<int>(std::uniform_int_distribution<std::uint64_t>(0, n - 1)(random_)); }
    WindowHandle OtherWindow() {
        WindowHandle window;
        do window = kWindows[Draw(5)];
        while (window == front_);
        return window;
    }
    std::uint32_t Tick32(std::int64_t t) const { return static_cast<std::uint32_t>(firstTick_ + static_cast<std::uint64_t>(t)); }
    void SetClockTo(std::int64_t t) { clock_.utc = utc0_ + GridOf(t); }
    // An entry between ticks, or late after a gap.
    std::int64_t EntryTime() {
        if (lateBy_) return base_ + lateBy_;
        return base_ + 50 + Draw(850);
    }
    void Entered(std::int64_t t, bool movesTicks) {
        if (lateBy_ || movesTicks) base_ = std::max(base_, t);
        lateBy_ = 0;
        lastWasTick_ = false;
    }
    // Entries are logged as "ms (grid second) what".
    void Log(const std::string& line) {
        const std::size_t blank = line.find(' ');
        if (line[0] >= '0' && line[0] <= '9' && blank != std::string::npos) {
            const std::int64_t t = std::atoll(line.c_str());
            events_.push_back(line.substr(0, blank) + " (" + std::to_string(GridOf(t)) + ")" + line.substr(blank));
        } else {
            events_.push_back(line);
        }
    }
    void Fault(const std::string& what) { faults_.push_back(what); }
    static std::string Hex(WindowHandle window) {
        char text[16];
        std::snprintf(text, sizeof text, "%#x", static_cast<unsigned>(window));
        return text;
    }

    // The log's folder blocked: a folder where the log and the months' timeline files go.
    void BlockFiles(bool block) {
        // The log stays as it is, as a held one would: its save finds every temporary name taken.
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            const std::string temporary = folder_.File("user1-Time.xml.~" + std::to_string(getpid()) + "-" +
                                                       std::to_string(attempt));
            if (block) std::filesystem::create_directory(temporary);
            else std::filesystem::remove(temporary);
        }
        std::vector<std::string> paths;
        for (std::int64_t at : {utc0_, clock_.utc}) {
            const LocalDateTime local = clock_.LocalTimeAt(at);
            char name[40];
            std::snprintf(name, sizeof name, "user1-Timeline-%04d-%02d.tsv", local.year, local.month);
            if (std::find(paths.begin(), paths.end(), folder_.File(name)) == paths.end()) paths.push_back(folder_.File(name));
        }
        for (const std::string& path : paths) {
            const std::string aside = path + ".aside";
            if (block) {
                if (FileExists(path)) std::filesystem::rename(path, aside);
                std::filesystem::create_directory(path);
            } else {
                std::filesystem::remove_all(path);
                if (FileExists(aside)) std::filesystem::rename(aside, path);
            }
        }
    }

    static Totals LogTotals(const XmlDocument& log) {
        Totals totals;
        for (XmlNode date : Children(log.DocumentElement(), "Date")) {
            std::int32_t y = 0, m = 0, d = 0;
            date.AttributeToInt32("y", y);
            date.AttributeToInt32("m", m);
            date.AttributeToInt32("d", d);
            const Day day{y, m, d};
            // An element of no seconds holds nothing to compare.
            if (TimeOf(date)) totals.days[day] += TimeOf(date);
            for (XmlNode app : Children(date, "App")) {
                std::string appName, docName;
                app.GetAttribute("name", appName);
                if (TimeOf(app)) totals.apps[{day, appName}] += TimeOf(app);
                for (XmlNode doc : Children(app, "Doc")) {
                    doc.GetAttribute("name", docName);
                    if (TimeOf(doc)) totals.docs[{day, appName, docName}] += TimeOf(doc);
                }
            }
        }
        return totals;
    }
    // The seconds of the timeline's lines by their start date, from every month's file.
    std::map<Day, std::int64_t> TimelineDays() {
        std::map<Day, std::int64_t> days;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.Dir())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("user1-Timeline-", 0) != 0 || name.size() != 26) continue;
            std::istringstream lines(ReadFileBytes(entry.path().string()));
            std::string line;
            std::getline(lines, line);
            if (line + "\n" != kTimelineHeader) Fault(name + " starts with " + line);
            while (std::getline(lines, line)) {
                const std::size_t tab = line.find('\t');
                if (tab != 19 || line.substr(0, 4) != name.substr(15, 4) || line.substr(5, 2) != name.substr(20, 2)) {
                    Fault(name + " holds the line " + line);
                    continue;
                }
                const int seconds = std::atoi(line.c_str() + 20);
                if (seconds <= 0) Fault(name + " holds the line " + line);
                days[{std::atoi(line.c_str()), std::atoi(line.c_str() + 5), std::atoi(line.c_str() + 8)}] += seconds;
            }
        }
        return days;
    }
    template <typename Key>
    void CompareMaps(const std::string& what, const std::map<Key, std::int64_t>& got,
                     const std::map<Key, std::int64_t>& want) {
        std::set<Key> keys;
        for (const auto& [key, value] : got) keys.insert(key);
        for (const auto& [key, value] : want) keys.insert(key);
        for (const Key& key : keys) {
            const auto a = got.find(key), b = want.find(key);
            const std::int64_t x = a == got.end() ? -1 : a->second, y = b == want.end() ? -1 : b->second;
            if (x != y) Fault(what + " " + KeyText(key) + ": " + std::to_string(x) + " s, expected " + std::to_string(y));
        }
    }
    static std::string DayText(const Day& day) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", std::get<0>(day), std::get<1>(day), std::get<2>(day));
        return text;
    }
    static std::string KeyText(const Day& day) { return DayText(day); }
    static std::string KeyText(const std::tuple<Day, std::string>& key) {
        return DayText(std::get<0>(key)) + " " + std::get<1>(key);
    }
    static std::string KeyText(const std::tuple<Day, std::string, std::string>& key) {
        return DayText(std::get<0>(key)) + " " + std::get<1>(key) + "/" + std::get<2>(key);
    }

    TemporaryFolder folder_;
    FakeWindows windows_;
    FakeInput input_;
    FakeClock clock_;
    FakeTimer timer_;
    FakePresence presence_;
    std::mt19937_64 random_;
    std::uint32_t firstTick_;
    const Scenario& scenario_;
    std::int64_t utc0_ = 0;
    Model model_;
    std::int64_t base_ = 0;  // the last tick, or the entry the ticks go on from
    std::int64_t lateBy_ = 0;
    bool started_ = false;
    bool lastWasTick_ = false;
    WindowHandle front_ = kEditor;
    std::vector<AwayOffer> offers_;
    std::size_t answered_ = 0;
    std::vector<std::string> events_;
    std::vector<std::string> faults_;

public:
    void ReportIfFaulty(unsigned seed) {
        if (faults_.empty()) return;
        const std::string path = std::filesystem::temp_directory_path().string() + "/ostrak-model-seed-" +
                                 std::to_string(seed) + ".txt";
        WriteFileBytes(path, EventList());
        std::string shown;
        for (std::size_t i = 0; i < faults_.size() && i < 12; ++i) shown += "  " + faults_[i] + "\n";
        ADD_FAILURE() << "seed " << seed << " (" << scenario_.name << "): " << faults_.size() << " disagreements\n"
                      << shown << "event list: " << path;
    }
};

unsigned EnvNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

std::uint32_t FirstTickOf(unsigned seed) {
    // Every third run starts an hour before the tick wraps.
    return seed % 3 == 2 ? 0xFFFFFFFFu - 3600000u : 1000u + seed * 7919u;
}

// Thousands of durable saves: in memory where the system offers a folder there, so that the
// run's time is the code's and not the disk's.
class MemoryTemporaryFolders {
public:
    MemoryTemporaryFolders() {
        const char* old = std::getenv("TMPDIR");
        if (old) saved_ = old, had_ = true;
        std::error_code error;
        if (std::filesystem::is_directory("/dev/shm", error)) setenv("TMPDIR", "/dev/shm", 1);
    }
    ~MemoryTemporaryFolders() {
        if (had_) setenv("TMPDIR", saved_.c_str(), 1);
        else unsetenv("TMPDIR");
    }

private:
    std::string saved_;
    bool had_ = false;
};

TEST(AccountingModelTest, RandomRunsAgreeWithTheModelPerDayApplicationAndDocument) {
    const MemoryTemporaryFolders inMemory;
    const unsigned only = EnvNumber("OSTRAK_MODEL_SEED", 0);
    const int steps = static_cast<int>(EnvNumber("OSTRAK_MODEL_STEPS", kStepsPerSequence));
    for (unsigned seed = only ? only : 1; seed <= (only ? only : kSequences); ++seed) {
        const Scenario& scenario = kScenarios[seed % std::size(kScenarios)];
        Driver run(seed, scenario, FirstTickOf(seed));
        run.Tick(true);
        run.RandomSteps(steps);
        run.Exit();
        run.Check();
        run.ReportIfFaulty(seed);
    }
}

// The model itself on runs small enough to count by hand, and the code beside it.
TEST(AccountingModelTest, TheModelCountsTinyRunsAsByHand) {
    const Scenario& scenario = kScenarios[0];  // 23:52:00 on 7 December, UTC
    struct Case {
        const char* name;
        void (*steps)(Driver& run);
        RunAccounting accounting;  // worked, idle, uncounted, running
        std::map<std::string, std::int64_t> perDay;  // "YYYY-MM-DD app/doc" -> seconds
    };
    const Case cases[] = {
        {"two switches 5 s apart, then Exit: 5 s to the first window, 1 to the second",
         [](Driver& run) {
             run.Tick(true);  // second 0
             for (int i = 0; i < 4; ++i) run.Tick(false, 1000);
             run.SwitchTo(kStudio), run.Tick(true, 1000, 0);  // second 5
             run.Tick(false, 1000);
             run.Exit(400);  // second 6
         },
         {6, 0, 0, 6},
         {{"2026-12-07 Editor/notes.txt", 5}, {"2026-12-07 Studio/main.cpp", 1}}},
        {"a gap of 70 s: the seconds after the last tick go to nobody",
         [](Driver& run) {
             run.Tick(true);
             run.Tick(false, 1000);
             run.Gap(70000);
             run.Tick(false, 70000);  // second 71
             run.SwitchTo(kStudio), run.Tick(true, 1000, 0);
             run.Exit(400);
         },
         {2, 0, 70, 72},
         {{"2026-12-07 Editor/notes.txt", 2}}},
        {"away after a minute without input: a title change after the last input goes with the absence",
         [](Driver& run) {
             run.AwayMinutes(1);
             run.Tick(true);
             for (int i = 0; i < 5; ++i) run.Tick(true, 1000, 0);    // the last input at second 5
             for (int i = 0; i < 5; ++i) run.Tick(false, 1000);
             run.ChangeTitle("todo.txt - Editor"), run.Tick(false, 1000);  // second 11
             for (int i = 0; i < 54; ++i) run.Tick(false, 1000);     // second 65 finds the user away
             for (int i = 0; i < 6; ++i) run.Tick(false, 1000);
             run.Tick(true, 1000, 0);  // back at second 72: offered, never answered
             run.Exit(400);
         },
         {5, 67, 0, 72},
         {{"2026-12-07 Editor/notes.txt", 5}, {"2026-12-07 Inactive/23.52 - ...", 67}}},
        {"a gap past the away time: the held second goes with the absence, the gap to nobody",
         [](Driver& run) {
             run.AwayMinutes(2);
             run.Tick(true);
             for (int i = 0; i < 5; ++i) run.Tick(true, 1000, 0);  // the last input at second 5
             run.Tick(false, 1000);
             run.Gap(379000);
             run.Tick(false, 379000);  // second 385 finds the user away since second 5
             run.Exit(400);
         },
         {5, 1, 379, 385},
         {{"2026-12-07 Editor/notes.txt", 5}, {"2026-12-07 Inactive/23.58 - ...", 1}}},
        {"after a suspend the offer names the window of the last input, not the one in front",
         [](Driver& run) {
             run.AwayMinutes(1);
             run.Tick(true);
             run.Tick(true, 1000, 0);                          // the last input, in the editor
             run.SwitchTo(kStudio), run.Tick(false, 1000);     // second 2
             run.CreditPending("suspend", 500);                // second 3
             run.Resume(40000);                                // second 43
             for (int i = 0; i < 100; ++i) run.Tick(false, 1000);
             run.Tick(true, 1000, 0);                          // back at second 144
             if (run.OfferWaits()) run.Answer(0);
             run.Tick(false, 1000);
             run.Exit(400);
         },
         {105, 0, 40, 145},
         {{"2026-12-07 Editor/notes.txt", 103}, {"2026-12-07 Studio/main.cpp", 2}}},
        {"a stretch across midnight is split there",
         [](Driver& run) {
             run.Tick(true);
             for (int i = 0; i < 600; ++i) run.Tick(false, 1000);
             run.Exit(400);
         },
         {600, 0, 0, 600},
         {{"2026-12-07 Editor/notes.txt", 480}, {"2026-12-08 Editor/notes.txt", 120}}},
    };
    unsigned seed = 1000;
    for (const Case& c : cases) {
        Driver run(seed, scenario, 5000);
        c.steps(run);
        const RunAccounting a = run.ModelAccounting();
        EXPECT_EQ(std::tie(a.worked, a.idle, a.uncounted, a.running),
                  std::tie(c.accounting.worked, c.accounting.idle, c.accounting.uncounted, c.accounting.running))
            << c.name;
        std::map<std::string, std::int64_t> perDay;
        for (const auto& [key, seconds] : run.ModelPerDay().docs) {
            char day[16];
            std::snprintf(day, sizeof day, "%04d-%02d-%02d", std::get<0>(std::get<0>(key)),
                          std::get<1>(std::get<0>(key)), std::get<2>(std::get<0>(key)));
            perDay[std::string(day) + " " + std::get<1>(key) + "/" + std::get<2>(key)] = seconds;
        }
        EXPECT_EQ(perDay, c.perDay) << c.name;
        run.Check();
        run.ReportIfFaulty(seed++);
    }
}

}  // namespace
