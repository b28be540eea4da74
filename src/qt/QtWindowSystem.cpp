#include "qt/QtWindowSystem.h"

#include "framework/ListCtrl.h"
#include "framework/ResourceTypes.h"
#include "qt/DialogUnits.h"
#include "qt/QtFonts.h"
#include "qt/QtIcons.h"
#include "qt/QtText.h"
#include "qt/QtWindows.h"
#include "qt/TaskListView.h"
#include "qt/TaskTableModel.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace {

HWND ToHandle(std::uintptr_t n) { return reinterpret_cast<HWND>(n); }

constexpr UINT kVkF4 = VK_F1 + 3;

// The standard items of the window menu that this window can carry out, as the platform names them.
struct StandardSysItem {
    UINT nID;
    const char16_t* pszText;
};
constexpr StandardSysItem kStandardSysItems[] = {
    {SC_RESTORE, u"元のサイズに戻す(&R)"},
    {SC_MINIMIZE, u"最小化(&N)"},
    {SC_MAXIMIZE, u"最大化(&X)"},
    {0, nullptr},
    {SC_CLOSE, u"閉じる(&C)\tAlt+F4"},
};

UINT VirtualKey(int nQtKey)
{
    if (nQtKey >= Qt::Key_A && nQtKey <= Qt::Key_Z) {
        return static_cast<UINT>('A' + (nQtKey - Qt::Key_A));  // by key, so Caps Lock makes no difference
    }
    if (nQtKey >= Qt::Key_0 && nQtKey <= Qt::Key_9) {
        return static_cast<UINT>('0' + (nQtKey - Qt::Key_0));
    }
    if (nQtKey >= Qt::Key_F1 && nQtKey <= Qt::Key_F12) {
        return VK_F1 + static_cast<UINT>(nQtKey - Qt::Key_F1);
    }
    switch (nQtKey) {
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    default:
        return 0;
    }
}

QMessageBox::Icon MessageBoxIcon(UINT nType)
{
    switch (nType & MB_ICONMASK) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    case 0x20:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

CQtWindowSystem::CQtWindowSystem() { qApp->installEventFilter(this); }

CQtWindowSystem::~CQtWindowSystem()
{
    qApp->removeEventFilter(this);
    for (auto& [hWnd, window] : m_windows) {
        if (window.hParent == nullptr && window.widget != nullptr) {
            delete window.widget.data();
        }
    }
}

HWND CQtWindowSystem::NewHandle() { return ToHandle(m_nNextHandle++); }

CQtWindowSystem::Window* CQtWindowSystem::Find(HWND hWnd)
{
    const auto it = m_windows.find(hWnd);
    return it == m_windows.end() ? nullptr : &it->second;
}

QWidget* CQtWindowSystem::Widget(HWND hWnd) const
{
    const auto it = m_windows.find(hWnd);
    return it == m_windows.end() ? nullptr : it->second.widget.data();
}

HWND CQtWindowSystem::Handle(const QWidget* pWidget) const
{
    const auto it = m_handles.find(pWidget);
    return it == m_handles.end() ? nullptr : it->second;
}

void CQtWindowSystem::Dispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd)) {
        AfxCallWndProc(pWnd, message, wParam, lParam);
    }
}

HFONT CQtWindowSystem::AddFont(const QFont& font)
{
    m_fonts.push_back(font);
    return reinterpret_cast<HFONT>(static_cast<std::uintptr_t>(m_fonts.size()));
}

