#include "app/main_dialog.h"

#include <shellapi.h>
#include <wtsapi32.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/instance_guard.h"
#include "app/tray.h"
#include "base/program_paths.h"
#include "links/links.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tracking/private_list.h"
#include "tracking/programs_list.h"
#include "tracking/calendar.h"
#include "tracking/sampler.h"
#include "tracking/take_back.h"
#include "tracking/sampler_win.h"
#include "tracking/shared_copies.h"
#include "tracking/time_log.h"
#include "tracking/timeline.h"
#include "tracking/tracker.h"
#include "winui/app_module.h"
#include "winui/wide_text.h"

CDlgMain* MainDialog = nullptr;
bool RestartAfterExit = false;

namespace {

// At logon the shell may not be ready for the icon yet: try again every few seconds for a
// minute.
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT kTrayRetryIntervalMs = 3000;
constexpr int kTrayRetries = 20;
// What another program held (the log, a list, a side file) is tried again at this timer.
constexpr UINT_PTR kRetryTimer = 2;
// Some shells never say what became of a balloon: an away offer unanswered by then stays idle.
constexpr UINT_PTR kAwayOfferTimer = 3;
constexpr UINT kAwayOfferAnswerMs = 60000;

// The shared folder's worker reports here from its own thread; the window shows it on its own.
constexpr UINT WM_SHAREDCOPYDONE = WM_APP + 1;
std::atomic<HWND> SharedCopyWindow{nullptr};
// At the end of the session Windows ends the process soon after: the copies get this long.
constexpr unsigned kSessionEndCopyWaitMs = 3000;

void TellSharedCopyDone() {
    if (const HWND window = SharedCopyWindow.load()) PostMessageA(window, WM_SHAREDCOPYDONE, 0, 0);
}

void ShowTrackerTroubles() {
    if (MainDialog && MainDialog->hwnd()) MainDialog->ShowTroubles(CurrentTroubles());
}

void OfferAwayTimeAtTray(const AwayOffer& offer) {
    if (MainDialog && MainDialog->hwnd()) MainDialog->OfferAwayTime(offer);
}

void EndPauseAtTray() {
    if (MainDialog && MainDialog->hwnd()) MainDialog->PauseEnded();
}

// The sampler's and the settings' words for a pause without an end of its own are one.
static_assert(PausedUntilResumed == StoredPauseUntilResumed);

bool IsResume(WPARAM event) { return event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND; }

}  // namespace

CDlgMain::CDlgMain(std::string instanceName) : CDialogImpl(IDD_MAIN), instanceName_(std::move(instanceName)) {}

CDlgMain::~CDlgMain() {
    if (MainDialog == this) MainDialog = nullptr;
}

bool CDlgMain::PreTranslateMessage(MSG* message) {
    // The dialog's own keyboard handling: Tab, arrows, Enter as OK, Esc as Cancel.
    return hwnd() && IsDialogMessageA(hwnd(), message);
}

void CDlgMain::OnIdle() {}

