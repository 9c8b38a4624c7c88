#pragma once

#include <QString>

class QCustomPlot;

namespace daridez {

class PlotTracker;

// Saves a plot by its file name's suffix: .png or .svg the picture as the window shows
// it, .csv the lanes' series (see WritePlotCsv), always through a safe replacement, so
// that a file that cannot be written stays as it was.
class PlotExport {
  public:
    // False with error set when the name has another suffix or the file could not be
    // written.
    static bool save(QCustomPlot& plot, const PlotTracker& tracker, const QString& path,
                     QString& error);

  private:
    static QByteArray pictureBytes(QCustomPlot& plot, bool svg);
};

}  // namespace daridez