HWND CQtWindowSystem::CreateDialogWindow(CDialog& dlg, HWND hOwner)
{
    const DLGTEMPLATE* pTemplate = res::FindDialog(dlg.GetTemplateId());
    if (pTemplate == nullptr) {
        return nullptr;
    }
    const QFont font = DialogTemplateFont(*pTemplate, GetDeviceCaps(LOGPIXELSY));
    const CDialogUnits units(font);
    const HWND hDlg = NewHandle();
    const QSize clientSize(units.X(pTemplate->cx), units.Y(pTemplate->cy));

    QWidget* pTop = nullptr;
    QWidget* pClient = nullptr;
    if (pTemplate->menuId != 0) {
        auto* pMain = new CMainWindowWidget();
        if (const MENUTEMPLATE* pMenu = res::FindMenu(pTemplate->menuId)) {
            pMain->SetMenuBar(*pMenu, [this, hDlg](UINT nID) { Dispatch(hDlg, WM_COMMAND, nID, 0); });
        }
        connect(pMain, &CMainWindowWidget::closeRequested, this, [this, hDlg] { Dispatch(hDlg, WM_CLOSE); });
        connect(pMain->Client(), &CClientArea::rightButtonDown, this, [this, hDlg](Qt::KeyboardModifiers, QPoint pt) {
            Dispatch(hDlg, WM_RBUTTONDOWN, 0, MAKELPARAM(pt.x(), pt.y()));
        });
        pClient = pMain->Client();
        pClient->setFont(font);
        pMain->resize(clientSize.width(), clientSize.height() + pMain->menuBar()->sizeHint().height());
        pTop = pMain;
    } else {
        auto* pDialog = new CDialogWidget(Widget(hOwner));
        connect(pDialog, &CDialogWidget::cancelRequested, this, [this, hDlg] { Dispatch(hDlg, WM_COMMAND, IDCANCEL); });
        pDialog->setFont(font);
        pDialog->resize(clientSize);
        pClient = pDialog;
        pTop = pDialog;
    }
    pTop->setWindowTitle(FromResource(pTemplate->caption));
    pTop->move(pTemplate->x, pTemplate->y);

    Window& window = m_windows[hDlg];
    window.widget = pTop;
    window.pDialog = &dlg;
    window.hFont = AddFont(font);
    m_handles[pTop] = hDlg;

    // The controls, in template order, which is also the tab order.
    QLabel* pPendingBuddyLabel = nullptr;
    for (const DLGITEMTEMPLATE& item : pTemplate->items) {
        QWidget* pControl = nullptr;
        switch (item.cls) {
        case CtlClass::Static: {
            auto* pLabel = new QLabel(pClient);
            if ((item.style & 0x0F) == SS_ICON) {
                pLabel->setPixmap(QPixmap::fromImage(IconImage(item.iconId, 32)));
                pLabel->resize(32, 32);
            } else if ((item.style & SS_NOPREFIX) != 0) {
                pLabel->setTextFormat(Qt::PlainText);
                pLabel->setText(FromResource(item.text));
            } else {
                pLabel->setText(FromResource(item.text));
                // A mnemonic moves the focus to the next control, and the label names that control
                // to a screen reader. A label without one names nothing: it is just a line of text.
                if (!QKeySequence::mnemonic(pLabel->text()).isEmpty()) {
                    pPendingBuddyLabel = pLabel;
                }
            }
            pControl = pLabel;
            break;
        }
        case CtlClass::Edit: {
            QLineEdit* pEdit = (item.style & ES_NUMBER) != 0 ? new CNumberEdit(pClient) : new CSingleLineEdit(pClient);
            if ((item.style & ES_CENTER) != 0) {
                pEdit->setAlignment(Qt::AlignCenter);
            }
            pControl = pEdit;
            break;
        }
        case CtlClass::Button: {
            auto* pButton = new QPushButton(FromResource(item.text), pClient);
            pButton->setDefault((item.style & BS_DEFPUSHBUTTON) != 0);
            // A focused button is the one Enter presses; the template's default takes Enter back
            // once the focus has left the buttons.
            pButton->setAutoDefault(true);
            const int nID = item.id;
            connect(pButton, &QPushButton::clicked, this, [this, hDlg, nID] { Dispatch(hDlg, WM_COMMAND, static_cast<WPARAM>(nID)); });
            pControl = pButton;
            break;
        }
        case CtlClass::ListView:
            pControl = new CTaskListView(pClient);
            break;
        }
        if (pControl == nullptr) {
            continue;
        }
        if ((item.style & 0x0F) != SS_ICON || item.cls != CtlClass::Static) {
            pControl->setGeometry(units.Rect(item.x, item.y, item.cx, item.cy));
        } else {
            pControl->move(units.X(item.x), units.Y(item.y));
        }
        if ((item.style & WS_TABSTOP) == 0 && item.cls != CtlClass::Static) {
            pControl->setFocusPolicy(Qt::NoFocus);
        }
        if (pPendingBuddyLabel != nullptr && pControl != pPendingBuddyLabel && (item.style & WS_TABSTOP) != 0) {
            pPendingBuddyLabel->setBuddy(pControl);
            pPendingBuddyLabel = nullptr;
        }
        AddControl(hDlg, item, pControl);
    }
    if (auto* pDialog = qobject_cast<CDialogWidget*>(pTop)) {
        // Its controls are placed for this one size.
        pDialog->setFixedSize(clientSize);
    }
    return hDlg;
}

