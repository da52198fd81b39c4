// Makes the skinned controls known to Qt's accessibility, so screen readers can use them.
#include "controls/SkinAccessibility.h"

#include "controls/BitmapButton.h"
#include "controls/BitmapButtonAccessible.h"
#include "controls/BitmapSlider.h"
#include "controls/BitmapSliderAccessible.h"
#include "controls/ListButton.h"
#include "controls/ListButtonAccessible.h"
#include "controls/SkinProgress.h"
#include "controls/SkinProgressAccessible.h"
#include "controls/SkinStatic.h"
#include "controls/SkinStaticAccessible.h"

#include <QAccessible>

namespace {

template <typename Control, typename Interface> QAccessibleInterface* Make(QObject* object) {
    auto* control = qobject_cast<Control*>(object);
    return control != nullptr ? new Interface(control) : nullptr;
}

struct Entry {
    const char* className;
    QAccessibleInterface* (*make)(QObject*);
};

// Qt asks with each class name from the object's own up to QObject, so subclasses find these too.
constexpr Entry kInterfaces[] = {
    {"CBitmapButton", &Make<CBitmapButton, CBitmapButtonAccessible>},
    {"CBitmapSlider", &Make<CBitmapSlider, CBitmapSliderAccessible>},
    {"CListButton", &Make<CListButton, CListButtonAccessible>},
    {"CSkinStatic", &Make<CSkinStatic, CSkinStaticAccessible>},
    {"CSkinProgress", &Make<CSkinProgress, CSkinProgressAccessible>},
};

} // namespace

void CSkinAccessibility::Install() {
    QAccessible::installFactory(&CSkinAccessibility::Create);
}

QAccessibleInterface* CSkinAccessibility::Create(const QString& className, QObject* object) {
    for (const Entry& entry : kInterfaces) {
        if (className == QLatin1String(entry.className))
            return entry.make(object);
    }
    return nullptr;
}
