// vantrel-designer [form file]: opens, edits and saves stored forms of the library's components.
#include <vantrel/design/DesignerWindow.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantrel::TDesignerWindow window;
    if (argc > 1)
        window.OpenForm(QString::fromLocal8Bit(argv[1]));
    window.show();
    return app.exec();
}
