#pragma once

#include "Messages.h"


// Messages shown in a QMessageBox with one OK button.
class QtMessages final : public Messages
{
public:
    void show(const QString& text, const QString& title, Icon icon) override;
};
