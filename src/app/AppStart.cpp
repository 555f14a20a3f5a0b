#include "app/AppStart.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool AppStart::installTranslations()
{
    static QTranslator *qt = nullptr;
    if (qt)
        return true;
    auto *translator = new QTranslator(qApp);
    // The interface is Chinese whatever the desktop's language.
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    qt = translator;
    return true;
}

void AppStart::prepare()
{
    QCoreApplication::setApplicationName(QStringLiteral("mediacatalog"));
    QGuiApplication::setDesktopFileName(QStringLiteral("mediacatalog"));
    // Standard dialogs name file types and dates in Chinese too, whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/mediacatalog-256.png")));
    installTranslations();
}
