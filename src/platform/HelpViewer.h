#pragma once

#include <QString>

// Shows a topic of the compiled help file. Every failure is ignored silently.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    virtual void showTopic(const QString& helpFile, const QString& topic) = 0;
};
