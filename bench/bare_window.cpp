// The yardstick for start-up: a bare Qt program that opens one empty window and leaves.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(774, 558);
    window.show();
    QTimer::singleShot(0, &window, [&] { window.close(); });
    return QApplication::exec();
}