HWND CQtWindowSystem::AddControl(HWND hDlg, const DLGITEMTEMPLATE& item, QWidget* pWidget)
{
    const HWND hCtl = NewHandle();
    Window& control = m_windows[hCtl];
    control.widget = pWidget;
    control.hParent = hDlg;
    control.nID = item.id;
    control.hFont = m_windows[hDlg].hFont;
    m_handles[pWidget] = hCtl;
    if (item.id != -1) {
        m_windows[hDlg].items[item.id] = hCtl;
    }
    return hCtl;
}

void CQtWindowSystem::RunModalLoop(HWND hDlg, HWND /*hOwner*/)
{
    Window* pWindow = Find(hDlg);
    if (pWindow == nullptr || pWindow->widget == nullptr) {
        return;
    }
    if (auto* pDialog = qobject_cast<CDialogWidget*>(pWindow->widget.data())) {
        // The first tab stop takes the focus, as a dialog does when it opens.
        for (QWidget* pChild : pDialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (pChild->focusPolicy() & Qt::TabFocus) {
                pChild->setFocus(Qt::TabFocusReason);
                break;
            }
        }
        pDialog->exec();
        return;
    }
    QEventLoop loop;
    pWindow->pLoop = &loop;
    pWindow->widget->show();
    loop.exec();
    if (Window* pAfter = Find(hDlg)) {
        pAfter->pLoop = nullptr;
    }
}

void CQtWindowSystem::EndModalLoop(HWND hDlg)
{
    Window* pWindow = Find(hDlg);
    if (pWindow == nullptr) {
        return;
    }
    if (pWindow->pLoop != nullptr) {
        pWindow->pLoop->quit();
    } else if (auto* pDialog = qobject_cast<CDialogWidget*>(pWindow->widget.data())) {
        pDialog->EndFromWindowLogic();
    }
}

void CQtWindowSystem::DestroyWindow(HWND hWnd)
{
    Window* pWindow = Find(hWnd);
    if (pWindow == nullptr) {
        return;
    }
    for (const auto& [nID, hCtl] : pWindow->items) {
        if (Window* pControl = Find(hCtl)) {
            if (auto* pView = qobject_cast<CTaskListView*>(pControl->widget.data()); pView != nullptr && pView->Model() != nullptr) {
                pView->Model()->List().SetTextMetrics(nullptr);
            }
            if (CWnd* pBound = CWnd::FromHandlePermanent(hCtl)) {
                pBound->Detach();
            }
        }
    }
    QWidget* pWidget = pWindow->widget.data();
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        if (it->second.hParent == hWnd || it->first == hWnd) {
            m_handles.erase(it->second.widget.data());
            it = m_windows.erase(it);
        } else {
            ++it;
        }
    }
    delete pWidget;
}

