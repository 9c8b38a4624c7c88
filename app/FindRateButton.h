#pragma once

#include <string>
#include <vector>
#include "app/MainControls.h"

class QAbstractButton;
class QComboBox;
class QWidget;

namespace daridez {

// "find rate" beside "Set LIN Speed": the button that starts the search for the bus's
// LIN rate and cancels it while it runs; the rates searched are the LIN-baud-rate box's.
class FindRateButton {
  public:
    static constexpr const char* kCaption = "find rate";
    static constexpr const char* kCancelCaption = "cancel";

    // The window's controls: the button and the box are taken from there.
    explicit FindRateButton(const WindowControls& controls);

    // The search started or ended: the button's caption says what a click does.
    void showRunning(bool running);
    // The entries of the box, in its order.
    std::vector<std::string> rates() const;

  private:
    QAbstractButton& button_;
    const QComboBox& rateBox_;
};

}  // namespace daridez