bool CDlgMain::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgMain> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgMain::OnInitDialog),
        HandleMessage(WM_SYSCOMMAND, &CDlgMain::OnSysCommand),
        HandleMessage(WM_TRAYNOTIFY, &CDlgMain::OnTrayNotify),
        HandleCommand(IDC_MAIN_SELECTOR, LBN_SELCHANGE, &CDlgMain::OnSelectorChange),
        HandleCommand(IDOK, &CDlgMain::OnOk),
        HandleCommand(IDCANCEL, &CDlgMain::OnCancel),
        HandleNotify(IDC_MAIN_REPORT_LINK, NM_CLICK, &CDlgMain::OnReport),
        HandleNotify(IDC_MAIN_HELP_LINK, NM_CLICK, &CDlgMain::OnHelp),
        HandleCommand(ID_MENU_OPTIONS, &CDlgMain::OnShow),
        HandleCommand(ID_MENU_REPORT, &CDlgMain::OnReport),
        HandleCommand(ID_MENU_EXIT, &CDlgMain::OnExit),
        HandleCommand(ID_MENU_PAUSE_15_MINUTES, &CDlgMain::OnPause),
        HandleCommand(ID_MENU_PAUSE_1_HOUR, &CDlgMain::OnPause),
        HandleCommand(ID_MENU_PAUSE_UNTIL_RESUMED, &CDlgMain::OnPause),
        HandleCommand(ID_MENU_RESUME, &CDlgMain::OnResume),
        HandleMessage(TaskbarCreatedMessage(), &CDlgMain::OnTaskbarCreated),
        HandleMessage(WM_TIMER, &CDlgMain::OnTimer),
        HandleMessage(WM_QUERYENDSESSION, &CDlgMain::OnQueryEndSession),
        HandleMessage(WM_ENDSESSION, &CDlgMain::OnEndSession),
        HandleMessage(WM_POWERBROADCAST, &CDlgMain::OnPowerBroadcast),
        HandleMessage(WM_WTSSESSION_CHANGE, &CDlgMain::OnSessionChange),
        HandleMessage(WM_INITMENUPOPUP, &CDlgMain::OnInitMenuPopup),
        HandleCommand(ID_MENU_FORGET_5_MINUTES, &CDlgMain::OnForget),
        HandleCommand(ID_MENU_FORGET_1_HOUR, &CDlgMain::OnForget),
        HandleCommand(ID_MENU_FORGET_TODAY, &CDlgMain::OnForget),
        HandleCommand(ID_MENU_COUNT_ABSENCE, &CDlgMain::OnCountAbsence),
        HandleMessage(WM_SHAREDCOPYDONE, &CDlgMain::OnSharedCopyDone),
        HandleMessage(WM_DESTROY, &CDlgMain::OnDestroy),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgMain::OnInitDialog(WindowMessage&) {
    MainDialog = this;
    CenterOnWorkArea();
    SetWindowIcons();
    // The log was opened before this window existed: what became of it shows from the start.
    const std::vector<TrackerTrouble> begun = trayStatus_.Update(CurrentTroubles());
    // A pause stored by an earlier run may hold from the start.
    trayStatus_.SetPause(RecordingPaused(), PausedUntil());
    shownIconId_ = trayStatus_.IconId();
    shownTip_ = trayStatus_.Tip();
    const bool iconAdded = AddTrayIcon(hwnd(), shownIconId_, shownTip_);
    if (iconAdded) {
        for (TrackerTrouble trouble : begun) ShowWarningBalloon(trayStatus_.TroubleText(trouble));
    } else {
        trayRetriesLeft_ = kTrayRetries;
        SetTimer(hwnd(), kTrayRetryTimer, kTrayRetryIntervalMs, nullptr);
    }
    if (CMessageLoop* loop = AppModule.GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    options_.SetUp(hwnd());
    // A trouble's balloon matters more; the patterns are offered at a later start then.
    if (iconAdded && begun.empty()) OfferSharedPatterns();
    // Without the notifications a locked screen counts as whatever window is in front; the
    // away time still ends it once input stops.
    sessionNotifications_ = WTSRegisterSessionNotification(hwnd(), NOTIFY_FOR_THIS_SESSION) != FALSE;
    instanceAtom_ = GlobalAddAtomA(instanceName_.c_str());
    if (instanceAtom_)
        SetPropA(hwnd(), kInstanceWindowProperty, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(instanceAtom_)));
    SetTroubleListener(ShowTrackerTroubles);
    SharedCopyWindow = hwnd();
    SetSharedCopyListener(TellSharedCopyDone);
    // A copy made before this window existed.
    ShowTrackerTroubles();
    SetAwayOfferListener(OfferAwayTimeAtTray);
    SetPauseEndListener(EndPauseAtTray);
    // Tracking goes on in memory while the log is held; the icon says so. The timer runs
    // throughout: a side file or a list may be held at any time, and one wake in 30 s is nothing.
    SetTimer(hwnd(), kRetryTimer, kHeldTimeLogRetryMs, nullptr);
    return TRUE;
}

