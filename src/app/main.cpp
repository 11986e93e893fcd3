// The desktop program's entry point.
#include <QApplication>
#include <QMainWindow>

#include <clocale>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt adopted the user's locale; reports and settings need '.' as the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QMainWindow window;
    window.setWindowTitle("Nimbora");
    window.show();
    return QApplication::exec();
}
