// A text of the interface in its two languages, shown in the one the language flag selects.
#pragma once

#include <QString>

struct SkinText {
    QString en;
    QString zh; // empty: the English text stands in

    QString In(int language) const { return language == 1 && !zh.isEmpty() ? zh : en; }
    bool IsEmpty() const { return en.isEmpty() && zh.isEmpty(); }
    bool operator==(const SkinText&) const = default;
};
