// The reference for the start-up benchmark: a bare widget window with the main window's
// eight tabs, reporting its first paint the same way the program does.
#include "app/firstpaintprobe.h"

#include <QApplication>
#include <QMainWindow>
#include <QTabWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* tabs = new QTabWidget(&window);
    for (const char* name : {"Personen", "Dienste", "Monatsplaner", "Tagesanwesenheit", "Einstellungen",
             "Dienst-Statistik", "Datenbank Verzeichnis", "Jahresansicht"})
        tabs->addTab(new QWidget, QString::fromLatin1(name));
    window.setCentralWidget(tabs);
    window.resize(1024, 700);
    FirstPaintProbe probe;
    window.installEventFilter(&probe);
    window.show();
    return app.exec();
}
