#include "endrequests.h"
#include "form1.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("plumavert-fennic");
    QApplication::setDesktopFileName("plumavert-fennic");

    Form1 form;
    CloseOnEndRequests(form);
    form.Load(); // start-up runs, and may show messages, before the window appears
    form.move(form.screen()->availableGeometry().center() - form.rect().center());
    form.show();
    return QApplication::exec();
}
