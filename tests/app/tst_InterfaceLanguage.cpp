// The interface language: chosen from the locale, and the embedded translations switched at run time.
#include "app/InterfaceLanguage.h"

#include <QCoreApplication>
#include <QtTest>

class TestInterfaceLanguage : public QObject {
    Q_OBJECT

private slots:
    void fromLocale_data();
    void fromLocale();
    void translationsSwitch_data();
    void translationsSwitch();
};

void TestInterfaceLanguage::fromLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("language");
    QTest::newRow("zh_CN") << "zh_CN" << 1;
    QTest::newRow("zh_TW") << "zh_TW" << 0;
    QTest::newRow("zh_HK") << "zh_HK" << 0;
    QTest::newRow("en_US") << "en_US" << 0;
    QTest::newRow("de_DE") << "de_DE" << 0;
    QTest::newRow("C") << "C" << 0;
}

// Chinese on a Chinese (PRC) system only.
void TestInterfaceLanguage::fromLocale() {
    QFETCH(QString, locale);
    QFETCH(int, language);
    QCOMPARE(CInterfaceLanguage::FromLocale(QLocale(locale)), language);
}

void TestInterfaceLanguage::translationsSwitch_data() {
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("factory reset item")
        << QByteArray("CTopMenu") << QByteArray("Rest Settings") << QStringLiteral("恢复出厂设置");
    QTest::newRow("language item") << QByteArray("CTopMenu") << QByteArray("Chinese")
                                   << QStringLiteral("英文");
    QTest::newRow("preset recall") << QByteArray("CTopMenu") << QByteArray("Open")
                                   << QStringLiteral("音效调用");
    QTest::newRow("popup title") << QByteArray("CDisplayDlg") << QByteArray("Data transmissionning")
                                 << QStringLiteral("数据传输中");
    QTest::newRow("Connect") << QByteArray("CTitleBar") << QByteArray("Connect")
                             << QStringLiteral("连接设备");
}

// The Chinese translation is embedded in the program; English takes it away again.
void TestInterfaceLanguage::translationsSwitch() {
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, chinese);
    CInterfaceLanguage language;
    QVERIFY(language.Apply(CInterfaceLanguage::kChinese));
    QCOMPARE(QCoreApplication::translate(context, source), chinese);
    QVERIFY(language.Apply(CInterfaceLanguage::kEnglish));
    QCOMPARE(QCoreApplication::translate(context, source), QString::fromUtf8(source));
    QVERIFY(language.Apply(CInterfaceLanguage::kChinese));
    QCOMPARE(QCoreApplication::translate(context, source), chinese);
}

QTEST_GUILESS_MAIN(TestInterfaceLanguage)
#include "tst_InterfaceLanguage.moc"
