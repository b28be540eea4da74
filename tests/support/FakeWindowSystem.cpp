#include "support/FakeWindowSystem.h"

#include "framework/ResourceTypes.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

class CFakeWindowSystem::CMetrics : public IListTextMetrics {
public:
    explicit CMetrics(const CFakeWindowSystem& ws) : m_ws(ws) {}
    [[nodiscard]] int GetCellTextWidth(std::string_view text) const override { return m_ws.CellWidth(text); }

private:
    const CFakeWindowSystem& m_ws;
};

CFakeWindowSystem::CFakeWindowSystem() : m_pMetrics(std::make_unique<CMetrics>(*this))
{
    // The dialog template's font, which every control starts with.
    LOGFONT lf;
    lf.lfHeight = -19;
    m_hTemplateFont = CreateFontIndirect(lf);
    fontsCreated.clear();
}

CFakeWindowSystem::~CFakeWindowSystem() = default;

HWND CFakeWindowSystem::NewWindow()
{
    const HWND hWnd = reinterpret_cast<HWND>(m_nNextHandle++);
    m_windows[hWnd] = std::make_unique<Window>();
    return hWnd;
}

CFakeWindowSystem::Window& CFakeWindowSystem::GetWindow(HWND hWnd)
{
    const auto it = m_windows.find(hWnd);
    if (it == m_windows.end()) {
        throw std::logic_error("no such fake window");
    }
    return *it->second;
}

bool CFakeWindowSystem::HasWindow(HWND hWnd) const { return m_windows.count(hWnd) != 0; }

HWND CFakeWindowSystem::FindDialog(UINT nTemplate) const
{
    for (const auto& [hWnd, pWindow] : m_windows) {
        if (pWindow->nTemplate == nTemplate && !pWindow->bDestroyed) {
            return hWnd;
        }
    }
    return nullptr;
}

int CFakeWindowSystem::CellWidth(std::string_view text) const
{
    return static_cast<int>(text.size()) * 8 + 12;
}

HWND CFakeWindowSystem::CreateDialogWindow(CDialog& dlg, HWND hOwner)
{
    const DLGTEMPLATE* pTemplate = res::FindDialog(dlg.GetTemplateId());
    if (pTemplate == nullptr) {
        throw std::logic_error("dialog template missing");
    }
    const HWND hDlg = NewWindow();
    Window& w = GetWindow(hDlg);
    w.nTemplate = pTemplate->id;
    w.hOwner = hOwner;
    w.hFont = m_hTemplateFont;
    // Two pixels per dialog unit across and down, plus a frame, at the template's place.
    const int cx = pTemplate->cx * 2 + 2 * kFrame;
    const int cy = pTemplate->cy * 2 + kCaptionAndMenu + kFrame;
    w.rect = CRect{pTemplate->x, pTemplate->y, pTemplate->x + cx, pTemplate->y + cy};
    for (const DLGITEMTEMPLATE& item : pTemplate->items) {
        const HWND hCtl = NewWindow();
        Window& c = GetWindow(hCtl);
        c.nId = item.id;
        c.hOwner = hDlg;
        c.hFont = m_hTemplateFont;
        c.rect = CRect{item.x * 2, item.y * 2, (item.x + item.cx) * 2, (item.y + item.cy) * 2};
        if (item.id != -1) {
            w.items[item.id] = hCtl;
        }
    }
    m_dialogs[hDlg] = &dlg;
    return hDlg;
}

void CFakeWindowSystem::RunModalLoop(HWND hDlg, HWND hOwner)
{
    Window& w = GetWindow(hDlg);
    w.bVisible = true;
    w.bInModalLoop = true;
    if (hOwner != nullptr && HasWindow(hOwner)) {
        GetWindow(hOwner).bEnabled = false;
    }
    CDialog& dlg = *m_dialogs.at(hDlg);
    if (w.nTemplate == IDD_MAIN) {
        if (mainLoop) {
            mainLoop();
        }
        PumpMessages();
        if (GetWindow(hDlg).bInModalLoop) {
            AfxCallWndProc(&dlg, WM_CLOSE, 0, 0);  // the user closes the window
        }
    } else {
        AnswerDialog(hDlg, dlg);
    }
    if (hOwner != nullptr && HasWindow(hOwner)) {
        GetWindow(hOwner).bEnabled = true;
    }
}

