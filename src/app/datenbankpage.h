#pragma once
// The "Datenbank Verzeichnis" page: where the data files live. The choice is kept in the
// per-user settings store and takes effect at the next start.

#include <QWidget>

class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

class TDatenbankPage : public QWidget {
    Q_OBJECT
public:
    explicit TDatenbankPage(QWidget* parent = nullptr);

    QRadioButton* UserFolderCheck;
    QLineEdit* Edit3;
    QRadioButton* ProgramFolderCheck;
    QRadioButton* UseSpecialFolderCheck;
    QLineEdit* DirectoryEdit1;
    QToolButton* DirectoryBtn;
    QLabel* RestartLabel;

private:
    void DirectoryBtnClick();
};
