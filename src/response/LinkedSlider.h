// A control that follows a filter's edits (a slider moved to a frequency or a gain code); never owned.
#pragma once

class CLinkedSlider {
public:
    virtual ~CLinkedSlider() = default;
    virtual void MoveTo(int value) = 0;
};
