#include "qt/QtApplication.h"

#include "qt/QtFonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void SetUpToolkit(QApplication& app)
{
    // The toolkit's own texts (standard menus, dialogs) are Japanese whatever the user's locale,
    // as the whole interface is.
    auto* pTranslator = new QTranslator(&app);
    if (pTranslator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(pTranslator);
    }
    // The id the desktop entry is installed under, so the desktop shows the window with the
    // entry's name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.ruvelo.RUVelo2"));
    InstallFontSubstitutions();
    // Menus and message boxes in the proportional Japanese face, at the platform's 9 points.
    QFont uiFont(QStringLiteral(u"ＭＳ Ｐゴシック"));
    uiFont.setPointSize(9);
    QApplication::setFont(uiFont);
}