HWND CQtWindowSystem::GetDlgItem(HWND hDlg, int nID)
{
    Window* pWindow = Find(hDlg);
    if (pWindow == nullptr) {
        return nullptr;
    }
    const auto it = pWindow->items.find(nID);
    return it == pWindow->items.end() ? nullptr : it->second;
}

void CQtWindowSystem::BindControl(HWND hCtl, CWnd& control)
{
    Window* pWindow = Find(hCtl);
    auto* pList = dynamic_cast<CListCtrl*>(&control);
    auto* pView = pWindow != nullptr ? qobject_cast<CTaskListView*>(pWindow->widget.data()) : nullptr;
    if (pList == nullptr || pView == nullptr) {
        return;
    }
    pView->SetModel(new CTaskTableModel(*pList, pView));
    pList->SetTextMetrics(pView);
    const HWND hDlg = pWindow->hParent;
    const int nID = pWindow->nID;
    connect(pView, &CTaskListView::rightClicked, this, [this, hDlg, hCtl, nID] {
        NMHDR header;
        header.hwndFrom = hCtl;
        header.idFrom = static_cast<UINT_PTR>(nID);
        header.code = NM_RCLICK;
        Dispatch(hDlg, WM_NOTIFY, static_cast<WPARAM>(nID), reinterpret_cast<LPARAM>(&header));
    });
}

CString CQtWindowSystem::GetWindowText(HWND hWnd)
{
    Window* pWindow = Find(hWnd);
    if (pWindow == nullptr || pWindow->widget == nullptr) {
        return {};
    }
    if (auto* pEdit = qobject_cast<QLineEdit*>(pWindow->widget.data())) {
        // Unchanged text comes back byte for byte: decoding and encoding again could change it.
        if (pWindow->bHasGivenText && pEdit->text() == pWindow->strGivenDecoded) {
            return pWindow->strGivenText;
        }
        return FromQString(pEdit->text());
    }
    if (auto* pLabel = qobject_cast<QLabel*>(pWindow->widget.data())) {
        return FromQString(pLabel->text());
    }
    return FromQString(pWindow->widget->windowTitle());
}

void CQtWindowSystem::SetWindowText(HWND hWnd, const CString& strText)
{
    Window* pWindow = Find(hWnd);
    if (pWindow == nullptr || pWindow->widget == nullptr) {
        return;
    }
    const QString strDecoded = ToQString(strText);
    if (auto* pEdit = qobject_cast<QLineEdit*>(pWindow->widget.data())) {
        pWindow->strGivenText = strText;
        pWindow->strGivenDecoded = strDecoded;
        pWindow->bHasGivenText = true;
        pEdit->setText(strDecoded);
    } else if (auto* pLabel = qobject_cast<QLabel*>(pWindow->widget.data())) {
        pLabel->setText(strDecoded);
    } else {
        pWindow->widget->setWindowTitle(strDecoded);
    }
}

CRect CQtWindowSystem::GetWindowRect(HWND hWnd)
{
    const QWidget* pWidget = Widget(hWnd);
    if (pWidget == nullptr) {
        return {};
    }
    const QRect rc = pWidget->isWindow() ? pWidget->frameGeometry() : QRect(pWidget->mapToGlobal(QPoint(0, 0)), pWidget->size());
    return CRect{rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()};
}

void CQtWindowSystem::SetWindowPos(HWND hWnd, int x, int y, int cx, int cy, UINT nFlags)
{
    QWidget* pWidget = Widget(hWnd);
    if (pWidget == nullptr) {
        return;
    }
    if ((nFlags & SWP_NOMOVE) == 0) {
        pWidget->move(x, y);
    }
    if ((nFlags & SWP_NOSIZE) == 0) {
        if (pWidget->isWindow()) {
            // The outer size given; the toolkit sizes windows without their frame.
            const QSize frame = pWidget->frameGeometry().size() - pWidget->size();
            pWidget->resize(std::max(cx - frame.width(), 0), std::max(cy - frame.height(), 0));
        } else {
            pWidget->resize(std::max(cx, 0), std::max(cy, 0));
        }
    }
    if ((nFlags & SWP_SHOWWINDOW) != 0) {
        pWidget->show();
    }
}

