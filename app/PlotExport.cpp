#include "app/PlotExport.h"

#include <qcustomplot.h>
#include <QBuffer>
#include <QFileInfo>
#include <QSvgGenerator>

#include "files/PlotCsv.h"
#include "files/SafeReplace.h"
#include "lin/PlotTracker.h"

namespace daridez {

QByteArray PlotExport::pictureBytes(QCustomPlot& plot, bool svg) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(plot.size());
        generator.setViewBox(plot.rect());
        generator.setTitle(plot.window()->windowTitle());
        QCPPainter painter;
        painter.begin(&generator);
        plot.toPainter(&painter, plot.width(), plot.height());
        painter.end();
    } else {
        plot.toPixmap(plot.width(), plot.height()).save(&buffer, "PNG");
    }
    return buffer.data();
}

bool PlotExport::save(QCustomPlot& plot, const PlotTracker& tracker, const QString& path,
                      QString& error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QStringLiteral("png") && suffix != QStringLiteral("svg") &&
        suffix != QStringLiteral("csv")) {
        error = QStringLiteral("the name should end in .png, .svg or .csv");
        return false;
    }
    SafeReplace out(path.toStdString());
    bool ok = out.open();
    if (ok && suffix == QStringLiteral("csv")) {
        std::vector<PlotCsvColumn> columns;
        for (const PlotLane& lane : tracker.lanes()) {
            columns.push_back({lane.title(), &lane.series()});
        }
        ok = WritePlotCsv(columns, out);
    } else if (ok) {
        const QByteArray bytes = pictureBytes(plot, suffix == QStringLiteral("svg"));
        ok = out.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    ok = ok && out.commit();
    error = ok ? QString() : QString::fromStdString(out.error());
    return ok;
}

}  // namespace daridez
