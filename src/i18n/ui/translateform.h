#pragma once
// The translation editor: the whole translation table as a grid, one row per German text
// and one column per language. Changes go straight into the table and reach
// "translate.dat" one second after the last change, or when the window closes.

#include <QDialog>
#include <QMessageBox>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QTimer;

class TTranslateForm : public QDialog {
    Q_OBJECT
public:
    explicit TTranslateForm(QWidget* parent = nullptr);

    // Title of grid column 0 … 29.
    static QString ColumnTitle(int column);

    // The language menu's "Übersetzen...": fills the grid, shows the editor modally and,
    // once it is closed, the restart notice.
    void ShowEditor();

    // Loads the grid from the table: header = the 30 titles, grid row i = table row i.
    void FillStringGrid();

    // Controls under their documented names (object names too).
    QPushButton* BackBtn = nullptr;
    QLineEdit* FilterEdit = nullptr;
    QPushButton* FilterBtn = nullptr;
    QPushButton* DeleteRowBtn = nullptr;
    QCheckBox* FixedColCheck = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QTimer* Timer1 = nullptr;

public Q_SLOTS:
    void FilterBtnClick();
    void DeleteRowBtnClick();
    void FixedColCheckClick();
    void Timer1Timer();
    void BackBtnClick();
    // A cell's text changed while it is edited (every keystroke): table row `row`,
    // column `column` takes the text and the delayed save restarts.
    void StringGrid1SetEditText(int column, int row, const QString& text);

protected:
    void done(int result) override; // FormClose: a pending save happens now
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The questions, replaceable so tests can answer them.
    virtual QMessageBox::StandardButton askContinueSearch(const QString& found);
    virtual QMessageBox::StandardButton askDeleteRow(const QString& german);

private:
    void restartSaveTimer();
    void scrollToCell(int row, int column);
    void updateFrozenGeometry();

    QTableView* frozen = nullptr; // the German column kept in place while ticked
};
