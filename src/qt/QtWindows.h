#pragma once
// The widgets that stand for the program's windows: the main window with its menu bar and
// client area, the modal dialogs, and the importance box.

#include "framework/Afx.h"

#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>

#include <functional>
#include <optional>

struct MENUTEMPLATE;

// The main window's client area: the margin around the list takes right-clicks.
class CClientArea : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

signals:
    void rightButtonDown(Qt::KeyboardModifiers modifiers, QPoint point);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
};

class CMainWindowWidget : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainWindowWidget(QWidget* pParent = nullptr);
    [[nodiscard]] CClientArea* Client() const { return m_pClient; }

    // Builds the menu bar; a chosen item's command goes to onCommand once its menu has closed.
    void SetMenuBar(const MENUTEMPLATE& menu, std::function<void(UINT)> onCommand);

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    CClientArea* m_pClient;
};

class CDialogWidget : public QDialog {
    Q_OBJECT
public:
    explicit CDialogWidget(QWidget* pParent);
    // Ends the dialog's loop once the window logic has ended the dialog.
    void EndFromWindowLogic();

signals:
    // Esc or the close box, which the window logic turns into Cancel.
    void cancelRequested();

protected:
    void done(int nResult) override;

private:
    bool m_bEnding = false;
};

// A one-line edit box. What the user pastes or drops into it keeps only its first line, as a
// one-line box does on the original platform: a line break in a field would split its task in two
// when the task file is next read.
class CSingleLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSingleLineEdit(QWidget* pParent = nullptr);

private:
    void OnTextEdited(const QString& strNow);
    QString m_strBefore;
};

// An edit box that takes digits only, however they are typed, and, since its text does not
// scroll, stops taking characters once they no longer fit. The input method is off in it, and
// what one commits anyway is taken as typed text. Pasted text is not filtered.
class CNumberEdit : public CSingleLineEdit {
    Q_OBJECT
public:
    explicit CNumberEdit(QWidget* pParent = nullptr);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // The input method also asks through this one, by name.
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void inputMethodEvent(QInputMethodEvent* pEvent) override;

private:
    // The ASCII digits that typed text stands for, once they fit where they would go; nothing
    // (and a beep) when the text holds anything else or would not fit.
    [[nodiscard]] std::optional<QString> TypedDigits(const QString& strTyped) const;
    [[nodiscard]] bool Fits(const QString& strText) const;
};
