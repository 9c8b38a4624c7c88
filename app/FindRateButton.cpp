#include "app/FindRateButton.h"

#include <QAbstractButton>
#include <QComboBox>

namespace daridez {

FindRateButton::FindRateButton(const WindowControls& controls)
    : button_(*static_cast<QAbstractButton*>(
          controls[static_cast<std::size_t>(WindowControl::FindRate)])),
      rateBox_(*static_cast<QComboBox*>(
          controls[static_cast<std::size_t>(WindowControl::LinBaudrate)])) {}

void FindRateButton::showRunning(bool running) {
    button_.setText(QString::fromLatin1(running ? kCancelCaption : kCaption));
}

std::vector<std::string> FindRateButton::rates() const {
    std::vector<std::string> rates;
    for (int i = 0; i < rateBox_.count(); ++i) {
        rates.push_back(rateBox_.itemText(i).toStdString());
    }
    return rates;
}

}  // namespace daridez