LRESULT CDlgMain::OnDestroy(WindowMessage& message) {
    KillTimer(hwnd(), kTrayRetryTimer);
    if (sessionNotifications_) WTSUnRegisterSessionNotification(hwnd());
    sessionNotifications_ = false;
    KillTimer(hwnd(), kRetryTimer);
    SetTroubleListener(nullptr);
    SetSharedCopyListener(nullptr);
    SharedCopyWindow = nullptr;
    // The tracker settles a waiting offer itself when it credits the last stretch.
    SetAwayOfferListener(nullptr);
    SetPauseEndListener(nullptr);
    KillTimer(hwnd(), kAwayOfferTimer);
    awayOffer_ = 0;
    awayBalloon_ = OfferBalloon::Gone;
    DropPatternsBalloon();
    if (CMessageLoop* loop = AppModule.GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    RemovePropA(hwnd(), kInstanceWindowProperty);
    if (instanceAtom_) GlobalDeleteAtom(instanceAtom_);
    instanceAtom_ = 0;
    message.handled = false;
    return 0;
}

LRESULT CDlgMain::OnSysCommand(WindowMessage& message) {
    // The dialog never shows as minimised: Minimise hides it.
    if ((message.wParam & 0xFFF0) == SC_MINIMIZE) {
        HideMainDialog();
        return 0;
    }
    message.handled = false;
    return 0;
}

LRESULT CDlgMain::OnTrayNotify(WindowMessage& message) {
    switch (LOWORD(message.lParam)) {
    case WM_RBUTTONUP:
        ShowTrayMenu(hwnd());
        break;
    case WM_LBUTTONUP:
        ShowMainDialog();
        break;
    // Without NIM_SETVERSION the shell sends these for the icon's balloon, and none says which
    // balloon: one that another replaced may still report, so only what comes after this
    // offer's own "shown" counts.
    case NIN_BALLOONSHOW:
        if (awayOffer_ && awayBalloon_ == OfferBalloon::Asked) awayBalloon_ = OfferBalloon::Shown;
        if (patternsBalloon_ == OfferBalloon::Asked) patternsBalloon_ = OfferBalloon::Shown;
        break;
    case NIN_BALLOONUSERCLICK:
        if (awayBalloon_ == OfferBalloon::Shown) AnswerAwayOffer(true);
        if (patternsBalloon_ == OfferBalloon::Shown) AddOfferedPatterns();
        break;
    case NIN_BALLOONTIMEOUT:  // timed out, or closed by the user
    case NIN_BALLOONHIDE:     // taken away with the icon
        if (awayBalloon_ == OfferBalloon::Shown) AnswerAwayOffer(false);
        if (patternsBalloon_ == OfferBalloon::Shown) DropPatternsBalloon();
        break;
    default:
        break;  // moves, presses and double clicks are not ours to act on
    }
    return 0;
}

LRESULT CDlgMain::OnTaskbarCreated(WindowMessage&) {
    // Explorer restarted: its new notification area knows nothing of our icon.
    AddTrayIcon(hwnd(), shownIconId_, shownTip_);
    return 0;
}

LRESULT CDlgMain::OnTimer(WindowMessage& message) {
    if (message.wParam == kAwayOfferTimer) {
        AnswerAwayOffer(false);
        return 0;
    }
    if (message.wParam == kRetryTimer) {
        const bool privateListFailedClosed = PrivateListFailsClosed();
        RetryHeldTrackerFiles();
        // A Forget whose month file was held is finished once it opens.
        FinishTakingBack();
        // A list that opens replaces what its page shows: not under the user's hands while the
        // dialog is open (its OK tries the file again anyway).
        if (!IsWindowVisible(hwnd())) options_.RetryHeldLists();
        // Document names are recorded again from the next window on; the tip stops saying otherwise.
        if (PrivateListFailsClosed() != privateListFailedClosed) ShowTrackerTroubles();
        return 0;
    }
    if (message.wParam != kTrayRetryTimer) {
        message.handled = false;
        return 0;
    }
    if (AddTrayIcon(hwnd(), shownIconId_, shownTip_)) {
        KillTimer(hwnd(), kTrayRetryTimer);
        OfferSharedPatterns();
    } else if (--trayRetriesLeft_ <= 0) {
        KillTimer(hwnd(), kTrayRetryTimer);
    }
    return 0;
}

LRESULT CDlgMain::OnSharedCopyDone(WindowMessage&) {
    ShowTrackerTroubles();
    return 0;
}

LRESULT CDlgMain::OnSelectorChange(WindowMessage&) {
    options_.ShowSelectedPage();
    return 0;
}

LRESULT CDlgMain::OnOk(WindowMessage&) {
    HideMainDialog();
    const CommitOutcome outcome = options_.Commit();
    if (outcome.programs) ReportSave(SavedFile::ProgramList, *outcome.programs);
    if (outcome.projects) ReportSave(SavedFile::ProjectList, *outcome.projects);
    if (outcome.privateList) ReportSave(SavedFile::PrivateList, *outcome.privateList);
    // A private list saved over a damaged one ends failing closed.
    ShowTrackerTroubles();
    // From the page rather than the registry: reading a setting stores its default, and an OK
    // without a change writes nothing.
    SetAwayMinutes(options_.IdleMinutes());
    SetTimelineOn(options_.TimelineOn());
    SetMediaIsPresence(options_.MediaIsPresence());
    SetRecordDocuments(options_.RecordDocuments());
    SetSharedFolder(options_.SharedFolder());
    if (outcome.next == AfterCommit::Restart) {
        RestartAfterExit = true;
        ExitProgram();
    }
    return 0;
}

LRESULT CDlgMain::OnCancel(WindowMessage&) {
    HideMainDialog();
    options_.Revert();
    return 0;
}

LRESULT CDlgMain::OnReport(WindowMessage&) {
    // The report reads the file: every second credited so far must be in it.
    SaveTracker();
    OpenReport(TimeLogFileName, ComputerName, ReadSharedFolder());
    return 0;
}

LRESULT CDlgMain::OnHelp(WindowMessage&) {
    OpenHelp();
    return 0;
}

LRESULT CDlgMain::OnShow(WindowMessage&) {
    ShowMainDialog();
    return 0;
}

LRESULT CDlgMain::OnExit(WindowMessage&) {
    ExitProgram();
    return 0;
}

LRESULT CDlgMain::OnQueryEndSession(WindowMessage&) {
    return TRUE;  // never stand in the way of a logoff
}

LRESULT CDlgMain::OnEndSession(WindowMessage& message) {
    // Windows may end the process as soon as this returns, so the time so far is credited
    // and saved now; shutdown proper never runs.
    if (message.wParam && TimeLog) {
        CreditPendingStretch(GetTickCount());
        SaveTrackerForExit();
        WaitForSharedCopies(kSessionEndCopyWaitMs);
    }
    return 0;
}

LRESULT CDlgMain::OnPowerBroadcast(WindowMessage& message) {
    if (message.wParam == PBT_APMSUSPEND && TimeLog) {
        CreditPendingStretch(GetTickCount());
        SaveTracker();
        // Made while the system goes to sleep, or finished after it wakes: never waited for.
        RequestSharedCopy(SharedCopyWhen::Now);
    } else if (IsResume(message.wParam)) {
        // The time asleep goes to nobody.
        RestartStretch(GetTickCount());
    }
    return TRUE;
}

LRESULT CDlgMain::OnSessionChange(WindowMessage& message) {
    switch (message.wParam) {
    case WTS_SESSION_LOCK:
        NoteSessionChange(SessionChange::Locked, GetTickCount());
        break;
    case WTS_SESSION_UNLOCK:
        NoteSessionChange(SessionChange::Unlocked, GetTickCount());
        break;
    // Fast user switching and remote desktop move the session away from its screen and back.
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
        NoteSessionChange(SessionChange::Disconnected, GetTickCount());
        break;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        NoteSessionChange(SessionChange::Connected, GetTickCount());
        break;
    default:
        break;  // logon, logoff, remote control: no change of who is at the screen
    }
    return 0;
}

LRESULT CDlgMain::OnInitMenuPopup(WindowMessage& message) {
    HMENU menu = reinterpret_cast<HMENU>(message.wParam);
    auto enable = [menu](UINT id, bool enabled) { EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)); };
    // The last minutes and the hour are found by the timeline's stretches.
    enable(ID_MENU_FORGET_5_MINUTES, !takingBack_ && CanForget(ForgetSpan::LastFiveMinutes));
    enable(ID_MENU_FORGET_1_HOUR, !takingBack_ && CanForget(ForgetSpan::LastHour));
    enable(ID_MENU_FORGET_TODAY, !takingBack_ && CanForget(ForgetSpan::Today));
    enable(ID_MENU_COUNT_ABSENCE, !takingBack_ && (awayOffer_ != 0 || FindLastAbsence(ShortestAbsence()).found));
    message.handled = false;
    return 0;
}