void CQtWindowSystem::CenterWindow(HWND hWnd, HWND hOwner)
{
    QWidget* pWidget = Widget(hWnd);
    if (pWidget == nullptr) {
        return;
    }
    const QWidget* pOwner = Widget(hOwner);
    QRect rcArea;
    if (pOwner != nullptr) {
        rcArea = pOwner->frameGeometry();
    } else if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        rcArea = pScreen->availableGeometry();
    }
    const QSize size = pWidget->frameGeometry().size();
    pWidget->move(rcArea.left() + (rcArea.width() - size.width()) / 2, rcArea.top() + (rcArea.height() - size.height()) / 2);
}

CPoint CQtWindowSystem::ClientToScreen(HWND hWnd, CPoint pt)
{
    const QWidget* pWidget = Widget(hWnd);
    if (pWidget == nullptr) {
        return pt;
    }
    if (const auto* pMain = qobject_cast<const CMainWindowWidget*>(pWidget)) {
        pWidget = pMain->Client();  // the client area starts below the menu bar
    }
    const QPoint global = pWidget->mapToGlobal(QPoint(pt.x, pt.y));
    return CPoint{global.x(), global.y()};
}

void CQtWindowSystem::ShowWindow(HWND hWnd, int nCmdShow)
{
    if (QWidget* pWidget = Widget(hWnd)) {
        pWidget->setVisible(nCmdShow != SW_HIDE);
    }
}

void CQtWindowSystem::SetFocus(HWND hWnd)
{
    if (QWidget* pWidget = Widget(hWnd)) {
        pWidget->setFocus(Qt::OtherFocusReason);
    }
}

HICON CQtWindowSystem::LoadIcon(UINT nID)
{
    if (m_icons.count(nID) == 0) {
        m_icons[nID] = IconFromResource(nID);
    }
    return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(nID));
}

void CQtWindowSystem::SetIcon(HWND hWnd, HICON hIcon, BOOL /*bBigIcon*/)
{
    // The toolkit's window icon carries both sizes.
    QWidget* pWidget = Widget(hWnd);
    const auto it = m_icons.find(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(hIcon)));
    if (pWidget != nullptr && it != m_icons.end()) {
        pWidget->setWindowIcon(it->second);
    }
}

int CQtWindowSystem::MessageBox(HWND hOwner, const CString& strText, const CString& strCaption, UINT nType)
{
    // A fixed frame: the box sizes itself to its text and buttons.
    QMessageBox box(MessageBoxIcon(nType), ToQString(strCaption), ToQString(strText), QMessageBox::NoButton, Widget(hOwner),
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    box.setTextFormat(Qt::PlainText);
    int nResult = IDOK;
    if ((nType & MB_TYPEMASK) == MB_YESNO) {
        QPushButton* pYes = box.addButton(QStringLiteral(u"はい(&Y)"), QMessageBox::YesRole);
        QPushButton* pNo = box.addButton(QStringLiteral(u"いいえ(&N)"), QMessageBox::NoRole);
        box.setDefaultButton((nType & MB_DEFMASK) == MB_DEFBUTTON2 ? pNo : pYes);
        box.setEscapeButton(pNo);
        box.exec();
        nResult = box.clickedButton() == pYes ? IDYES : IDNO;
    } else {
        QPushButton* pOk = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(pOk);
        box.setEscapeButton(pOk);
        box.exec();
    }
    return nResult;
}

void CQtWindowSystem::PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    QMetaObject::invokeMethod(this, [this, hWnd, message, wParam, lParam] { Dispatch(hWnd, message, wParam, lParam); },
                              Qt::QueuedConnection);
}

