// The notification-area icon of the main window, its menu, and what it tells about saving.
#pragma once

#include <windows.h>

#include <string>

#include "files/save_result.h"
#include "tracking/sampler.h"

// The icon's mouse events reach the main window as this message.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
constexpr UINT TrayIconId = 1000;

// Adds the icon with this tip; false when the shell did not take it (at logon it may not be
// ready yet).
bool AddTrayIcon(HWND owner, const std::string& tip);
void RemoveTrayIcon(HWND owner);
// Changes the tip of the icon; a longer tip is cut to the 127 bytes the record holds.
void SetTrayTip(HWND owner, const std::string& tip);
enum class BalloonIcon { Warning, Information };
// A balloon at the icon under the product name, which the shell shows for a while; false when
// the shell did not take it.
bool ShowTrayBalloon(HWND owner, const std::string& text, BalloonIcon icon);
// The balloon's text for an away offer: "Tray/AwayOffer" (or "Tray/AwayOfferNoDocument") with
// {start}, {end}, {minutes}, {document} and {application} filled in.
std::string AwayOfferText(const AwayOffer& offer);
// Shows the tray menu at the mouse and returns when it has closed; a chosen item reaches the
// owner as WM_COMMAND.
void ShowTrayMenu(HWND owner);
// The message the shell broadcasts when its notification area has been created anew.
UINT TaskbarCreatedMessage();

// The files whose saves the icon reports.
enum class SavedFile { TimeLog, ProgramList, ProjectList, Timeline, Count };

// What the icon says about saving: the product name while every file saves; while one does
// not, "Common/SaveFailed", the folder and the reason in the tip, and a balloon when a run of
// failures of a file begins. The first success of that file ends its run.
class SaveStatus {
public:
    // Records the outcome of a save; true when it begins a run of failures (a balloon is due).
    bool Record(SavedFile file, SaveResult result);
    // The tip the icon should show now.
    std::string Tip() const;
    // The balloon's text for a failure of this kind.
    static std::string FailureText(SaveFailure failure);

private:
    SaveFailure failures_[static_cast<int>(SavedFile::Count)] = {};
};