LRESULT CDlgMain::OnForget(WindowMessage& message) {
    if (takingBack_) return 0;
    const UINT id = LOWORD(message.wParam);
    const ForgetSpan span = id == ID_MENU_FORGET_5_MINUTES ? ForgetSpan::LastFiveMinutes
                            : id == ID_MENU_FORGET_1_HOUR  ? ForgetSpan::LastHour
                                                           : ForgetSpan::Today;
    if (!CanForget(span)) return 0;
    takingBack_ = true;
    // The span reaches from the moment of the choice to the moment of the yes: the time spent
    // deciding goes with it.
    const std::int64_t from = ForgetSpanStart(span);
    if (AskYes(ForgetConfirmText(span, from, UtcNow()))) Tell(TakeBackOutcomeText(Forget(span, from, GetTickCount()), true));
    takingBack_ = false;
    return 0;
}

LRESULT CDlgMain::OnCountAbsence(WindowMessage&) {
    if (takingBack_) return 0;
    takingBack_ = true;
    if (awayOffer_) {
        // The balloon's offer still waits: counting it is the balloon's click. Should it time out
        // while the user decides, it is in the records by then and is moved there.
        const AwayOffer offer = offered_;
        if (AskYes(CountAbsenceText({true, offer.startUtc, offer.endUtc, offer.app, offer.doc}))) {
            if (awayOffer_ == offer.id) AnswerAwayOffer(true);
            else Tell(TakeBackOutcomeText(CountLastAbsenceAsWork(ShortestAbsence()), false));
        }
    } else if (const LastAbsence absence = FindLastAbsence(ShortestAbsence()); !absence.found) {
        Tell(TakeBackOutcomeText({TakeBackOutcome::NothingToDo}, false));
    } else if (AskYes(CountAbsenceText(absence))) {
        Tell(TakeBackOutcomeText(CountLastAbsenceAsWork(ShortestAbsence()), false));
    }
    takingBack_ = false;
    return 0;
}

