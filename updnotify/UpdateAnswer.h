// The user's answer to the update-available dialog: the dialog's end code,
// from the button's click to the schedule that the answer gives.
#pragma once

#include <windows.h>

#include "resource.h"

enum UpdateAnswer
{
    kAnswerOk = IDOK,                       // "OK" or Enter: open the download page
    kAnswerCancel = IDCANCEL,               // "Cancel" or Esc: ask again after one interval
    kAnswerCheckLater = IDC_CHECK_LATER,    // "Check Later": ask again in 30 days
};
