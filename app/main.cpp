// kwtool: the keyword miner's desktop program.

#include "ui/qt/qt_program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    return kw::runQtProgram();
}
