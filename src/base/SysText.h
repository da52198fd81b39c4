// A text of the system in its two interface languages, chosen by the language flag when shown.
#pragma once

#include <QString>

struct SysText {
    const char* en = "";
    const char* zh = "";

    QString In(int language) const { return QString::fromUtf8(language == 1 ? zh : en); }
    bool operator==(const SysText& other) const;
};

inline bool SysText::operator==(const SysText& other) const {
    return QByteArray(en) == QByteArray(other.en) && QByteArray(zh) == QByteArray(other.zh);
}
