// What a screen reader learns of a skinned slider, and how it reads and sets the slider's value.
#pragma once

#include <QAccessibleWidget>

class CBitmapSlider;

// Role slider with the value interface: current, minimum, maximum and step; setting a value is a user's
// change and is committed to the window as a key step would be. Actions: increase and decrease one step.
class CBitmapSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CBitmapSliderAccessible(CBitmapSlider* slider);

    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    CBitmapSlider* Slider() const;
};
