#include "output/printersource.h"

#include "i18n/ui/translateapp.h"
#include "output/printjob.h"
#include "widgets/controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include <utility>

TPrinterSource::TPrinterSource(QObject* parent)
    : QObject(parent)
{
}

TPrinterSource::~TPrinterSource() = default;

QPrinter* TPrinterSource::Printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        PreparePrinter(*m_printer);
        m_freshPage = PrintablePageOf(m_printer.get());
        // The views were drawn for the remembered page; they repaint when it was wrong,
        // after the caller has finished with the printer.
        if (std::exchange(m_remembered, std::nullopt).value_or(*m_freshPage) != *m_freshPage)
            QMetaObject::invokeMethod(this, &TPrinterSource::Changed, Qt::QueuedConnection);
    }
    return m_printer.get();
}

void TPrinterSource::UseRememberedPage(std::optional<TPrintablePage> page)
{
    if (!m_printer)
        m_remembered = page;
}

TPrintablePage PrintablePageOf(const QPrinter* printer)
{
    TPrintablePage page;
    if (printer && printer->outputFormat() == QPrinter::NativeFormat && printer->isValid()) {
        const QRect r = printer->pageRect(QPrinter::DevicePixel).toRect();
        if (r.width() > 0 && r.height() > 0 && printer->resolution() > 0) {
            page.width = r.width();
            page.height = r.height();
            page.dpi = printer->resolution();
            return page;
        }
    }
    return DefaultPrintablePage();
}

void CopyPrinterSetup(const QPrinter& from, QPrinter& to)
{
    // The name first: choosing a printer resets the page to that printer's defaults.
    if (from.outputFormat() == QPrinter::NativeFormat && !from.printerName().isEmpty())
        to.setPrinterName(from.printerName());
    to.setPageLayout(from.pageLayout());
    to.setColorMode(from.colorMode());
    to.setFullPage(from.fullPage());
}

TPrintablePage TPrinterSource::Page()
{
    if (!m_printer && m_remembered)
        return *m_remembered;
    return PrintablePageOf(Printer());
}

void TPrinterSource::SetupDialog(QWidget* parent)
{
    QPrinter work(QPrinter::HighResolution);
    CopyPrinterSetup(*Printer(), work);
    TPrinterSetupDialog dialog(work, parent);
    TranslateApplication({&dialog});
    const bool accepted = runSetup ? runSetup(dialog) : dialog.exec() == QDialog::Accepted;
    if (accepted)
        CopyPrinterSetup(work, *Printer());
    Q_EMIT Changed();
}

// ---- setup dialog -----------------------------------------------------------------------

TPrinterSetupDialog::TPrinterSetupDialog(QPrinter& printer, QWidget* parent)
    : QDialog(parent)
    , m_printer(printer)
{
    setObjectName(QStringLiteral("PrinterSetupForm"));
    setWindowTitle(QStringLiteral("Drucker einrichten"));
    PrinterCombo = new QComboBox(this);
    PrinterCombo->setObjectName(QStringLiteral("PrinterCombo"));
    PrinterCombo->setMinimumWidth(240);
    PrinterCombo->addItems(QPrinterInfo::availablePrinterNames());
    PrinterCombo->setEnabled(PrinterCombo->count() > 0);
    const int current = PrinterCombo->findText(printer.printerName());
    PrinterCombo->setCurrentIndex(current >= 0 ? current : (PrinterCombo->count() > 0 ? 0 : -1));
    OrientationCombo = new QComboBox(this);
    OrientationCombo->setObjectName(QStringLiteral("OrientationCombo"));
    OrientationCombo->addItems({QStringLiteral("Hochformat"), QStringLiteral("Querformat")});
    OrientationCombo->setCurrentIndex(printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
    PaperBtn = NamedButton(this, "PaperBtn", "Papier und Ränder...");
    AddOkCancelButtons(this, BitBtn1, BitBtn2);
    BitBtn1->setEnabled(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(NamedLabel(this, "PrinterLabel", "Drucker:"), 0, 0);
    grid->addWidget(PrinterCombo, 0, 1);
    grid->addWidget(NamedLabel(this, "OrientationLabel", "Ausrichtung:"), 1, 0);
    grid->addWidget(OrientationCombo, 1, 1);
    grid->addWidget(PaperBtn, 2, 1);
    if (PrinterCombo->count() == 0)
        grid->addWidget(NamedLabel(this, "NoPrinterLabel", "Es ist kein Drucker eingerichtet."), 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, 4, 0, 1, 2);

    // The choices go to the printer at once, so the page dialog sees the chosen printer.
    if (PrinterCombo->currentIndex() >= 0)
        printerChosen(PrinterCombo->currentIndex());
    connect(PrinterCombo, &QComboBox::currentIndexChanged, this, &TPrinterSetupDialog::printerChosen);
    connect(OrientationCombo, &QComboBox::currentIndexChanged, this, &TPrinterSetupDialog::orientationChosen);
    connect(PaperBtn, &QPushButton::clicked, this, &TPrinterSetupDialog::paperClicked);
}

void TPrinterSetupDialog::printerChosen(int index)
{
    if (index < 0)
        return;
    const QString name = PrinterCombo->itemText(index);
    if (name != m_printer.printerName() || m_printer.outputFormat() != QPrinter::NativeFormat) {
        const QPageLayout::Orientation orientation = m_printer.pageLayout().orientation();
        m_printer.setPrinterName(name);
        m_printer.setPageOrientation(orientation);
    }
}

void TPrinterSetupDialog::orientationChosen(int index)
{
    m_printer.setPageOrientation(index == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void TPrinterSetupDialog::paperClicked()
{
    QPageSetupDialog dialog(&m_printer, this);
    if (dialog.exec() == QDialog::Accepted)
        OrientationCombo->setCurrentIndex(m_printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
}
