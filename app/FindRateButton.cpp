#include "app/FindRateButton.h"

#include <QAbstractButton>
#include <QComboBox>

#include "protocol/ControllerWindow.h"

namespace daridez {

FindRateButton::FindRateButton(const std::map<int, QWidget*>& controls)
    : button_(*static_cast<QAbstractButton*>(controls.at(ControlId::FindRate))),
      rateBox_(*static_cast<QComboBox*>(controls.at(ControlId::LinBaudrate))) {}

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
