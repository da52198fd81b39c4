// The interface language of the window: the translators of our own texts and of Qt's standard buttons.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

// The language flag (ModelGlobals::language) says which language the system texts are shown in; this keeps
// the window's own texts in step with it. Installing or removing a translator posts QEvent::LanguageChange
// to every widget, which re-reads its texts when the event arrives.
class CInterfaceLanguage {
public:
    static constexpr int kEnglish = 0;
    static constexpr int kChinese = 1;

    // Chinese on a Chinese (PRC) system, English everywhere else.
    static int FromLocale(const QLocale& locale);
    // The locale whose translation files serve `language`: "zh_CN" for Chinese; English needs none.
    static QString LocaleName(int language);

    CInterfaceLanguage() = default;
    ~CInterfaceLanguage();
    CInterfaceLanguage(const CInterfaceLanguage&) = delete;
    CInterfaceLanguage& operator=(const CInterfaceLanguage&) = delete;

    // English removes the translators (the source texts are English); another language installs ours from
    // the embedded translations and Qt's own from the system's Qt translations, when those are present.
    // False when our translation of that language is missing (the texts then stay English).
    bool Apply(int language);
    int Current() const { return m_current; }

private:
    void Remove();

    QTranslator m_own;
    QTranslator m_qt;
    bool m_ownInstalled = false;
    bool m_qtInstalled = false;
    int m_current = kEnglish;
};