std::int64_t CDlgMain::ShortestAbsence() const {
    return std::max<std::int64_t>(60, std::int64_t{options_.IdleMinutes()} * 60);
}

bool CDlgMain::AskYes(const std::string& question) {
    return MessageBoxW(hwnd(), WideText(question).c_str(), L"Ostrak",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

void CDlgMain::Tell(const std::string& text) {
    if (!text.empty()) MessageBoxW(hwnd(), WideText(text).c_str(), L"Ostrak", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

LRESULT CDlgMain::OnPause(WindowMessage& message) {
    std::int64_t until = PausedUntilResumed;
    if (LOWORD(message.wParam) == ID_MENU_PAUSE_15_MINUTES) until = UtcNow() + 15 * 60;
    if (LOWORD(message.wParam) == ID_MENU_PAUSE_1_HOUR) until = UtcNow() + 60 * 60;
    PauseRecording(until, GetTickCount());
    // Stored at once: an end of the session or a crash during the pause must not end it.
    WritePausedUntil(until);
    ShowPause();
    return 0;
}

LRESULT CDlgMain::OnResume(WindowMessage&) {
    ResumeRecording(reinterpret_cast<WindowHandle>(TopLevelWindowInFront()), GetTickCount());
    WritePausedUntil(std::nullopt);
    ShowPause();
    return 0;
}

void CDlgMain::PauseEnded() {
    WritePausedUntil(std::nullopt);
    ShowPause();
}

void CDlgMain::ShowPause() {
    trayStatus_.SetPause(RecordingPaused(), PausedUntil());
    RefreshTrayIcon();
}

void CDlgMain::CenterOnWorkArea() {
    RECT workArea;
    RECT window;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0) || !GetWindowRect(hwnd(), &window)) return;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(hwnd(), nullptr, workArea.left + (workArea.right - workArea.left - width) / 2,
                 workArea.top + (workArea.bottom - workArea.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDlgMain::SetWindowIcons() {
    HINSTANCE instance = AppModule.Instance();
    largeIcon_.reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void CDlgMain::ReportSave(SavedFile file, SaveResult result) {
    const bool runBegins = trayStatus_.RecordSave(file, result);
    RefreshTrayIcon();
    if (runBegins) ShowWarningBalloon(TrayStatus::SaveFailureText(result.failure));
}

void CDlgMain::ShowTroubles(const TrackerTroubles& troubles) {
    const std::vector<TrackerTrouble> begun = trayStatus_.Update(troubles);
    RefreshTrayIcon();
    for (TrackerTrouble trouble : begun) ShowWarningBalloon(trayStatus_.TroubleText(trouble));
}

void CDlgMain::RefreshTrayIcon() {
    const int iconId = trayStatus_.IconId();
    std::string tip = trayStatus_.Tip();
    if (iconId == shownIconId_ && tip == shownTip_) return;
    shownIconId_ = iconId;
    shownTip_ = std::move(tip);
    SetTrayIcon(hwnd(), shownIconId_, shownTip_);
}

void CDlgMain::ShowWarningBalloon(const std::string& text) {
    // This balloon takes the place of an offer's: a click on it must not answer the offer.
    if (awayOffer_) DropAwayBalloon();
    DropPatternsBalloon();
    ShowTrayBalloon(hwnd(), text, BalloonIcon::Warning);
}

void CDlgMain::OfferAwayTime(const AwayOffer& offer) {
    // An earlier offer still waiting here was settled by the tracker when this absence began.
    // The patterns stay offered: a click on this balloon must not add them.
    DropPatternsBalloon();
    awayOffer_ = offer.id;
    offered_ = offer;
    awayBalloon_ = OfferBalloon::Asked;
    if (ShowTrayBalloon(hwnd(), AwayOfferText(offer), BalloonIcon::Information))
        SetTimer(hwnd(), kAwayOfferTimer, kAwayOfferAnswerMs, nullptr);
    else
        DropAwayBalloon();
}

void CDlgMain::AnswerAwayOffer(bool asWork) {
    KillTimer(hwnd(), kAwayOfferTimer);
    const std::uint64_t offer = awayOffer_;
    awayOffer_ = 0;
    awayBalloon_ = OfferBalloon::Gone;
    if (offer) SettleAwayOffer(offer, asWork);
}

void CDlgMain::DropAwayBalloon() {
    awayBalloon_ = OfferBalloon::Gone;
    SetTimer(hwnd(), kAwayOfferTimer, USER_TIMER_MINIMUM, nullptr);
}

void CDlgMain::OfferSharedPatterns() {
    // What a held list holds is not known yet; the next start asks again.
    if (ProgramListIsHeld() || awayOffer_) return;
    const std::vector<std::string> shared = ReadSharedPatterns();
    if (shared.empty()) return;
    std::vector<std::uint32_t> before = ReadOfferedPatterns();
    // Without a list of their own the user has the shared patterns already.
    std::vector<std::string> offer;
    if (ProgramListIsOwn()) offer = SharedPatternsToOffer(shared, ProgramList, before);
    if (!offer.empty()) {
        patternsBalloon_ = OfferBalloon::Asked;
        // Unseen, the offer is made again at the next start.
        if (!ShowTrayBalloon(hwnd(), PatternsOfferText(offer.size()), BalloonIcon::Information)) {
            patternsBalloon_ = OfferBalloon::Gone;
            return;
        }
        offeredPatterns_ = std::move(offer);
        offeredShared_ = shared;
    }
    // Each shipped pattern is now offered or held: one the user deletes later stays deleted.
    std::vector<std::uint32_t> known;
    for (const std::string& pattern : shared) known.push_back(PatternFingerprint(pattern));
    std::sort(known.begin(), known.end());
    known.erase(std::unique(known.begin(), known.end()), known.end());
    std::sort(before.begin(), before.end());
    if (known != before) WriteOfferedPatterns(known);
}

void CDlgMain::AddOfferedPatterns() {
    const std::vector<std::string> shared = std::move(offeredShared_);
    const std::vector<std::string> added = std::move(offeredPatterns_);
    DropPatternsBalloon();
    ProgramList = AddSharedPatterns(ProgramList, shared, added);
    ReportSave(SavedFile::ProgramList, SaveProgramList());
    options_.ShowAddedPatterns(shared, added);
}

void CDlgMain::DropPatternsBalloon() {
    patternsBalloon_ = OfferBalloon::Gone;
    offeredPatterns_.clear();
    offeredShared_.clear();
}

void ShowMainDialog() {
    if (!MainDialog || !MainDialog->hwnd()) return;
    ShowWindow(MainDialog->hwnd(), SW_SHOW);
    SetForegroundWindow(MainDialog->hwnd());
}

void HideMainDialog() {
    if (MainDialog && MainDialog->hwnd()) ShowWindow(MainDialog->hwnd(), SW_HIDE);
}

void ExitProgram() {
    if (MainDialog && MainDialog->hwnd()) {
        RemoveTrayIcon(MainDialog->hwnd());
        MainDialog->DestroyWindow();
    }
    PostQuitMessage(1);
}
