#include "app/TraceContext.h"

#include "protocol/TraceSession.h"
#include "serial/Profile.h"
#include "serial/SerialSettings.h"

namespace daridez {

TraceContext::TraceContext(TraceSession& session, Profile* profile, QObject* parent)
    : QObject(parent), session_(session), profile_(profile) {
    const int kept = profile_ != nullptr ? LoadLinRate(*profile_, 0) : 0;
    if (kept > 0) {
        linRate_ = kept;
        linRateKnown_ = true;
    }
}

void TraceContext::setLdf(LinDescription ldf) {
    ldf_ = std::move(ldf);
    emit ldfChanged();
}

void TraceContext::setLinRate(int rate) {
    if (rate <= 0) {
        return;
    }
    linRate_ = rate;
    linRateKnown_ = true;
    if (profile_ != nullptr) {
        SaveLinRate(*profile_, rate);
    }
    emit linRateChanged();
}

const DisplayModes& TraceContext::modes() const {
    return session_.modes();
}

void TraceContext::setModes(const DisplayModes& modes) {
    if (session_.applyDisplayModes(modes)) {
        emit modesChanged();
    }
}

}  // namespace daridez
