// CVersionCheckDlg: the update-available dialog.
//
// Shows one offer (the product's display name, whether it is an upgrade or
// an update, its version and release date) and ends with the user's
// choice, an UpdateAnswer: kAnswerOk ("OK" or Enter), kAnswerCheckLater
// ("Check Later"), kAnswerCancel ("Cancel" or Esc). It only reports the
// choice; the caller acts on it.
#pragma once

#include <windows.h>

#include "Dialog.h"
#include "StaticEx.h"
#include "CString.h"
#include "UpdateAnswer.h"
#include "UpdateOffer.h"
#include "resource.h"

class CVersionCheckDlg : public CDialog
{
public:
    enum { IDD = IDD_VERSIONCHECK };

    // The offer must outlive the dialog; it is read at initialisation.
    explicit CVersionCheckDlg(const UpdateOffer& offer, CWnd* pParent = nullptr);
    virtual ~CVersionCheckDlg();

    CButton m_btnOK;
    CButton m_btnCheckLater;
    CButton m_btnCancel;
    CStaticEx m_ctlProductName;
    CString m_strStatus;
    CString m_strVersion;
    HICON m_hIcon;              // resource 128 in the size for m_nDpi; owned

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnCheckLater();
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    // Loads the icon for nDpi (32 pixels at 96 DPI) and, once the window
    // exists, makes it the big and the small icon.
    void LoadIconForDpi(UINT nDpi);
    // Everything sized in pixels: the icon and the label's height.
    void ApplyDpi(UINT nDpi);

    const UpdateOffer& m_offer;
    UINT m_nDpi;                // the scale the icon and the label are made for
};

// Where an icon of nIcon pixels starts when centred in nClient pixels, the
// way the minimised dialog draws it: (nClient - nIcon + 1) / 2, rounded
// towards zero.
int IconCentreOffset(int nClient, int nIcon);
