#include <QApplication>
#include <QDialog>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowTitle(QString::fromUtf8("Quillon 2.5 中文版"));
    window.show();
    return app.exec();
}
