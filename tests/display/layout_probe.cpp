// Prints where the centre of a control of MainWindow lies within the
// window, as the program lays it out on this display, so that the display
// test can click it (Qt's controls are no X windows of their own).
#include "ui/qt/designed_window.h"

#include <QApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const kw::DesignedWindow window(kw::Window::MainWindow, {});
    const QWidget* button = window.controlWidget(kw::Control::按钮3);
    const QPoint centre = button->mapTo(&window, button->rect().center());
    std::cout << centre.x() << ' ' << centre.y() << '\n';
    return 0;
}
