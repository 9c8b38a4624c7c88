#include "app/FindRateButton.h"

#include <QAbstractButton>
#include <QComboBox>

namespace daridez {

FindRateButton::FindRateButton(QAbstractButton& button, const QComboBox& rateBox)
    : button_(button), rateBox_(rateBox) {
    button_.setToolTip(QStringLiteral("Try the LIN rates and set the one the bus speaks"));
}

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