void CQtWindowSystem::DefSysCommand(HWND hWnd, UINT nID)
{
    QWidget* pWidget = Widget(hWnd);
    if (pWidget == nullptr) {
        return;
    }
    switch (nID) {
    case SC_MINIMIZE:
        pWidget->showMinimized();
        break;
    case SC_MAXIMIZE:
        pWidget->showMaximized();
        break;
    case SC_RESTORE:
        pWidget->showNormal();
        break;
    default:
        break;
    }
}

HMENU CQtWindowSystem::GetSystemMenu(HWND hWnd, BOOL /*bRevert*/)
{
    return Find(hWnd) != nullptr ? reinterpret_cast<HMENU>(hWnd) : nullptr;
}

BOOL CQtWindowSystem::AppendMenu(HMENU hMenu, UINT nFlags, UINT_PTR nIDNewItem, const CString& strText)
{
    Window* pWindow = Find(reinterpret_cast<HWND>(hMenu));
    if (pWindow == nullptr) {
        return FALSE;
    }
    pWindow->systemMenu.push_back({(nFlags & MF_SEPARATOR) != 0 ? 0 : static_cast<UINT>(nIDNewItem), strText});
    return TRUE;
}

void CQtWindowSystem::ShowWindowMenu(HWND hWnd)
{
    Window* pWindow = Find(hWnd);
    if (pWindow == nullptr || pWindow->widget == nullptr) {
        return;
    }
    QWidget* pWidget = pWindow->widget.data();
    QMenu menu(pWidget);
    const bool bZoomed = pWidget->isMaximized() || pWidget->isMinimized();
    UINT nChosen = 0;
    const auto add = [&](UINT nID, const QString& strText, bool bEnabled) {
        QAction* pAction = menu.addAction(strText);
        pAction->setEnabled(bEnabled);
        connect(pAction, &QAction::triggered, &menu, [&nChosen, nID] { nChosen = nID; });
    };
    for (const StandardSysItem& item : kStandardSysItems) {
        if (item.nID == 0) {
            menu.addSeparator();
            continue;
        }
        const bool bEnabled = item.nID == SC_RESTORE ? bZoomed : item.nID == SC_MAXIMIZE ? !pWidget->isMaximized() : true;
        add(item.nID, QString::fromUtf16(item.pszText), bEnabled);
    }
    for (const SysMenuItem& item : pWindow->systemMenu) {
        if (item.nID == 0) {
            menu.addSeparator();
        } else {
            add(item.nID, ToQString(item.strText), true);
        }
    }
    menu.exec(pWidget->mapToGlobal(QPoint(0, 0)));
    if (nChosen != 0) {
        PostMessage(hWnd, WM_SYSCOMMAND, nChosen, 0);
    }
}

