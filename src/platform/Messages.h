#pragma once

#include <QString>

// The blocking message box with one OK button, and the question with Yes and No. Tests use a fake
// that records and returns at once.
class Messages
{
public:
    enum class Icon
    {
        None,
        Exclamation,
        Information,
        Critical
    };
    virtual ~Messages() = default;
    virtual void show(const QString& text, const QString& title, Icon icon) = 0;
    // True for Yes; closing the box answers No.
    virtual bool ask(const QString& text, const QString& title) = 0;
};
