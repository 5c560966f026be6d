#pragma once

// The main window's own pointer. The hourglass is the busy marker: long operations set it, and the
// list commands and hover rules test it.
enum class PointerShape { Default, Hourglass, Custom };

class WindowPointer
{
public:
    virtual ~WindowPointer() = default;
    virtual PointerShape pointerShape() const = 0;
    virtual void setPointerShape(PointerShape shape) = 0;

    bool isBusy() const { return pointerShape() == PointerShape::Hourglass; }
};
