// A text of the system in its two interface languages, chosen by the language flag when shown.
#pragma once

#include <QString>
#include <QStringList>

struct SysText {
    const char* en = "";
    const char* zh = "";

    QString In(int language) const { return QString::fromUtf8(language == 1 ? zh : en); }
    // With %1, %2, ... replaced by the arguments in one pass: an argument is never read as a place holder.
    QString In(int language, const QStringList& args) const;
    bool operator==(const SysText& other) const;
};

inline QString SysText::In(int language, const QStringList& args) const {
    const QString pattern = In(language);
    QString s;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1].isDigit()) {
            const qsizetype n = pattern[i + 1].digitValue();
            if (n >= 1 && n <= args.size()) {
                s += args[n - 1];
                ++i;
                continue;
            }
        }
        s += pattern[i];
    }
    return s;
}

inline bool SysText::operator==(const SysText& other) const {
    return QByteArray(en) == QByteArray(other.en) && QByteArray(zh) == QByteArray(other.zh);
}
