#pragma once

#include <QDialog>
#include <memory>

class QTimer;

namespace Ui {
class frmSplash;
}

// The splash window shown modally at start-up: logo, product name, platform and version, centred
// on the screen without a title bar. Timer1, a single shot started at load, closes it; clicks,
// keys and close requests do nothing before that.
class frmSplash final : public QDialog
{
    Q_OBJECT

public:
    explicit frmSplash(int milliseconds = 3000, QWidget* parent = nullptr);
    ~frmSplash() override;

    QTimer* Timer1() const { return timer_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load(int milliseconds);
    void Timer1_Timer();

    std::unique_ptr<Ui::frmSplash> ui;
    QTimer* timer_;
    bool timerFired_ = false;
};
