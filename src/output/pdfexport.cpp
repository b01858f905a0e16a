#include "output/pdfexport.h"

#include "core/canvas.h"
#include "output/printing.h"
#include "output/safefile.h"
#include "pdf/pdfcanvas.h"
#include "planner/monthgrid.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstring>

namespace {
// Keeps page images within what the image record accepts.
bool usable(std::int64_t w, std::int64_t h)
{
    return w > 0 && h > 0 && w <= kDibMaxSide && h <= kDibMaxSide && DibRowBytes(w, 24) * h <= kDibMaxBytes;
}

// The 24-bit record of a page image (RGB32), rows bottom first as blue, green, red.
dib pageDib(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    dib d = newdib(width, height, 24, nullptr, 0);
    if (!d.poi)
        return d;
    for (int y = 0; y < height; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* dst = d.poi + qsizetype(height - 1 - y) * d.bytew;
        for (int x = 0; x < width; ++x) {
            const QRgb c = src[x];
            dst[3 * x] = std::uint8_t(qBlue(c));
            dst[3 * x + 1] = std::uint8_t(qGreen(c));
            dst[3 * x + 2] = std::uint8_t(qRed(c));
        }
        std::memset(dst + 3 * width, 0, std::size_t(d.bytew - 3 * width));
    }
    return d;
}
} // namespace

QSize TPdfPageGeometry::ImageSize() const
{
    if (dpi <= 0)
        return {};
    const std::int64_t w = std::int64_t(width) * kPdfExportDpi / dpi;
    const std::int64_t h = std::int64_t(height) * kPdfExportDpi / dpi;
    return usable(w, h) ? QSize(int(w), int(h)) : QSize();
}

QSize TPdfPageGeometry::PointSize() const
{
    if (dpi <= 0)
        return {};
    return {int(std::int64_t(width) * 72 / dpi), int(std::int64_t(height) * 72 / dpi)};
}

TExportResult ExportMonthPdf(const QString& fileName, const TPdfPageGeometry& geometry, TRoster& roster,
    const TPlanSettings& settings, TMonthView& view, int count, const std::function<void(double page)>& pageShown)
{
    TExportResult result;
    const QSize imageSize = geometry.ImageSize();
    const QSize points = geometry.PointSize();
    if (imageSize.isEmpty() || points.isEmpty()) {
        result.status = TExportStatus::BadPage;
        return result;
    }
    QImage image(imageSize, QImage::Format_RGB32);
    if (image.isNull()) {
        result.status = TExportStatus::WriteFailed;
        result.detail = QStringLiteral("out of memory");
        return result;
    }

    // The target is opened first, so a folder or link that cannot take the export is
    // told before any page is drawn. The document is built in a private folder of this
    // process (nobody else can swap its files) and copied through the writer's descriptor.
    TSafeFile target(fileName);
    if (!target.Create())
        return ExportFailure(TExportStatus::CannotCreate, target.Error());
    QTemporaryDir work;
    const QString draft = work.filePath(QStringLiteral("export.pdf"));
    TPDFCanvas pdf;
    if (!work.isValid() || !pdf.BeginDoc(draft)) {
        result.status = TExportStatus::CannotCreate;
        return result;
    }
    pdf.PageWidth = points.width();
    pdf.PageHeight = points.height();

    const double remembered = view.Page();
    auto show = [&](double page) {
        view.page = page;
        if (pageShown)
            pageShown(page);
    };
    bool imagesOk = true;
    const TPageLoopResult loop = RunPageLoop(
        count,
        [&](int page) {
            show(page);
            image.fill(Qt::white);
            int pages = 1;
            {
                TCanvas canvas(&image);
                pages = DrawMonth(canvas, image.width(), image.height(), kPdfExportDpi, kPdfExportDpi, 100, true,
                    roster, settings, view)
                            .maxseiten;
            }
            dib d = pageDib(image);
            if (!d.poi) {
                imagesOk = false;
                return 0; // ends the loop
            }
            pdf.DrawDIBTaking(0, 0, pdf.PageWidth, pdf.PageHeight, d, 0, 0, image.width(), image.height());
            FreeDib(d);
            return pages;
        },
        [&] {
            pdf.NewPage();
            return !pdf.ioError();
        });
    show(remembered);
    result.pages = loop.pages;

    const bool ended = pdf.EndDoc();
    // A page picture that could not be encoded (its temporary file failed, say) would
    // leave a blank page: that is a failed export too.
    if (!imagesOk || loop.stopped || !ended || pdf.ioError() || pdf.missingImages() > 0) {
        result.status = TExportStatus::WriteFailed;
        if (!imagesOk)
            result.detail = QStringLiteral("out of memory");
        return result;
    }
    QFile built(draft);
    if (!built.open(QIODevice::ReadOnly)) {
        result.status = TExportStatus::WriteFailed;
        result.detail = built.errorString();
        return result;
    }
    QByteArray chunk;
    while (!(chunk = built.read(qint64(1) << 20)).isEmpty())
        if (!target.Write(chunk))
            break;
    if (built.error() != QFileDevice::NoError) {
        result.status = TExportStatus::WriteFailed;
        result.detail = built.errorString();
        return result;
    }
    if (target.Error() != 0 || !target.Commit()) {
        const int pages = result.pages;
        result = ExportFailure(TExportStatus::WriteFailed, target.Error());
        result.pages = pages;
    }
    return result;
}
