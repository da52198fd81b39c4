// The interface language of the window: the translators of our own texts and of Qt's standard buttons.
#include "app/InterfaceLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

// Where qt_add_translations embeds the compiled translations.
const QString kOwnTranslations = QStringLiteral(":/i18n");
const QString kOwnPrefix = QStringLiteral("selvano_");

} // namespace

int CInterfaceLanguage::FromLocale(const QLocale& locale) {
    return locale.language() == QLocale::Chinese && locale.territory() == QLocale::China ? kChinese
                                                                                         : kEnglish;
}

QString CInterfaceLanguage::LocaleName(int language) {
    return language == kChinese ? QStringLiteral("zh_CN") : QString();
}

CInterfaceLanguage::~CInterfaceLanguage() {
    Remove();
}

void CInterfaceLanguage::Remove() {
    if (m_ownInstalled)
        QCoreApplication::removeTranslator(&m_own);
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qt);
    m_ownInstalled = false;
    m_qtInstalled = false;
}

bool CInterfaceLanguage::Apply(int language) {
    Remove();
    m_current = language;
    const QString locale = LocaleName(language);
    if (locale.isEmpty())
        return true;
    // Qt's own texts (the Yes and No of a question) first, so that ours take precedence where both know one.
    if (m_qt.load(QStringLiteral("qtbase_") + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_qtInstalled = QCoreApplication::installTranslator(&m_qt);
    if (m_own.load(kOwnPrefix + locale, kOwnTranslations))
        m_ownInstalled = QCoreApplication::installTranslator(&m_own);
    return m_ownInstalled;
}
