// tarnwicke-pdf-writer-saveas SUGGESTION: asks where to save a PDF. Prints the chosen path and exits 0,
// or exits 1 when the user cancels.

#include <QApplication>
#include <QFileDialog>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString suggestion = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString path =
        QFileDialog::getSaveFileName(nullptr, QStringLiteral("Tarnwicke PDF Writer - Save As"), suggestion,
                                     QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty()) {
        return 1;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return 0;
}
