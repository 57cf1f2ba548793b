#pragma once

#include "HelpViewer.h"

#include <QByteArray>
#include <QPointer>
#include <QWidget>

// Shows topics of a compiled help file (.chm) in the program's own help window: each page is read
// out of the file with chmlib and shown in a QTextBrowser, where links between topics, pictures
// and style sheets are read from the same file. Every failure is ignored: a file or topic that
// cannot be read shows nothing.
class ChmHelpViewer final : public HelpViewer
{
public:
    ChmHelpViewer() = default;
    ~ChmHelpViewer() override;
    ChmHelpViewer(const ChmHelpViewer&) = delete;
    ChmHelpViewer& operator=(const ChmHelpViewer&) = delete;

    void showTopic(const QString& helpFile, const QString& topic) override;

    // The help window while it is open; null before the first topic and after it was closed.
    QWidget* window() const { return window_; }

    // The bytes of one file inside the .chm ("Introduction.htm" or "/Introduction.htm"); empty
    // when the help file or the topic cannot be read.
    static QByteArray ReadTopic(const QString& helpFile, const QString& topic);

private:
    QPointer<QWidget> window_;
};

// Asks the help viewer to show the topic of the help file; every failure is ignored.
void ShowHelp(HelpViewer& viewer, const QString& helpFile, const QString& topic);
