#pragma once

#include "Messages.h"

// Messages shown in a QMessageBox with one OK button; questions with Yes and No.
class QtMessages final : public Messages
{
public:
    void show(const QString& text, const QString& title, Icon icon) override;
    bool ask(const QString& text, const QString& title) override;
};
