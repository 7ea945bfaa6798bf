// Resource identifiers of the notifier (updnotify.rc). Plain #defines only:
// the resource compiler reads this file too.
#pragma once

// Icon
#define IDR_MAINFRAME                   128

// Update-available dialog and its controls
#define IDD_VERSIONCHECK                102
#define IDC_CHECK_LATER                 5
#define IDC_PRODUCT_NAME                1000
#define IDC_STATUS                      1001
#define IDC_VERSION                     1002

// Message texts
#define IDS_INTERNAL_ERROR              1001
#define IDS_INVALID_ARGUMENT            1002
#define IDS_NO_UPDATES                  1004
