// Plumavert Fennic on Windows: the start-up steps run (and may show messages) before the window appears;
// closing the window ends the program.

#include "form1.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    Form1 form;
    form.Load();
    form.Show();
    return Form1::RunMessageLoop();
}
