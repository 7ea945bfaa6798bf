// The user's answer to the update-available dialog: the dialog's end code,
// from the button's click to the schedule that the answer gives. The
// schedule reads it without the dialog's resources; the dialog checks that
// its buttons end it with these codes.
#pragma once

#include <windows.h>

enum UpdateAnswer
{
    kAnswerOk = IDOK,           // "OK" or Enter: open the download page
    kAnswerCancel = IDCANCEL,   // "Cancel" or Esc: ask again after one interval
    kAnswerCheckLater = 5,      // "Check Later" (IDC_CHECK_LATER): ask again in 30 days
};

// The answer that a dialog's end code gives: a dialog that could not be
// shown, or ended any other way, counts as Cancel.
inline UpdateAnswer AnswerFromEndCode(INT_PTR nEndCode)
{
    if (nEndCode == kAnswerOk || nEndCode == kAnswerCheckLater)
        return static_cast<UpdateAnswer>(nEndCode);
    return kAnswerCancel;
}