BOOL CQtWindowSystem::TrackPopupMenu(std::span<const MENUITEMTEMPLATE> items, UINT /*nFlags*/, int x, int y, HWND hOwner)
{
    QMenu menu(Widget(hOwner));
    UINT nChosen = 0;
    for (const MENUITEMTEMPLATE& item : items) {
        if (item.IsSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* pAction = menu.addAction(FromResource(item.text));
        const UINT nID = item.id;
        connect(pAction, &QAction::triggered, &menu, [&nChosen, nID] { nChosen = nID; });
    }
    // Either mouse button chooses an item: a QMenu takes both.
    menu.exec(QPoint(x, y));
    if (nChosen != 0) {
        PostMessage(hOwner, WM_COMMAND, nChosen, 0);
    }
    return TRUE;
}

HFONT CQtWindowSystem::GetFont(HWND hWnd)
{
    const Window* pWindow = Find(hWnd);
    return pWindow != nullptr ? pWindow->hFont : nullptr;
}

void CQtWindowSystem::SetFont(HWND hWnd, HFONT hFont, BOOL /*bRedraw*/)
{
    Window* pWindow = Find(hWnd);
    const auto nIndex = reinterpret_cast<std::uintptr_t>(hFont);
    if (pWindow == nullptr || pWindow->widget == nullptr || nIndex == 0 || nIndex > m_fonts.size()) {
        return;
    }
    pWindow->hFont = hFont;
    pWindow->widget->setFont(m_fonts[nIndex - 1]);
}

HFONT CQtWindowSystem::CreateFontIndirect(const LOGFONT& lf) { return AddFont(FontFromLogFont(lf)); }

int CQtWindowSystem::GetDeviceCaps(int nIndex)
{
    if (nIndex != LOGPIXELSY) {
        return 0;
    }
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen != nullptr ? static_cast<int>(std::lround(pScreen->logicalDotsPerInchY())) : 96;
}

BOOL CQtWindowSystem::WinHelp(HWND /*hWnd*/, const CString& /*strHelpFile*/, UINT /*nCmd*/, DWORD /*dwData*/)
{
    // There is no engine for such help files on this platform.
    return FALSE;
}

MSG CQtWindowSystem::KeyMessage(HWND hWnd, const QKeyEvent& event)
{
    MSG msg;
    msg.hwnd = hWnd;
    msg.wParam = VirtualKey(event.key());
    const Qt::KeyboardModifiers mods = event.modifiers();
    if ((mods & Qt::ShiftModifier) != 0) {
        msg.nKeyState |= MK_KEYSTATE_SHIFT;
    }
    if ((mods & Qt::ControlModifier) != 0) {
        msg.nKeyState |= MK_KEYSTATE_CONTROL;
    }
    if ((mods & Qt::AltModifier) != 0) {
        msg.nKeyState |= MK_KEYSTATE_ALT;
    }
    // A key with Alt and without Ctrl is a system key.
    const bool bSystem = (msg.nKeyState & MK_KEYSTATE_ALT) != 0 && (msg.nKeyState & MK_KEYSTATE_CONTROL) == 0;
    msg.message = msg.wParam == 0 ? 0 : (bSystem ? WM_SYSKEYDOWN : WM_KEYDOWN);
    return msg;
}

bool CQtWindowSystem::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() != QEvent::KeyPress || !pWatched->isWidgetType()) {
        return false;
    }
    auto* pKey = static_cast<QKeyEvent*>(pEvent);
    auto* pWidget = static_cast<QWidget*>(pWatched);
    // A key goes to the focus widget first and, when ignored there, up to its parents: the filter
    // looks at it once, where it first arrives.
    const QWidget* pFocus = QApplication::focusWidget();
    if (pFocus != nullptr && pFocus != pWidget && pFocus->window() == pWidget->window()) {
        return false;
    }
    if (qobject_cast<QMenuBar*>(pWidget) != nullptr || qobject_cast<QMenu*>(pWidget) != nullptr) {
        return false;  // menus run their own loop, as on the original platform
    }
    const HWND hTop = Handle(pWidget->window());
    Window* pWindow = Find(hTop);
    if (pWindow == nullptr || pWindow->pDialog == nullptr) {
        return false;
    }
    const HWND hTarget = Handle(pWidget) != nullptr ? Handle(pWidget) : hTop;
    MSG msg = KeyMessage(hTarget, *pKey);
    if (msg.message == 0) {
        return false;
    }
    if (pWindow->pDialog->PreTranslateMessage(&msg)) {
        return true;
    }
    // The platform's own handling of Alt+F4 in any of the program's windows: the window menu's
    // Close, which a dialog takes for Cancel. A window manager usually takes the key first.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == kVkF4) {
        Dispatch(hTop, WM_SYSCOMMAND, SC_CLOSE);
        return true;
    }
    // The platform's own handling of Alt+Space: the window menu.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_SPACE && msg.nKeyState == MK_KEYSTATE_ALT &&
        qobject_cast<CMainWindowWidget*>(pWindow->widget.data()) != nullptr) {
        ShowWindowMenu(hTop);
        return true;
    }
    return false;
}