void CFakeWindowSystem::AnswerDialog(HWND hDlg, CDialog& dlg)
{
    Window& w = GetWindow(hDlg);
    const auto boxText = [&](int nId) { return w.items.count(nId) != 0 ? GetWindow(w.items[nId]).strText : CString(); };
    dialogsShown.push_back({w.nTemplate, w.hOwner, boxText(IDC_TITLE), boxText(IDC_IMPORTANCE), boxText(IDC_DETAILS), w.bCentred});
    if (dialogAnswers.empty()) {
        ADD_FAILURE() << "dialog " << w.nTemplate << " shown without a scripted answer";
        AfxCallWndProc(&dlg, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    DialogAnswer answer = std::move(dialogAnswers.front());
    dialogAnswers.pop_front();
    const auto type = [&](int nId, const std::optional<CString>& text) {
        if (text && w.items.count(nId) != 0) {
            GetWindow(w.items[nId]).strText = *text;
        }
    };
    type(IDC_TITLE, answer.title);
    type(IDC_IMPORTANCE, answer.importance);
    type(IDC_DETAILS, answer.details);
    if (answer.whileOpen) {
        answer.whileOpen(dlg);
    }
    if (GetWindow(hDlg).bInModalLoop) {
        AfxCallWndProc(&dlg, WM_COMMAND, static_cast<WPARAM>(answer.nResult == IDOK ? IDOK : IDCANCEL), 0);
    }
}

void CFakeWindowSystem::EndModalLoop(HWND hDlg) { GetWindow(hDlg).bInModalLoop = false; }

void CFakeWindowSystem::DestroyWindow(HWND hWnd)
{
    Window& w = GetWindow(hWnd);
    w.bDestroyed = true;
    w.bVisible = false;
    if (w.pBound != nullptr) {
        if (auto* pList = dynamic_cast<CListCtrl*>(w.pBound)) {
            pList->SetTextMetrics(nullptr);
        }
        w.pBound->Detach();
    }
    for (const auto& [nId, hCtl] : w.items) {
        GetWindow(hCtl).bDestroyed = true;
        if (CWnd* pBound = GetWindow(hCtl).pBound) {
            if (auto* pList = dynamic_cast<CListCtrl*>(pBound)) {
                pList->SetTextMetrics(nullptr);
            }
            pBound->Detach();
        }
    }
    m_dialogs.erase(hWnd);
}

HWND CFakeWindowSystem::GetDlgItem(HWND hDlg, int nID)
{
    Window& w = GetWindow(hDlg);
    const auto it = w.items.find(nID);
    return it == w.items.end() ? nullptr : it->second;
}

void CFakeWindowSystem::BindControl(HWND hCtl, CWnd& control)
{
    GetWindow(hCtl).pBound = &control;
    if (auto* pList = dynamic_cast<CListCtrl*>(&control)) {
        pList->SetTextMetrics(m_pMetrics.get());
    }
}

CString CFakeWindowSystem::GetWindowText(HWND hWnd) { return GetWindow(hWnd).strText; }

void CFakeWindowSystem::SetWindowText(HWND hWnd, const CString& strText) { GetWindow(hWnd).strText = strText; }

CRect CFakeWindowSystem::GetWindowRect(HWND hWnd) { return GetWindow(hWnd).rect; }

void CFakeWindowSystem::SetWindowPos(HWND hWnd, int x, int y, int cx, int cy, UINT nFlags)
{
    Window& w = GetWindow(hWnd);
    if ((nFlags & SWP_NOMOVE) == 0) {
        w.rect = CRect{x, y, x + w.rect.Width(), y + w.rect.Height()};
    }
    if ((nFlags & SWP_NOSIZE) == 0) {
        w.rect.right = w.rect.left + cx;
        w.rect.bottom = w.rect.top + cy;
    }
    if ((nFlags & SWP_SHOWWINDOW) != 0) {
        w.bVisible = true;
    }
}

void CFakeWindowSystem::CenterWindow(HWND hWnd, HWND hOwner)
{
    Window& w = GetWindow(hWnd);
    const CRect area = (hOwner != nullptr && HasWindow(hOwner)) ? GetWindow(hOwner).rect : kScreen;
    const int x = area.left + (area.Width() - w.rect.Width()) / 2;
    const int y = area.top + (area.Height() - w.rect.Height()) / 2;
    w.rect = CRect{x, y, x + w.rect.Width(), y + w.rect.Height()};
    w.bCentred = true;
}

CPoint CFakeWindowSystem::ClientToScreen(HWND hWnd, CPoint pt)
{
    const Window& w = GetWindow(hWnd);
    return CPoint{w.rect.left + kFrame + pt.x, w.rect.top + kCaptionAndMenu + pt.y};
}

void CFakeWindowSystem::ShowWindow(HWND hWnd, int nCmdShow) { GetWindow(hWnd).bVisible = nCmdShow != SW_HIDE; }

void CFakeWindowSystem::SetFocus(HWND hWnd)
{
    hFocus = hWnd;
    ++nFocusChanges;
}

HICON CFakeWindowSystem::LoadIcon(UINT nID) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x10000 + nID)); }

