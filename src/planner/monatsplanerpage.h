#pragma once
// The "Monatsplaner" page: the month grid as a preview of the printer page, the month,
// year, zoom and page selectors, the employee filter, the duty selector and the buttons
// that act on marked cells. Drawing, hit testing, row mapping and the operations live in
// the planner core; the handlers here forward events to it and take the person file's
// lock around every change.

#include "core/undohistory.h"
#include "output/printersource.h"
#include "planner/monthgrid.h"
#include "planner/monthplanner.h"
#include "planner/monthpreview.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class TDataStore;
class TOverHoursForm;
class TPlanCheckList;
class TProposalPanel;
struct TProposal;
struct TProposalInput;
class TRoster;
class TSetSollStdForm;


// The grid's paint box: paints the page's preview image, forwards the mouse.
class TMonthPaintBox : public QWidget {
public:
    explicit TMonthPaintBox(class TMonatsplanerPage* page, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class TMonatsplanerPage* m_page;
};

class TMonatsplanerPage : public QWidget {
    Q_OBJECT
public:
    TMonatsplanerPage(TRoster& roster, TDataStore& store, TPrinterSource& printer, QWidget* parent = nullptr);
    ~TMonatsplanerPage() override;

    // The modal dialogs of the operations, created by the main window after its pages.
    void setDialogs(TSetSollStdForm* sollForm, TOverHoursForm* overHoursForm);
    // Where the changes of the page are recorded for undo (none: not recorded).
    void setUndoHistory(TUndoHistory* history) { m_undo = history; }

    QScrollArea* ScrollBox1;
    TMonthPaintBox* PaintBox1;
    QSpinBox* Mon2Ed;
    QSpinBox* Year2Ed;
    QSpinBox* ZoomEd;
    QSpinBox* SeiteEd;
    QComboBox* MitarbeiterCombo;
    QComboBox* DienstCombo;
    QLineEdit* KeyEdit;
    QPushButton* DienstBtn;
    QPushButton* NoSelBtn;
    QPushButton* OverHoursBtn;
    QPushButton* SetSollStd;
    QPushButton* PrintBtn;
    QPushButton* PrintersetupBtn;
    // Where to begin, shown while the roster holds only the default person and duty.
    QLabel* HintLabel;
    QCheckBox* BesetzungCheck; // "Besetzung anzeigen": coverage rows on screen, print and PDF
    TPlanCheckList* PlanCheck; // "Plan prüfen" list below the grid, hidden until asked for
    TProposalPanel* ProposalPanel; // "Plan vorschlagen": summary, shortfalls, "Übernehmen"

    // Month, year, page and filter as the controls show them.
    TMonthView View() const;
    // Geometry of the last drawing on screen (what the mouse handlers hit-test against).
    const TMonthGeometry& Geometry() const { return m_geo; }
    const TMonthSelection& Selection() const { return m_sel; }
    // The preview image as last drawn.
    const QImage& Preview() const { return m_image; }
    // Screen resolution the preview is drawn at.
    int ScreenDpi() const;
    // Device pixels per logical pixel of the paint box (2 on a desktop scaled to 200 %).
    // The preview is drawn at the zoom times this ratio; the geometry is in its pixels.
    double PixelRatio() const;
    // Shows or hides the first-steps hint (after the person or duty list changed).
    void UpdateHint();

    // The printer's page the preview shows, remembered from the last PrinterChanged().
    const TPrintablePage& PrinterPage();
    // The printer or its setup changed: take its page again and repaint.
    void PrinterChanged();

    // Draws the month into the preview image now (which records the month's hours of the
    // shown employees) and shows it. Every change of what the grid shows ends here.
    void PaintBox1Paint();

    // --- handlers ---------------------------------------------------------------------
    void PaintBox1MouseDown(const QPoint& pos, Qt::MouseButton button);
    void PaintBox1MouseMove(const QPoint& pos);
    void PaintBox1MouseUp();
    void KeyEditKeyPress(QChar key);
    // Cursor keys, Space, Escape and Delete over the grid (from the key field or the
    // paint box). True when the key was one of them.
    bool GridKeyPress(const QKeyEvent& key);
    void DienstBtnClick();
    void NoSelBtnClick();
    void OverHoursBtnClick();
    void SetSollStdClick();
    void SeiteEdChange();
    // Output of the month plan (monatsplanerpageoutput.cpp). The Click handlers ask for
    // what they need and report failures in message boxes; the *To forms do the work.
    void PrintBtnClick();
    void PrintersetupBtnClick();
    void CSVExportBtnClick();
    void ExportalsPDFDatei1Click();
    // Both return the message shown for a failure, empty on success.
    QString CSVExportTo(const QString& fileName);
    QString PDFExportTo(const QString& fileName);
    // "Vom letzen Monat übernehmen..." once the question and the dialog said yes: copies
    // the previous month's duties shifted by `shift` days under the person lock.
    void CopyPreviousMonthLocked(int shift);
    // Planning rules (monatsplanerpageplanning.cpp): "Plan prüfen" fills and shows the
    // list; "Muster anwenden..." lays a pattern over the marked rows from the first marked
    // day under the person lock; ShowCell brings a finding's cell into view and marks it.
    void PlanPruefenClick();
    void MusterAnwendenClick();
    void ShowCell(int day, int person);
    // "Plan vorschlagen...": asks for the options, solves with a progress dialog and
    // shows the proposal hatched in the grid with its check list; "Übernehmen" writes it
    // under the person lock as one undo step, "Verwerfen" drops it.
    void PlanVorschlagenClick();
    void ProposalUebernehmen();
    void ProposalVerwerfen();
    // The roster was read again or changed elsewhere: a proposal shown is dropped.
    void RosterChanged();
    const TProposal* Proposal() const { return m_proposal.get(); }

Q_SIGNALS:
    // Mon2EdChange / Year2EdChange: the employee filter must be rebuilt (then repaint).
    void monthChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TMonthPaintBox;
    // Takes the person lock, applies `change` to the rows of a geometry laid out now,
    // repaints (recording hours and balances) and saves before releasing the lock.
    // The change is recorded as one undo step of `kind`.
    void changeLocked(TUndoKind kind, const std::function<void(const TMonthGeometry&)>& change);
    // Geometry of a drawing made now with the current roster and controls.
    TMonthGeometry freshGeometry();
    // Duty k (0: "Leerer Eintrag") into the marked cells, or the cursor's cell when
    // nothing is marked; `nextDay` moves the cursor on afterwards.
    void assignByKey(int k, bool nextDay);
    // Scrolls the preview so that the cursor's cell is in view.
    void showCursor();
    void render();
    void paintPreview(QPaintEvent* event);
    void refreshPlanCheck();

    TRoster& m_roster;
    TDataStore& m_store;
    TSetSollStdForm* m_sollForm = nullptr;
    TOverHoursForm* m_overHoursForm = nullptr;
    TUndoHistory* m_undo = nullptr;
    TPrinterSource& m_printer;
    std::unique_ptr<TPrintablePage> m_printerPage;
    TMonthSelection m_sel;
    TMonthGeometry m_geo;
    QImage m_image;
    bool m_rendered = false; // the image was drawn for the paint that is pending
    std::unique_ptr<TProposalInput> m_proposalInput;
    std::unique_ptr<TProposal> m_proposal;
    std::vector<int> m_proposalCells; // person × 31 + day - 1 → duty, for the drawing
    unsigned m_generation = 0; // counts the roster's reloads and changes from elsewhere
};
