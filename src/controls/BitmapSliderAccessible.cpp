// What a screen reader learns of a skinned slider, and how it reads and sets the slider's value.
#include "controls/BitmapSliderAccessible.h"

#include "controls/BitmapSlider.h"

CBitmapSliderAccessible::CBitmapSliderAccessible(CBitmapSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider) {}

CBitmapSlider* CBitmapSliderAccessible::Slider() const {
    return static_cast<CBitmapSlider*>(widget());
}

QString CBitmapSliderAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return QString::number(Slider()->Position());
    return QAccessibleWidget::text(kind);
}

void* CBitmapSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant CBitmapSliderAccessible::currentValue() const {
    return Slider()->Position();
}

void CBitmapSliderAccessible::setCurrentValue(const QVariant& value) {
    bool ok = false;
    const int position = value.toInt(&ok);
    if (ok && Slider()->isEnabled())
        Slider()->CommitUserPosition(position);
}

QVariant CBitmapSliderAccessible::maximumValue() const {
    return Slider()->Maximum();
}

QVariant CBitmapSliderAccessible::minimumValue() const {
    return Slider()->Minimum();
}

QVariant CBitmapSliderAccessible::minimumStepSize() const {
    return Slider()->SingleStep();
}

QStringList CBitmapSliderAccessible::actionNames() const {
    QStringList names;
    if (Slider()->isEnabled())
        names << increaseAction() << decreaseAction();
    return names + QAccessibleWidget::actionNames();
}

void CBitmapSliderAccessible::doAction(const QString& actionName) {
    CBitmapSlider* slider = Slider();
    if (!slider->isEnabled())
        return;
    if (actionName == increaseAction())
        slider->CommitUserPosition(slider->Position() + slider->SingleStep());
    else if (actionName == decreaseAction())
        slider->CommitUserPosition(slider->Position() - slider->SingleStep());
    else
        QAccessibleWidget::doAction(actionName);
}