void CFakeWindowSystem::SetIcon(HWND hWnd, HICON hIcon, BOOL bBigIcon)
{
    (bBigIcon ? GetWindow(hWnd).hBigIcon : GetWindow(hWnd).hSmallIcon) = hIcon;
}

int CFakeWindowSystem::MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType)
{
    messageBoxes.push_back({hOwner, strText, strCaption, nType});
    if (answerBox) {
        if (const int nAnswer = answerBox(strText, nType); nAnswer != 0) {
            return nAnswer;
        }
    }
    if (!messageBoxAnswers.empty()) {
        const int nAnswer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return nAnswer;
    }
    return (nType & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

void CFakeWindowSystem::PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    m_posted.push_back({hWnd, message, wParam, lParam});
}

void CFakeWindowSystem::PumpMessages()
{
    while (!m_posted.empty()) {
        const Posted msg = m_posted.front();
        m_posted.pop_front();
        if (CWnd* pWnd = CWnd::FromHandlePermanent(msg.hWnd)) {
            AfxCallWndProc(pWnd, msg.message, msg.wParam, msg.lParam);
        }
    }
}

void CFakeWindowSystem::DefSysCommand(HWND /*hWnd*/, UINT nID) { nLastSysCommand = nID; }

HMENU CFakeWindowSystem::GetSystemMenu(HWND hWnd, BOOL /*bRevert*/) { return reinterpret_cast<HMENU>(hWnd); }

BOOL CFakeWindowSystem::AppendMenu(HMENU hMenu, UINT nFlags, UINT_PTR nIDNewItem, const CString& strText)
{
    GetWindow(reinterpret_cast<HWND>(hMenu)).systemMenu.emplace_back((nFlags & MF_SEPARATOR) != 0 ? 0 : static_cast<UINT>(nIDNewItem),
                                                                      strText);
    return TRUE;
}

BOOL CFakeWindowSystem::TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT nFlags, int x, int y, HWND hOwner)
{
    PopupCall call{{}, {}, nFlags, CPoint{x, y}, hOwner};
    for (const MENUITEMTEMPLATE& item : items) {
        call.commands.push_back(item.id);
        call.texts.emplace_back(item.text);
    }
    popups.push_back(std::move(call));
    UINT nChoice = 0;
    if (!popupChoices.empty()) {
        nChoice = popupChoices.front();
        popupChoices.pop_front();
    }
    if (nChoice != 0) {
        PostMessage(hOwner, WM_COMMAND, nChoice, 0);
    }
    return TRUE;
}

HFONT CFakeWindowSystem::GetFont(HWND hWnd) { return GetWindow(hWnd).hFont; }

void CFakeWindowSystem::SetFont(HWND hWnd, HFONT hFont, BOOL /*bRedraw*/) { GetWindow(hWnd).hFont = hFont; }

HFONT CFakeWindowSystem::CreateFontIndirect(const LOGFONT& lf)
{
    m_fonts.push_back(lf);
    fontsCreated.push_back(lf);
    return reinterpret_cast<HFONT>(static_cast<std::uintptr_t>(m_fonts.size()));
}

int CFakeWindowSystem::GetDeviceCaps(int nIndex) { return nIndex == LOGPIXELSY ? nLogPixelsY : 0; }

BOOL CFakeWindowSystem::WinHelp(HWND /*hWnd*/, const CString& strHelpFile, UINT nCmd, DWORD dwData)
{
    helpCalls.push_back({strHelpFile, nCmd, dwData});
    return bHelpStarts;
}

CFakeWindowSystem::DialogAnswer Typed(int nResult, std::optional<CString> title, std::optional<CString> importance,
                                      std::optional<CString> details)
{
    CFakeWindowSystem::DialogAnswer answer;
    answer.nResult = nResult;
    answer.title = std::move(title);
    answer.importance = std::move(importance);
    answer.details = std::move(details);
    return answer;
}
