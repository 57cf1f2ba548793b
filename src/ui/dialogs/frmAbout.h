#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class frmAbout;
}

// The program's title, as the splash and the About box show it.
QString ProgramTitle();
// "Version " + major + "." + minor + "." + revision of the program's version: Version 1.0.2.
QString VersionText();

// The About box: icon, title, version and a few words on the program. OK, Enter and Escape close
// it. It is shown without blocking the main window.
class frmAbout final : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    void cmdOK_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();

    std::unique_ptr<Ui::frmAbout> ui;
};
