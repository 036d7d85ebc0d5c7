#include "app/stopsignals.h"

#include <QSocketNotifier>

namespace lumidex {

bool onStopRequest(QObject& context, std::function<void()> onStop) {
    const int descriptor = stopSignalDescriptor();
    if (descriptor < 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, &context);
    QObject::connect(notifier, &QSocketNotifier::activated, &context,
                     [descriptor, onStop = std::move(onStop)] {
                         drainStopSignals(descriptor);
                         onStop();
                     });
    return true;
}

}  // namespace lumidex
