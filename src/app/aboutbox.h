#pragma once
#include <QDialog>

class QLabel;

// "Info" box: program picture, product line, notice line with the current year, a few
// words about the maker, a button for the maker's web page and OK.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Copyright;
    QLabel* Comments;
};

// The program picture, drawn rather than shipped: a small month grid.
QPixmap RostelmarkPicture(int size);
