#pragma once
// A scripted window system for headless tests: it records every message box, dialog, menu and
// window operation, and answers from scripts that a test fills in beforehand.

#include "framework/ListCtrl.h"
#include "framework/WindowSystem.h"
#include "framework/Wnd.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFakeWindowSystem : public IWindowSystem {
public:
    struct MessageBoxCall {
        HWND hOwner;
        CString strText;
        CString strCaption;
        UINT nType;
    };

    // One showing of a task entry dialog or about box: what the user does there. A box left
    // unset keeps the text the dialog opened with.
    struct DialogAnswer {
        int nResult = IDOK;
        std::optional<CString> title;
        std::optional<CString> importance;
        std::optional<CString> details;
        // Runs while the dialog is open, after the typing; for keys pressed inside a dialog.
        std::function<void(CDialog&)> whileOpen;
    };

    struct DialogShown {
        UINT nTemplate;
        HWND hOwner;
        CString strTitle;  // the boxes' texts as the dialog opened
        CString strImportance;
        CString strDetails;
        bool bCentred;
    };

    struct PopupCall {
        std::vector<UINT> commands;  // 0 for a separator
        std::vector<std::string> texts;
        UINT nFlags;
        CPoint ptScreen;
        HWND hOwner;
    };

    struct HelpCall {
        CString strHelpFile;
        UINT nCmd;
        DWORD dwData;
    };

    struct Window {
        UINT nTemplate = 0;
        HWND hOwner = nullptr;
        CRect rect;  // screen coordinates, outer frame
        bool bVisible = false;
        bool bCentred = false;
        bool bInModalLoop = false;
        bool bDestroyed = false;
        bool bEnabled = true;
        CString strText;
        HFONT hFont = nullptr;
        HICON hBigIcon = nullptr;
        HICON hSmallIcon = nullptr;
        std::map<int, HWND> items;
        std::vector<std::pair<UINT, CString>> systemMenu;  // (id, text), id 0 a separator
        CWnd* pBound = nullptr;
        int nId = 0;
    };

    CFakeWindowSystem();
    ~CFakeWindowSystem() override;

    // Scripts and answers.
    std::deque<int> messageBoxAnswers;  // when empty: IDOK, or IDNO for a Yes/No box
    // Consulted first when set: an answer for the box, or 0 to go on to the script above.
    std::function<int(const CString& strText, UINT nType)> answerBox;
    std::deque<DialogAnswer> dialogAnswers;
    std::deque<UINT> popupChoices;  // 0 dismisses the menu; when empty, dismissed
    std::function<void()> mainLoop;  // runs inside the main window's modal loop
    BOOL bHelpStarts = FALSE;
    int nLogPixelsY = 96;

    // What happened.
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<DialogShown> dialogsShown;
    std::vector<PopupCall> popups;
    std::vector<HelpCall> helpCalls;
    std::vector<LOGFONT> fontsCreated;
    int nFocusChanges = 0;
    HWND hFocus = nullptr;

    // The fake screen and the frame added around a dialog's client area.
    static constexpr CRect kScreen{0, 0, 1920, 1080};
    static constexpr int kFrame = 8;
    static constexpr int kCaptionAndMenu = 50;

    // Delivers the posted messages, as the message loop would.
    void PumpMessages();

    Window& GetWindow(HWND hWnd);
    [[nodiscard]] bool HasWindow(HWND hWnd) const;
    HWND FindDialog(UINT nTemplate) const;
    // Text width in the fake font: 8 pixels a byte plus 12 of margin, scaled by the font height.
    [[nodiscard]] int CellWidth(std::string_view text) const;

    // IWindowSystem.
    HWND CreateDialogWindow(CDialog& dlg, HWND hOwner) override;
    void RunModalLoop(HWND hDlg, HWND hOwner) override;
    void EndModalLoop(HWND hDlg) override;
    void DestroyWindow(HWND hWnd) override;
    HWND GetDlgItem(HWND hDlg, int nID) override;
    void BindControl(HWND hCtl, CWnd& control) override;
    CString GetWindowText(HWND hWnd) override;
    void SetWindowText(HWND hWnd, const CString& strText) override;
    CRect GetWindowRect(HWND hWnd) override;
    void SetWindowPos(HWND hWnd, int x, int y, int cx, int cy, UINT nFlags) override;
    void CenterWindow(HWND hWnd, HWND hOwner) override;
    CPoint ClientToScreen(HWND hWnd, CPoint pt) override;
    void ShowWindow(HWND hWnd, int nCmdShow) override;
    void SetFocus(HWND hWnd) override;
    HICON LoadIcon(UINT nID) override;
    void SetIcon(HWND hWnd, HICON hIcon, BOOL bBigIcon) override;
    int MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType) override;
    void PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void DefSysCommand(HWND hWnd, UINT nID) override;
    HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) override;
    BOOL AppendMenu(HMENU hMenu, UINT nFlags, UINT_PTR nIDNewItem, const CString& strText) override;
    BOOL TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT nFlags, int x, int y, HWND hOwner) override;
    HFONT GetFont(HWND hWnd) override;
    void SetFont(HWND hWnd, HFONT hFont, BOOL bRedraw) override;
    HFONT CreateFontIndirect(const LOGFONT& lf) override;
    int GetDeviceCaps(int nIndex) override;
    BOOL WinHelp(HWND hWnd, const CString& strHelpFile, UINT nCmd, DWORD dwData) override;

    UINT nLastSysCommand = 0;

private:
    class CMetrics;
    HWND NewWindow();
    void AnswerDialog(HWND hDlg, CDialog& dlg);

    std::map<HWND, std::unique_ptr<Window>> m_windows;
    std::map<HWND, CDialog*> m_dialogs;
    struct Posted {
        HWND hWnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::deque<Posted> m_posted;
    std::vector<LOGFONT> m_fonts;  // HFONT n is m_fonts[n - 1]
    std::unique_ptr<CMetrics> m_pMetrics;
    std::uintptr_t m_nNextHandle = 0x100;
    HFONT m_hTemplateFont = nullptr;
};

// A scripted showing of a dialog: its result and the texts typed into its boxes (a box left
// unset keeps the text the dialog opened with).
CFakeWindowSystem::DialogAnswer Typed(int nResult, std::optional<CString> title = std::nullopt,
                                      std::optional<CString> importance = std::nullopt,
                                      std::optional<CString> details = std::nullopt);
